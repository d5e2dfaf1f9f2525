#pragma once

#include "fcport/PortCodes.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"

class cModule;
class Fc4Site;

// The sequence envelope (FC_SEQ_PAYLOAD) in which every FC-4 service hands a
// packet or information unit to FC-2, and in which FC-2 hands a received one
// back. The carried object travels by address (ctxPtr): whoever holds the
// envelope holds the object, and whoever discards the envelope deletes it.

// The routing fields of an outgoing envelope.
struct EnvelopeRoute {
    unsigned long sId = 0;
    unsigned long dId = 0;
    unsigned rCtl = 0;
    unsigned type = 0;
    bool firstSeq = false;
    bool lastSeq = false;
    bool xferSeqInit = false;
    int classOfSrv = CLASS_3;
    unsigned short origInitSsbSize = 0;
    unsigned short origRecpSsbSize = 0;
    unsigned short respInitSsbSize = 0;
    unsigned short respRecpSsbSize = 0;

    EnvelopeRoute& ssbSizes(unsigned short origInit, unsigned short origRecp, unsigned short respInit,
                            unsigned short respRecp)
    {
        origInitSsbSize = origInit;
        origRecpSsbSize = origRecp;
        respInitSsbSize = respInit;
        respRecpSsbSize = respRecp;
        return *this;
    }
};

// A new envelope carrying `unit` under the exchange key `fc4MemAddr`: its
// length is the unit's, it takes the next information-unit number from the
// root, and it has no relative offset.
FcSeqPayload* new_envelope(cMessage* unit, unsigned long fc4MemAddr, cModule* root, const EnvelopeRoute& route);
// The same, the number taken through the sender's site.
FcSeqPayload* new_envelope(cMessage* unit, unsigned long fc4MemAddr, const Fc4Site& site, const EnvelopeRoute& route);

// The object an envelope carries, or null when it carries none.
cMessage* carried_object(const FcSeqPayload* envelope);
