#pragma once

class cMessage;
class cModule;

// The data messages of an array's data path (SEND_DATA_IN, DATA_OUT_RECVD,
// BLK_READ_DATA, REQ_PHY_BLK_WRITE) carry `fromCsw`: false until a cache
// switch has passed them on, true afterwards. The buses deliver by it.
bool is_array_data(int kind);

// The message's `fromCsw`; a message of a data kind whose class has no such
// field stops the run on `reader`.
bool data_from_csw(const cModule* reader, cMessage* msg);
void set_data_from_csw(const cModule* writer, cMessage* msg, bool fromCsw);
