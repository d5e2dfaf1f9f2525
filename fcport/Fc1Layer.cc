// The FC-1 level of every port: transmitter, receiver, controller, state
// machine, receive buffer and link-event generator, between FC-2 (from_fc2,
// to_fc2) and the cable (link_in, link_out).

#include "network/CompoundBuilder.h"

namespace {

// The connections on the cable's path carry a colour, which the
// transmitter's link display needs.
const char* const cableColour = "o=#ffffff";

const CompoundDescription fc1LayerDesc = {
    {
        {"Tx",
         "Transmitter",
         {},
         {set_long("txFrmDelta", 0), set_long("txPayDelta", 0), set_long("totalTxKbComp", 0),
          set_long("txByteCompDelta", 0)},
         {},
         "i=tx;p=365,156;b=50,50"},
        {"Rx",
         "Receiver",
         {},
         {set_long("rxFrmDelta", 0), set_long("rxPayDelta", 0), set_long("rxByteCompDelta", 0)},
         {},
         "i=rx;p=365,266;b=50,50"},
        {"Fc1Ctrl", "Fc1Controller", {}, {}, {}, "i=asic;p=128,156;b=35,35"},
        {"Psm", "PortStateMachine", {}, {}, {}, "i=psm;p=240,209;b=50,50"},
        {"RxBuf", "RecvBuffer", {}, {}, {}, "i=rxbuf;p=128,266;b=75,35"},
        {"TxEvGen", "TxEvGenerator", {}, {}, {}, "i=txev;p=240,79;b=50,50"},
    },
    {
        {GateRef::self("link_in"), GateRef::sub("Rx", "link_in"), cableColour},
        {GateRef::sub("Rx", "to_rxbuf"), GateRef::sub("RxBuf", "from_rx")},
        {GateRef::sub("Rx", "to_psm"), GateRef::sub("Psm", "from_rx")},
        {GateRef::sub("RxBuf", "to_fc1ctrl"), GateRef::sub("Fc1Ctrl", "from_rxbuf")},
        {GateRef::sub("RxBuf", "to_psm"), GateRef::sub("Psm", "from_rxbuf")},
        {GateRef::sub("Fc1Ctrl", "to_rxbuf"), GateRef::sub("RxBuf", "from_fc1ctrl")},
        {GateRef::sub("Fc1Ctrl", "to_fc2"), GateRef::self("to_fc2")},
        {GateRef::sub("Fc1Ctrl", "to_psm"), GateRef::sub("Psm", "from_fc1ctrl")},
        {GateRef::sub("Fc1Ctrl", "to_tx"), GateRef::sub("Tx", "from_fc1ctrl")},
        {GateRef::sub("Psm", "to_fc1ctrl"), GateRef::sub("Fc1Ctrl", "from_psm")},
        {GateRef::sub("Psm", "to_rxbuf"), GateRef::sub("RxBuf", "from_psm")},
        {GateRef::sub("Psm", "to_tx"), GateRef::sub("Tx", "from_psm")},
        {GateRef::sub("Tx", "to_fc1ctrl"), GateRef::sub("Fc1Ctrl", "from_tx")},
        {GateRef::sub("Tx", "to_psm"), GateRef::sub("Psm", "from_tx")},
        {GateRef::sub("Tx", "link_out"), GateRef::self("link_out"), cableColour},
        {GateRef::sub("TxEvGen", "to_tx"), GateRef::sub("Tx", "from_txevgen")},
        {GateRef::self("from_fc2"), GateRef::sub("Fc1Ctrl", "from_fc2")},
    },
    "o=#ffffff;p=10,10;b=475,385",
    true,
};

const sDescrItem fc1LayerItems[] = {{'M', "default", nullptr, 0},    {'G', "link_in", nullptr, 'I'},
                                    {'G', "link_out", nullptr, 'O'}, {'G', "from_fc2", nullptr, 'I'},
                                    {'G', "to_fc2", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(Fc1Layer, fc1LayerItems);
Define_Described_Compound(Fc1Layer, fc1LayerDesc);
