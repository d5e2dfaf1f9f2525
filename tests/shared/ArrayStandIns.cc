#include "tests/shared/ArrayStandIns.h"

#include "messages/MsgKinds.h"

std::map<std::string, std::vector<ArrayStandIn::Step>> ArrayStandIn::scripts;
std::vector<ArrayStandIn::Heard> ArrayStandIn::heard;
std::map<std::string, LunControllerStandIn::Play> LunControllerStandIn::plays;

void ArrayStandIn::clear()
{
    for (Heard& h : heard)
        delete h.msg;
    heard.clear();
    scripts.clear();
    LunControllerStandIn::plays.clear();
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

void LunControllerStandIn::initialize()
{
    const Play& play = plays[fullPath()];
    addPar("lunId").setLongValue(index());
    addPar("lunWwn").setStringValue(index() == 0 ? "LUN0" : play.lunWwn.c_str());
    for (const char* counter : {"rdIoReq", "rdIoSucc", "rdIoAbrt", "rdIoOpen", "rdIoWait", "wrIoReq", "wrIoSucc",
                                "wrIoAbrt", "wrIoOpen", "wrIoWait"}) {
        auto it = play.counters.find(counter);
        addPar(counter).setLongValue(it == play.counters.end() ? 0 : it->second);
    }
    if (index() == 0 || !play.lunWwn.empty())
        par("inUse").setBoolValue(true);
}

void LunControllerStandIn::activity()
{
    const std::vector<Step> script = scripts[fullPath()];
    const double hold = plays[fullPath()].hold;
    for (size_t k = 0; k < script.size(); ++k) {
        auto* step = new cMessage("SCRIPT_STEP");
        step->addPar("step").setLongValue(static_cast<long>(k));
        scheduleAt(script[k].time, step);
    }
    for (;;) {
        cMessage* msg = receive();
        if (msg->isSelfMessage()) {
            if (msg->hasPar("step")) {
                const Step& s = script[msg->par("step").longValue()];
                send(s.make(), s.gate, s.index);
            } else {
                send(new cMessage("NEXT_MSG", NEXT_MSG, 0), "to_cpu");
            }
            delete msg;
            continue;
        }
        heard.push_back({fullPath(), msg->arrivalGate()->fullName(), msg->name(), msg->arrivalTime(), msg});
        // Remote-mirror announcements are no tasks.
        if (msg->kind() != RMT_IO_GEN_RDY)
            scheduleAt(simTime() + hold, new cMessage("RELEASE"));
    }
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
Define_Module_Like(LunControllerStandIn, LunController, 20480);
