#include "tests/shared/ArrayStandIns.h"

#include <memory>
#include <utility>

#include "device/TaskTiming.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"

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

int CtrlMemProcessorStandIn::lunNum = 0;
double CtrlMemProcessorStandIn::blockDelay = -1;
std::vector<CtrlMemProcessorStandIn::LunTask> CtrlMemProcessorStandIn::lunTasks;
int CtrlMemProcessorStandIn::strayReleases = 0;
int CtrlMemProcessorStandIn::granted = 0;

void CtrlMemProcessorStandIn::clearLuns()
{
    lunNum = 0;
    blockDelay = -1;
    lunTasks.clear();
    strayReleases = 0;
    granted = 0;
}

void CtrlMemProcessorStandIn::initialize()
{
    parentModule()->addPar("allDone").setBoolValue(false);
    if (lunNum > 0) {
        publish_timings();
        create_lun_controllers();
    }
}

// Each task costs its microseconds exactly: instructions = us x clock,
// one cycle per instruction, no memory references, no spread.
void CtrlMemProcessorStandIn::publish_timings()
{
    const double clockMHz = 100;
    addPar("cpuClock").setDoubleValue(clockMHz);
    addPar("memClock").setDoubleValue(clockMHz);
    const std::pair<const char*, double> tasks[] = {
        {"SCSI_RD_SEG", 2}, {"SCSI_WR_SEG", 3}, {"RMV_LUN_IO", 4}, {"COM_BLK_RD", 5}, {"COM_BLK_WR", 6}};
    for (const auto& [name, us] : tasks) {
        auto timing = std::make_unique<TaskTiming>();
        timing->instrNumMean = us * clockMHz;
        timing->cpuCylInsMean = 1;
        addPar(name).setLongValue(object_address(simulation.keepForRun(std::move(timing))));
    }
}

void CtrlMemProcessorStandIn::create_lun_controllers()
{
    cModule* cmc = parentModule();
    cmc->addPar("arrLunNum").setLongValue(lunNum);
    setGateSize("from_lunctrl", lunNum);
    setGateSize("to_lunctrl", lunNum);
    cModuleType* type = findModuleType("LunController");
    for (int i = 0; i < lunNum; ++i) {
        cModule* ctrl = type->create("LunCtrl", cmc);
        ctrl->setIndex(i, lunNum);
        gate("to_lunctrl", i)->connectTo(ctrl->gate("from_cpu"));
        ctrl->gate("to_cpu")->connectTo(gate("from_lunctrl", i));
        ctrl->par("inUse").setBoolValue(false);
        ctrl->par("inUse").setInput(false);
        ctrl->buildInside();
        simulation.startCreatedModules(ctrl);
    }
}

void CtrlMemProcessorStandIn::activity()
{
    if (lunNum > 0)
        serve_luns();
    else
        ArrayStandIn::activity();
}

void CtrlMemProcessorStandIn::serve_luns()
{
    for (size_t i = 0; i < lunTasks.size(); ++i) {
        auto* due = new cMessage("LUN_TASK_DUE", 0, 0);
        due->addPar("task").setLongValue(static_cast<long>(i));
        scheduleAt(lunTasks[i].time, due);
    }
    for (;;) {
        cMessage* msg = receive();
        if (!msg->isSelfMessage()) {
            from_lun(msg);
        } else if (msg->hasPar("task")) {
            const LunTask& t = lunTasks[static_cast<size_t>(msg->par("task").longValue())];
            delete msg;
            cMessage* work = t.make();
            if (work->kind() == RMT_IO_GEN_RDY) {
                for (int i = 0; i < lunNum; ++i)
                    send(work->dup(), "to_lunctrl", i);
                delete work;
            } else {
                queue_task(t.lun, work);
            }
        } else {
            // A block completion whose cache time is over.
            queue_task(static_cast<int>(static_cast<LunBlkIo*>(msg)->getLunId()), msg);
        }
    }
}

void CtrlMemProcessorStandIn::from_lun(cMessage* msg)
{
    const bool kept = msg->kind() != NEXT_MSG && msg->kind() != REQ_PROC_NEXT_LUNIO;
    heard.push_back(
        {fullPath(), msg->arrivalGate()->fullName(), msg->name(), msg->arrivalTime(), kept ? msg->dup() : nullptr});
    switch (msg->kind()) {
    case NEXT_MSG:
        if (!busy_)
            ++strayReleases;
        busy_ = false;
        delete msg;
        start_task();
        return;
    case REQ_PROC_NEXT_LUNIO:
        queue_task(static_cast<int>(msg->par("lunCtrlIdx").longValue()),
                   new cMessage("ACK_PROC_NEXT_LUNIO", ACK_PROC_NEXT_LUNIO, 0));
        delete msg;
        return;
    case REQ_BLK_READ:
    case REQ_BLK_WRITE:
        if (blockDelay >= 0) {
            const bool write = msg->kind() == REQ_BLK_WRITE;
            msg->setKind(write ? COMP_BLK_WRITE : COMP_BLK_READ);
            msg->setName(write ? "COMP_BLK_WRITE" : "COMP_BLK_READ");
            scheduleAt(simTime() + blockDelay, msg);
            return;
        }
        break;
    default: break;
    }
    discard_message(msg);
}

void CtrlMemProcessorStandIn::queue_task(int lun, cMessage* msg)
{
    msg->addPar("standInLun").setLongValue(lun);
    tasks_.insert(msg);
    start_task();
}

void CtrlMemProcessorStandIn::start_task()
{
    if (busy_ || tasks_.empty())
        return;
    auto* msg = static_cast<cMessage*>(tasks_.pop());
    const int lun = static_cast<int>(msg->par("standInLun").longValue());
    busy_ = true;
    ++granted;
    send(msg, "to_lunctrl", lun);
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

} // namespace

Define_Module_Like(ArrayControlProcessorStandIn, ArrayControlProcessor, 16384);
Define_Module_Like(ScsiRmtMirrStandIn, ScsiRmtMirr, 16384);
Define_Module_Like(CtrlMemProcessorStandIn, CtrlMemProcessor, 16384);
Define_Module_Like(LunControllerStandIn, LunController, 20480);
