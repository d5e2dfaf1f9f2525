#include "tests/shared/ArrayStandIns.h"

std::map<std::string, std::vector<ArrayStandIn::Step>> ArrayStandIn::scripts;
std::vector<ArrayStandIn::Heard> ArrayStandIn::heard;

void ArrayStandIn::clear()
{
    for (Heard& h : heard)
        delete h.msg;
    heard.clear();
    scripts.clear();
}

void ArrayStandIn::activity()
{
    const std::vector<Step> script = scripts[fullPath()];
    for (const Step& s : script) {
        wait(s.time - simTime());
        send(s.make(), s.gate, s.index);
    }
    for (;;) {
        cMessage* msg = receive();
        heard.push_back({fullPath(), msg->arrivalGate()->fullName(), msg->name(), msg->arrivalTime(), msg});
    }
}

void CtrlMemProcessorStandIn::initialize()
{
    parentModule()->addPar("allDone").setBoolValue(false);
}

namespace {

class ArrayControlProcessorStandIn : public ArrayStandIn {
  public:
    using ArrayStandIn::ArrayStandIn;
};

class ScsiRmtMirrStandIn : public ArrayStandIn {
  public:
    using ArrayStandIn::ArrayStandIn;
};

// The board's interface is declared where the disk back end is built.
const sDescrItem arrayControlProcessorItems[] = {{'M', "default", nullptr, 0},      {'P', "cswNum", "LDXFT", 0},
                                                 {'P', "arrGrpNum", "LDXFT", 0},    {'G', "from_ctrlmem", nullptr, 'I'},
                                                 {'G', "to_ctrlmem", nullptr, 'O'}, {'G', "from_csw[]", nullptr, 'I'},
                                                 {'G', "to_csw[]", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(ArrayControlProcessor, arrayControlProcessorItems);
Define_Module_Like(ArrayControlProcessorStandIn, ArrayControlProcessor, 16384);
Define_Module_Like(ScsiRmtMirrStandIn, ScsiRmtMirr, 16384);
Define_Module_Like(CtrlMemProcessorStandIn, CtrlMemProcessor, 16384);
