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

} // namespace

Define_Module_Like(ArrayControlProcessorStandIn, ArrayControlProcessor, 16384);
Define_Module_Like(ScsiRmtMirrStandIn, ScsiRmtMirr, 16384);
Define_Module_Like(CtrlMemProcessorStandIn, CtrlMemProcessor, 16384);
