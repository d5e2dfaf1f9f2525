#include "disk/ArrayGroupDriver.h"

#include <string>

#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"

void ArrayGroupDriver::activity()
{
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        switch (msg->kind()) {
        case REQ_PHY_BLK_READ:
        case REQ_PHY_BLK_WRITE: send(msg, "to_fcal"); break;
        case BLK_READ_DATA:
        case PHY_BLK_WRITE_COMP: send(msg, "to_ulp"); break;
        default: {
            const std::string name = msg->name();
            discard_message(msg);
            error("---> No idea know how to handle message: %s", name.c_str());
        }
        }
    }
}

namespace {

const sDescrItem driverItems[] = {{'M', "default", nullptr, 0},   {'G', "from_fcal", nullptr, 'I'},
                                  {'G', "to_fcal", nullptr, 'O'}, {'G', "from_ulp", nullptr, 'I'},
                                  {'G', "to_ulp", nullptr, 'O'},  {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(ArrayGroupDriver, driverItems);
Define_Module(ArrayGroupDriver, 8192);
