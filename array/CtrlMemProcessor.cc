#include "array/CtrlMemProcessor.h"

#include <cstring>

#include "device/CpuTimingFile.h"
#include "device/OutputFile.h"
#include "device/PlatformRegistry.h"
#include "device/TaskTiming.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/ExactCast.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

const std::vector<std::string> ctrlMemTasks = {"PER_CCH_IDX", "COM_PND_BLK", "SCSI_WR_SEG", "SCSI_RD_SEG",
                                               "RMV_LUN_IO",  "COM_BLK_WR",  "COM_BLK_RD"};

namespace {

// An array is platform type 2.
constexpr long ARRAY_PF_TYPE = 2;

template <class T>
T* as_message(const cModule* mod, cMessage* msg)
{
    auto* typed = exact_cast<T>(msg);
    if (!typed)
        mod->error("ERROR: %s of class %s reached %s in the wrong form", msg->name(), msg->className(),
                   mod->fullPath().c_str());
    return typed;
}

} // namespace

CtrlMemProcessor::CtrlMemProcessor(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), luns_(this), cache_(this, luns_), pending_(this),
      utilFile_(this, "ERROR: Couldn't open file %s!")
{
}

CtrlMemProcessor::~CtrlMemProcessor()
{
    for (CacheTable* r : writeRecords_)
        delete r;
    while (!requests_.empty())
        discard_message(requests_.take_next());
}

void CtrlMemProcessor::initialize()
{
    root_ = find_root(this);
    cmc_ = parentModule();
    device_ = cmc_->parentModule();
    confFile_ = device_->par("confFile").stringValue();
    setup_pf_type();
    input_ini_ctrlmem();
    cmc_->addPar("arrLunNum").setLongValue(settings_.arrLunNum);
    setGateSize("from_lunctrl", settings_.arrLunNum);
    setGateSize("to_lunctrl", settings_.arrLunNum);
    create_lun_controllers();
    cmc_->addPar("allDone").setBoolValue(false);
    init_lun_table();
    init_cch_table();
    input_ini_cchupd();
    input_ini_cchcln();
    create_cchupd_file();
    create_cchcln_file();
}

void CtrlMemProcessor::setup_pf_type()
{
    const long equipId = take_a_number(root_, "equipId");
    const long pfName = take_a_number(root_, "iniEqName");
    device_->addPar("pfName").setLongValue(pfName);
    register_platform_name(this, root_, equipId, pfName, PfNameText::INVALID_PF_NAME);
    device_->addPar("pfType").setLongValue(ARRAY_PF_TYPE);
}

// The registry is written by setup_pf_type, which knows the numbers.
void CtrlMemProcessor::reg_pfname() {}

void CtrlMemProcessor::input_ini_ctrlmem()
{
    settings_ = ::input_ini_ctrlmem(this, confFile_);
    device_->addPar("cswBusWidth").setDoubleValue(settings_.cswBusWidth);
    device_->addPar("cswBusClock").setDoubleValue(settings_.cswBusClock);
    device_->addPar("cswDlyUS").setDoubleValue(settings_.cswDlyUS);
    device_->addPar("cpuModel").setStringValue(settings_.cpuModel.c_str());
    extract_cpu_timing(settings_.cpuModel.c_str());
    device_->addPar("cchWriteThru").setBoolValue(settings_.cchWriteThru);
}

void CtrlMemProcessor::extract_cpu_timing(const char* cpuModel)
{
    CpuTiming timing = ::extract_cpu_timing(this, cpuModel, ctrlMemTasks, "Array");
    for (size_t k = 0; k < ctrlMemTasks.size(); ++k)
        show_task_timing(ctrlMemTasks[k].c_str(), timing.tasks[k]);
}

void CtrlMemProcessor::show_task_timing(const char*, TaskTiming*) {}

void CtrlMemProcessor::create_lun_controllers()
{
    cModuleType* type = findModuleType("LunController");
    if (!type)
        error("Simple module type definition %s not found", "LunController");
    const int n = settings_.arrLunNum;
    for (int i = 0; i < n; ++i) {
        cModule* ctrl = type->create("LunCtrl", cmc_);
        ctrl->setIndex(i, n);
        gate("to_lunctrl", i)->connectTo(ctrl->gate("from_cpu"));
        ctrl->gate("to_cpu")->connectTo(gate("from_lunctrl", i));
        ctrl->par("inUse").setBoolValue(false);
        ctrl->par("inUse").setInput(false);
        ctrl->setDisplayString("i=lunctrl;p=60,70,row,70;b=50,40");
        ctrl->buildInside();
        simulation.startCreatedModules(ctrl);
    }
}

void CtrlMemProcessor::init_lun_table()
{
    luns_.init_lun_table(settings_.arrLunNum);
}

void CtrlMemProcessor::show_lun_table()
{
    luns_.show_lun_table();
}

LunEntry* CtrlMemProcessor::query_lun_table(unsigned long lun)
{
    return luns_.query_lun_table(lun);
}

void CtrlMemProcessor::input_ini_cchupd()
{
    flush_ = ::input_ini_cchupd(this, confFile_);
    flushActive_ = false;
    device_->addPar("cchUpdName").setStringValue(flush_.name.c_str());
}

void CtrlMemProcessor::input_ini_cchcln()
{
    clean_ = ::input_ini_cchcln(this, confFile_);
    device_->addPar("enableCchCln").setBoolValue(clean_.enableCchCln);
}

void CtrlMemProcessor::activity()
{
    simDone_ = &root_->par("simDone");
    allDone_ = &cmc_->par("allDone");
    requests_.set_busy(false);
    init_flush_param();
    sche_next_cchupd();
    if (clean_.enableCchCln)
        sche_next_cchcln();
    WATCH(cache_.cchSizeInMB);
    WATCH(cache_.freeCchSizeInMB);
    WATCH(cache_.dirtyCchSizeInMB);
    WATCH(pending_.maxPbSizeRef());
    WATCH(pending_.pbInUseRef());
    scheduleAt(simTime(), new cMessage("INIT_CCH_STAT_FILE", INIT_CCH_STAT_FILE, 0));
    statPeriod_ = time_scale_seconds(this, root_, "cchUtilTimeScale");
    cpuClock_ = par("cpuClock").doubleValue();
    memClock_ = par("memClock").doubleValue();
    PER_CCH_IDX = object_at<TaskTiming>(par("PER_CCH_IDX").longValue());
    COM_PND_BLK = object_at<TaskTiming>(par("COM_PND_BLK").longValue());
    luns_.total().fill(0);
    scheduleAt(simTime(), new cMessage("INIT_PB", INIT_PB, 0));
    busyTime_.assign(settings_.arrLunNum + 1, 0.0);
    taskStart_ = 0;
    busyIdx_ = -1;
    cpuPeriod_ = time_scale_seconds(this, root_, "cpuUtilTimeScale");
    create_cpu_util();
    write_cpu_util();
    cache_.lookups = cache_.hits = cache_.misses = 0;
    Cln_total = Cln_wrbak = 0;

    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << "-->" << msg->name() << "\n";
        handle(msg);
    }
}

double CtrlMemProcessor::task_time(const TaskTiming* task) const
{
    return load_timing(task, cpuClock_, memClock_);
}

void CtrlMemProcessor::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case NEXT_MSG: next_msg(msg); break;
    case DEV_DOWN:
    case REMOVE_IT_PATH:
        msg->addPar("chipId").setLongValue(gate(msg->arrivalGateId())->index());
        fwd_lun_event(msg);
        break;
    case SCSI_RDWR_IO: send(msg, "to_chip", static_cast<int>(msg->par("chipId").longValue())); break;
    case CREATE_IT_PATH:
        msg->addPar("chipId").setLongValue(gate(msg->arrivalGateId())->index());
        discard_message(msg);
        break;
    case SCSI_CMD_RECVD:
    case SEND_DATA_IN:
    case RECV_DATA_OUT:
    case DATA_OUT_RECVD:
    case REQ_CMD_COMP:
    case SEND_CMD_COMP:
    case COMP_CONF_RECVD:
    case REQ_PROC_NEXT_LUNIO:
    case REQ_BLK_READ:
    case BLK_READ_DATA:
    case COMP_BLK_READ:
    case REQ_BLK_WRITE:
    case COMP_BLK_WRITE:
    case PHY_BLK_WRITE_COMP:
    case CCH_UPD:
    case ABORT_LUNIO:
    case CCH_CLN: queue_task(msg); break;
    case BLK_WRITE_HIT:
    case BLK_WRITE_MISS:
    case BLK_READ_HIT:
    case BLK_READ_MISS:
    case COMP_PBRD_COST: cache_step(msg); break;
    case CCH_LRU_COST:
    case CCH_UPD_COST:
    case CCH_CLN_COST:
        if (msg->kind() == CCH_UPD_COST)
            sche_next_cchupd();
        else if (msg->kind() == CCH_CLN_COST)
            sche_next_cchcln();
        delete msg;
        release_resource();
        break;
    case NEXT_STAT:
        delete msg;
        write_cchstat_files();
        break;
    case INIT_CCH_STAT_FILE:
        delete msg;
        init_cchstat_files();
        write_cchstat_files();
        break;
    case NEXT_CPU_UTIL:
        delete msg;
        write_cpu_util();
        break;
    case INIT_PB:
        delete msg;
        init_pb_table();
        break;
    case RMT_IO_GEN_RDY:
        for (int i = 0; i < gateSize("to_lunctrl"); ++i)
            send(msg->dup(), "to_lunctrl", i);
        discard_message(msg);
        break;
    default: unknown(msg);
    }
}

void CtrlMemProcessor::unknown(cMessage* msg)
{
    const std::string name = msg->name();
    discard_message(msg);
    error("---> No idea know how to handle message: %s", name.c_str());
}

void CtrlMemProcessor::queue_task(cMessage* msg)
{
    requests_.submit(msg);
}

void CtrlMemProcessor::fwd_lun_event(cMessage* event)
{
    for (int i = 0; i < luns_.size(); ++i) {
        cMessage* copy = event->dup();
        copy->addPar("lunCtrlIdx").setLongValue(luns_.at(i).ctrlIdx);
        requests_.queue().insert(copy);
    }
    discard_message(event);
    requests_.start_if_idle();
}

void CtrlMemProcessor::release_resource()
{
    schedule_next_msg(this);
}

// A release while no task holds the processor would charge no column and
// free a task that is not running: some holder released twice.
void CtrlMemProcessor::next_msg(cMessage* msg)
{
    const cGate* arrival = gate(msg->arrivalGateId());
    const bool fromLun = arrival && std::strcmp(arrival->name(), "from_lunctrl") == 0;
    const int from = fromLun ? arrival->index() : -1;
    delete msg;
    if (!requests_.busy() || busyIdx_ < 0) {
        if (fromLun)
            error("ERROR: %s got NEXT_MSG from LunCtrl[%d] while its processor was idle", fullPath().c_str(), from);
        error("ERROR: %s released its processor while it was idle", fullPath().c_str());
    }
    busyTime_[busyIdx_] += simTime() - taskStart_;
    taskStart_ = simTime();
    busyIdx_ = -1;
    requests_.release();
}

void CtrlMemProcessor::proc_request()
{
    if (requests_.empty())
        error("---> proc_request : CtrlMem Request_Processing Queue shouldn't be empty");
    cMessage* task = requests_.take_next();
    taskStart_ = simTime();
    dispatch(task);
}

int CtrlMemProcessor::ctrl_idx_of(cMessage* task, unsigned long lun)
{
    LunEntry* entry = query_lun_table(lun);
    if (!entry) {
        const std::string name = task->name();
        discard_message(task);
        error("---> proc_request : %s found illegal LUN_ID", name.c_str());
    }
    return entry->ctrlIdx;
}

void CtrlMemProcessor::to_lun_controller(cMessage* task, int ctrlIdx)
{
    if (ctrlIdx < 0 || ctrlIdx >= luns_.size()) {
        const std::string name = task->name();
        discard_message(task);
        error("---> proc_request : %s found illegal LUN_ID", name.c_str());
    }
    busyIdx_ = ctrlIdx;
    send(task, "to_lunctrl", ctrlIdx);
}

void CtrlMemProcessor::dispatch(cMessage* task)
{
    const int caching = settings_.arrLunNum;
    switch (task->kind()) {
    case DEV_DOWN:
    case REMOVE_IT_PATH: to_lun_controller(task, static_cast<int>(task->par("lunCtrlIdx").longValue())); break;
    case SCSI_CMD_RECVD: task_router(as_message<ScsiCmdRecvd>(this, task), gate(task->arrivalGateId())->index()); break;
    case SEND_DATA_IN:
        busyIdx_ = caching;
        send(task, "to_bs");
        release_resource();
        break;
    case RECV_DATA_OUT:
        busyIdx_ = caching;
        send(task, "to_chip", as_message<RecvDataOut>(this, task)->getChipId());
        release_resource();
        break;
    case SEND_CMD_COMP:
        busyIdx_ = caching;
        send(task, "to_chip", as_message<SendCmdComp>(this, task)->getChipId());
        release_resource();
        break;
    case DATA_OUT_RECVD:
        to_lun_controller(task, ctrl_idx_of(task, as_message<DataOutRecvd>(this, task)->getLun()));
        break;
    case COMP_CONF_RECVD:
        // None is expected (the FC-4 layer frees the target's block at the
        // response); should one come, its LUN controller takes it as a task.
        to_lun_controller(task, ctrl_idx_of(task, as_message<CompConfRecvd>(this, task)->getLun()));
        break;
    case REQ_CMD_COMP:
    case ABORT_LUNIO:
        to_lun_controller(task, ctrl_idx_of(task, static_cast<unsigned long>(task->par("lun").longValue())));
        break;
    case COMP_BLK_READ:
    case COMP_BLK_WRITE:
        to_lun_controller(task, ctrl_idx_of(task, as_message<LunBlkIo>(this, task)->getLunId()));
        break;
    case REQ_PROC_NEXT_LUNIO: {
        const int idx = static_cast<int>(task->par("lunCtrlIdx").longValue());
        delete task;
        to_lun_controller(new cMessage("ACK_PROC_NEXT_LUNIO", ACK_PROC_NEXT_LUNIO, 0), idx);
        break;
    }
    case REQ_BLK_READ:
    case REQ_BLK_WRITE:
        busyIdx_ = caching;
        caching_operation(as_message<LunBlkIo>(this, task));
        break;
    case BLK_READ_DATA:
        busyIdx_ = caching;
        proc_read_data(as_message<LunBlkIo>(this, task));
        break;
    case PHY_BLK_WRITE_COMP:
        busyIdx_ = caching;
        comp_phy_write(as_message<LunBlkIo>(this, task), object_at<CacheTable>(task->par("thisCchTbl").longValue()));
        break;
    case CCH_UPD:
        busyIdx_ = caching;
        delete task;
        proc_cchupd();
        break;
    case CCH_CLN:
        busyIdx_ = caching;
        delete task;
        clean_operation();
        break;
    default: {
        const std::string name = task->name();
        discard_message(task);
        error("---> proc_request : CtrlMem ReqProcQueue doesn't know how to handle message %s", name.c_str());
    }
    }
}

void CtrlMemProcessor::task_router(ScsiCmdRecvd* command, int chipIdx)
{
    EV << "Routing a taks to the proper LUN controller ... ";
    command->addPar("chipId").setLongValue(chipIdx);
    LunEntry* entry = query_lun_table(command->getLun());
    if (!entry) {
        discard_message(command);
        error("---> task_router : found illegal LUN_ID for this IO task!");
    }
    busyIdx_ = entry->ctrlIdx;
    send(command, "to_lunctrl", entry->ctrlIdx);
    EV << "Done.\n";
}

void CtrlMemProcessor::finish()
{
    write_ctrlmem_finish();
    write_lunio_finish();
    for (int i = 0; i < luns_.size(); ++i)
        luns_.at(i).statFile.finish();
    updFile_.finish();
    clnFile_.finish();
    utilFile_.close();
}

namespace {

const sDescrItem ctrlMemProcessorItems[] = {{'M', "default", nullptr, 0},        {'G', "from_lunctrl[]", nullptr, 'I'},
                                            {'G', "to_lunctrl[]", nullptr, 'O'}, {'G', "from_chip[]", nullptr, 'I'},
                                            {'G', "to_chip[]", nullptr, 'O'},    {'G', "from_acp[]", nullptr, 'I'},
                                            {'G', "to_acp[]", nullptr, 'O'},     {'G', "from_bs", nullptr, 'I'},
                                            {'G', "to_bs", nullptr, 'O'},        {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(CtrlMemProcessor, ctrlMemProcessorItems);
Define_Module(CtrlMemProcessor, 16384);
