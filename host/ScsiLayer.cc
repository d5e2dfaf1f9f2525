#include "host/ScsiLayer.h"

#include "device/IoFailLog.h"
#include "device/OutputFile.h"
#include "device/TaskTiming.h"
#include "device/WarningsLog.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"

// Set-up, the message loop, the processor handshake and the ownership of
// command blocks. Discovery, the I/O engine, the LUN mask and the statistics
// files are in the ScsiLayer*.cc files beside this one.

namespace {

const TaskTiming* task_of(const cModule* reader, cModule* cpu, const char* task)
{
    if (!cpu->hasPar(task))
        reader->error("---> %s has no task timing \"%s\"", cpu->fullPath().c_str(), task);
    return object_at<TaskTiming>(cpu->par(task).longValue());
}

int int_par(cModule* mod, const char* name)
{
    return static_cast<int>(mod->par(name).longValue());
}

} // namespace

ScsiLayer::ScsiLayer(const char* name, cModule* parent, unsigned stackSize) : cSimpleModule(name, parent, stackSize) {}

ScsiLayer::~ScsiLayer()
{
    free_tables();
}

void ScsiLayer::free_tables()
{
    for (IoTable& io : ioTables_)
        for (SioTable& sio : io.sioTable)
            if (sio.cdbPtr != 0) {
                delete_cdb(sio.cdbPtr);
                sio.cdbPtr = 0;
            }
    for (long cdb : retiredCdbs_)
        delete_cdb(cdb);
    retiredCdbs_.clear();
}

cModule* ScsiLayer::find_device()
{
    return parentModule();
}

bool ScsiLayer::port_opens_paths(int)
{
    return true;
}

double ScsiLayer::load_timing(const TaskTiming* task)
{
    return ::load_timing(task, cpuClock_, memClock_);
}

void ScsiLayer::activity()
{
    set_up();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void ScsiLayer::set_up()
{
    root_ = find_root(this);
    device_ = find_device();
    cpu_ = device_->submodule(processor_name());
    if (!cpu_)
        error("---> %s has no processor %s", device_->fullPath().c_str(), processor_name());
    cpuClock_ = cpu_->par("cpuClock").doubleValue();
    memClock_ = cpu_->par("memClock").doubleValue();
    creItPath_ = task_of(this, cpu_, "CRE_IT_PATH");
    rmvItPath_ = task_of(this, cpu_, "RMV_IT_PATH");
    iniScsiIo_ = task_of(this, cpu_, "INI_SCSI_IO");
    iniScsiSio_ = task_of(this, cpu_, "INI_SCSI_SIO");
    comScsiIo_ = task_of(this, cpu_, "COM_SCSI_IO");
    maxCtrlIo_ = int_par(device_, "maxCtrlIo");
    maxRdWrIo_ = int_par(device_, "maxRdWrIo");
    maxTarLun_ = int_par(device_, "maxTarLun");
    nxPortNum_ = int_par(device_, "nxPortNum");
    toLlp_ = findGate("to_llp");
    toIogen_ = findGate("to_iogen");
    simDone_ = &root_->par("simDone");
    ioIdCounter_ = &root_->par("ioId");
    gbIoIdCounter_ = &root_->par("gbIoId");

    itPathNum_ = 0;
    for (int i = 0; i < nxPortNum_; ++i)
        if (port_opens_paths(i))
            itPathNum_ += int_par(device_->submodule("Fc4", i), "maxFcpPair");
    maskCap_ = itPathNum_ * maxTarLun_;
    lunMask_.resize(maskCap_);
    for (LunMaskTable& entry : lunMask_)
        init_lun_mask(&entry);
    maskNum_ = 0;
    ass_lun_mask();
    print_lun_mask();
    init_io_table();
    init_lun_pt();
    openPathNum_ = 0;
    nextIoIdx_ = 0;
    nextRespIdx_ = 0;
    ioOpenScale_ = time_scale_seconds(this, root_, "ioOpenTimeScale");
    write_file_ioopen();
}

void ScsiLayer::init_io_table()
{
    EV << "Initializing IO Table ... ";
    ioTables_.assign(maxCtrlIo_ + maxRdWrIo_, IoTable());
    EV << "Done.\n";
}

void ScsiLayer::init_lun_pt()
{
    EV << "Initializing LUN Path Table ... ";
    pathQueues_.clear();
    lunPaths_.assign(itPathNum_, LunPathTable());
    for (int k = 0; k < itPathNum_; ++k) {
        pathQueues_.push_back(std::make_unique<cQueue>("not_in_use"));
        reset_lun_pt(&lunPaths_[k]);
        lunPaths_[k].queue = pathQueues_[k].get();
    }
    EV << "Done.\n";
}

// ---- The message loop -------------------------------------------------------------------

void ScsiLayer::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case ACK_PROC_REQ:
        delete msg;
        proc_req();
        break;
    case SCSI_RDWR_IO:
        count_arrival(static_cast<unsigned char>(msg->par("ioType").longValue()),
                      static_cast<unsigned long>(msg->par("ioSize").longValue()));
        rdwrIoQue_.insert(msg);
        req_proc_rdwr_io();
        break;
    case SCSI_CTRL_IO:
        ctrlIoQue_.insert(msg);
        req_proc_ctrl_io();
        break;
    case REQ_PROC_RDWR_IO_COST:
        delete msg;
        admit(rdwrIoQue_, openRdWrIo_, admRdWrIo_, maxRdWrIo_, &ScsiLayer::req_proc_rdwr_io);
        break;
    case REQ_PROC_CTRL_IO_COST:
        delete msg;
        admit(ctrlIoQue_, openCtrlIo_, admCtrlIo_, maxCtrlIo_, &ScsiLayer::req_proc_ctrl_io);
        break;
    case REQ_PROC_RDWR_REIO_COST:
        delete msg;
        reissue_next();
        break;
    case SIO_TIME_OUT: {
        int k = 0;
        if (get_iotbl_by_subio(static_cast<std::uint32_t>(msg->par("ioId").longValue()), k))
            req_cpu_proc(msg);
        else
            delete msg;
        break;
    }
    case DEV_DOWN:
    case CREATE_IT_PATH:
    case REMOVE_IT_PATH:
    case CMD_COMP_RECVD: req_cpu_proc(msg); break;
    case FREE_LUNPT_SIO: take_free_lunpt_sio(msg); break;
    case RM_CDB: take_rm_cdb(msg); break;
    case NEXT_STAT:
        delete msg;
        write_file_ioopen();
        break;
    default: take_cost(msg); break;
    }
}

// The processing-cost messages that end a processor task's wait.
void ScsiLayer::take_cost(cMessage* cost)
{
    switch (cost->kind()) {
    case GEN_SIO_COST: gen_scsi_subio(cost); return; // re-armed or deleted there
    case CREATE_IT_PATH_COST: create_it_path(cost); break;
    case REMOVE_IT_PATH_COST:
        remove_it_path(static_cast<int>(cost->par("initiator").longValue()),
                       static_cast<int>(cost->par("target").longValue()));
        resche_pt_io(static_cast<int>(cost->par("initiator").longValue()),
                     static_cast<int>(cost->par("target").longValue()));
        schedule_cost(new cMessage("REQ_PROC_RDWR_REIO_COST", REQ_PROC_RDWR_REIO_COST, 0), 2e-7);
        break;
    case DEV_DOWN_COST:
        proc_dev_down(static_cast<int>(cost->par("initiator").longValue()));
        schedule_cost(new cMessage("REQ_PROC_RDWR_REIO_COST", REQ_PROC_RDWR_REIO_COST, 0), 2e-7);
        break;
    case PROC_CMD_COMP_COST: {
        auto* comp = static_cast<CmdCompRecvd*>(unwrap(cost, "---> PROC_CMD_COMP_COST should encapsulate message"));
        if (proc_cmd_comp(comp, cost)) {
            comp_cpu_proc();
            delete comp;
        } else {
            EV << "CMD_COMP_RECVD keeps working w/o releasing CPU ... \n";
        }
        break;
    }
    case OPEN_LUN_PATH_COST: {
        cMessage* comp = unwrap(cost, "---> OPEN_LUN_PATH_COST should encapsulate message");
        open_lun_path(static_cast<CmdCompRecvd*>(comp));
        delete comp;
        break;
    }
    case FILLIN_LUNBLK_COST: {
        cMessage* comp = unwrap(cost, "---> FILLIN_LUNBLK_COST should encapsulate message");
        fillin_lunblk_info(static_cast<CmdCompRecvd*>(comp));
        delete comp;
        break;
    }
    case FILLIN_LUNWWN_COST: {
        const double sioCost = cost->par("thisSioCost").doubleValue();
        cMessage* comp = unwrap(cost, "---> FILLIN_LUNWWN_COST should encapsulate message");
        fillin_lunwwn_info(static_cast<CmdCompRecvd*>(comp), sioCost);
        delete comp;
        break;
    }
    case GEN_SCSI_RDWR_IO_COST:
    case GEN_SCSI_CTRL_IO_COST:
    case GEN_SCSI_RDWR_REIO_COST: {
        const char* text =
            cost->kind() == GEN_SCSI_RDWR_IO_COST   ? "---> GEN_SCSI_RDWR_IO_COST should encapsulate message"
            : cost->kind() == GEN_SCSI_CTRL_IO_COST ? "---> GEN_SCSI_CTRL_IO_COST should encapsulate message"
                                                    : "---> GEN_SCSI_RDWR_REIO_COST should encapsulate message";
        cMessage* io = unwrap(cost, text);
        pre_proc_scsi_io(io);
        delete io;
        break;
    }
    case SIO_TIME_OUT_COST: {
        cMessage* timeout = unwrap(cost, "---> SIO_TIME_OUT_COST should encapsulate message");
        proc_sio_timeout(timeout);
        delete timeout;
        break;
    }
    default: {
        const std::string name = cost->name();
        delete cost;
        error("---> No idea know how to handle message: %s", name.c_str());
    }
    }
    // A cost message that carried its cause is empty by now; the others
    // end here too, except a command completion kept for a follow-up.
    delete cost;
}

// Takes the message a cost message carries; the cost message stays with the
// caller.
cMessage* ScsiLayer::unwrap(cMessage* cost, const char* missingText)
{
    cMessage* inner = cost->decapsulate();
    if (!inner) {
        delete cost;
        error("%s", missingText);
    }
    return inner;
}

void ScsiLayer::schedule_cost(cMessage* cost, double delay)
{
    cost->setLength(0);
    scheduleAt(simTime() + delay, cost);
}

void ScsiLayer::admit(cQueue& queue, int open, int& admitted, int limit, void (ScsiLayer::*again)())
{
    if (queue.empty() || open + admitted >= limit)
        return;
    req_cpu_proc(static_cast<cMessage*>(queue.pop()));
    ++admitted;
    (this->*again)();
}

void ScsiLayer::reissue_next()
{
    if (rdwrIoReschQue_.empty()) {
        comp_cpu_proc();
        return;
    }
    req_cpu_proc(static_cast<cMessage*>(rdwrIoReschQue_.pop()));
    schedule_cost(new cMessage("REQ_PROC_RDWR_REIO_COST", REQ_PROC_RDWR_REIO_COST, 0), 2e-7);
}

void ScsiLayer::req_proc_rdwr_io()
{
    schedule_cost(new cMessage("REQ_PROC_RDWR_IO_COST", REQ_PROC_RDWR_IO_COST, 0), 2e-7);
}

void ScsiLayer::req_proc_ctrl_io()
{
    schedule_cost(new cMessage("REQ_PROC_CTRL_IO_COST", REQ_PROC_CTRL_IO_COST, 0), 2e-7);
}

// ---- The processor handshake ------------------------------------------------------------

void ScsiLayer::req_cpu_proc(cMessage* msg)
{
    reqQue_.insert(msg);
    send(new cMessage("REQ_CPU_PROC", REQ_CPU_PROC, 0), toLlp_);
}

void ScsiLayer::comp_cpu_proc()
{
    ++cpuReleases_;
    send(new cMessage("COMP_CPU_PROC", COMP_CPU_PROC, 0), toLlp_);
}

void ScsiLayer::proc_req()
{
    if (reqQue_.empty())
        error("proc_req : Expected REQ_QUE not empty");
    auto* head = static_cast<cMessage*>(reqQue_.pop());
    ++cpuGrants_;
    auto wrap = [&](const char* name, int kind, double delay) {
        auto* cost = new cMessage(name, kind, 0);
        cost->encapsulate(head);
        schedule_cost(cost, delay);
    };
    auto path_cost = [&](const char* name, int kind, const TaskTiming* task) {
        auto* cost = new cMessage(name, kind, 0);
        cost->addPar("initiator").setLongValue(head->par("fc4Index").longValue());
        if (kind != DEV_DOWN_COST)
            cost->addPar("target").setLongValue(head->par("fcpIndex").longValue());
        if (kind == CREATE_IT_PATH_COST)
            for (const char* name : {"iniAddrId", "tarAddrId", "recTov", "maxSioTry"})
                cost->addPar(name).setLongValue(head->par(name).longValue());
        delete head;
        schedule_cost(cost, load_timing(task));
    };
    switch (head->kind()) {
    case SCSI_RDWR_IO: wrap("GEN_SCSI_RDWR_IO_COST", GEN_SCSI_RDWR_IO_COST, load_timing(iniScsiIo_)); break;
    case SCSI_CTRL_IO: wrap("GEN_SCSI_CTRL_IO_COST", GEN_SCSI_CTRL_IO_COST, load_timing(iniScsiIo_)); break;
    case SCSI_RDWR_RE_IO: wrap("GEN_SCSI_RDWR_REIO_COST", GEN_SCSI_RDWR_REIO_COST, load_timing(iniScsiIo_)); break;
    case DEV_DOWN: path_cost("DEV_DOWN_COST", DEV_DOWN_COST, rmvItPath_); break;
    case REMOVE_IT_PATH: path_cost("REMOVE_IT_PATH_COST", REMOVE_IT_PATH_COST, rmvItPath_); break;
    case CREATE_IT_PATH: path_cost("CREATE_IT_PATH_COST", CREATE_IT_PATH_COST, creItPath_); break;
    case SIO_TIME_OUT: wrap("SIO_TIME_OUT_COST", SIO_TIME_OUT_COST, 3e-7); break;
    case CMD_COMP_RECVD: wrap("PROC_CMD_COMP_COST", PROC_CMD_COMP_COST, load_timing(comScsiIo_)); break;
    default: {
        const std::string name = head->name();
        delete head;
        error("---> : proc_req does not know how to handle %s", name.c_str());
    }
    }
}

// ---- Command blocks ---------------------------------------------------------------------

long ScsiLayer::new_cdb(unsigned char cmdCode, unsigned long blkAddr, unsigned long dataLen)
{
    auto* cdb = new ScsiCdb("SCSI_CMD", SCSI_CMD);
    cdb->setCmdCode(cmdCode);
    cdb->setBlkAddr(blkAddr);
    cdb->setDataLen(dataLen);
    ++liveCdbs_;
    return object_address(cdb);
}

void ScsiLayer::delete_cdb(long cdbPtr)
{
    if (cdbPtr == 0)
        return;
    delete object_at<ScsiCdb>(cdbPtr);
    --liveCdbs_;
}

// The block of an abandoned sub-I/O goes at `at`: once its command can no
// longer be waiting to be copied by the FC-4 layer.
void ScsiLayer::retire_cdb(SioTable& sio, simtime_t at)
{
    if (sio.cdbPtr == 0)
        return;
    retiredCdbs_.insert(sio.cdbPtr);
    auto* rm = new cMessage("RM_CDB", RM_CDB, 0);
    rm->addPar("cdbPtr").setLongValue(sio.cdbPtr);
    sio.cdbPtr = 0;
    scheduleAt(at, rm);
}

void ScsiLayer::take_rm_cdb(cMessage* msg)
{
    const long cdbPtr = msg->par("cdbPtr").longValue();
    delete msg;
    if (cdbPtr != 0 && retiredCdbs_.erase(cdbPtr))
        delete_cdb(cdbPtr);
    ++rmCdbNum_;
}

// ---- Logs ---------------------------------------------------------------------------------

void ScsiLayer::warnings(LogKind kind, const std::string& text)
{
    ::warnings(this, kind, text, OpenFailText::QUOTED);
}

void ScsiLayer::iofail(const char* ioName, long ioIdx, long sioIdx, long ioId, const std::string& event)
{
    ::iofail(this, "SioIdx", {ioName, ioIdx, sioIdx, ioId, event});
}

void ScsiLayer::finish()
{
    write_waiting_resp_rows();
    write_scsi_finish();
    for (OutputStream* file : {&ioOpenFile_, &pathTblFile_, &actvPathFile_, &ioRespFile_})
        file->finish();
}

namespace {

const sDescrItem scsiLayerItems[] = {{'M', "default", nullptr, 0},    {'G', "from_iogen", nullptr, 'I'},
                                     {'G', "to_iogen", nullptr, 'O'}, {'G', "from_llp", nullptr, 'I'},
                                     {'G', "to_llp", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(ScsiLayer, scsiLayerItems);
Define_Module(ScsiLayer, 16384);
