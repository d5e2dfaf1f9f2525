// The I/O engine of the SCSI initiator: admission, I/O tables, sub-I/Os of
// at most 64 KiB handed out within each path's concurrency, time-outs with
// abort and retry, abort of a whole I/O after too many tries, and completion.

#include <algorithm>

#include "host/ScsiLayer.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"

namespace {

constexpr unsigned long SUB_IO_BYTES = 65536;

bool is_read_or_write(unsigned char cmdCode)
{
    return cmdCode == SCSI_READ || cmdCode == SCSI_WRITE;
}

long cdb_length(const cModule* mod, unsigned char cmdCode)
{
    switch (cmdCode) {
    case SCSI_INQUIRY:
    case SCSI_MODSNS: return 6;
    case SCSI_WRITE:
    case SCSI_READ: return 16;
    case SCSI_RPTLUNS: return 12;
    default: mod->error("---> gen_scsi_subio : UNKNOWN SCSI Command");
    }
}

} // namespace

// ---- I/O tables ---------------------------------------------------------------------------

void ScsiLayer::reset_io_table(IoTable* io)
{
    *io = IoTable();
}

IoTable* ScsiLayer::new_io_table()
{
    for (IoTable& io : ioTables_)
        if (!io.open) {
            reset_io_table(&io);
            return &io;
        }
    return nullptr;
}

IoTable* ScsiLayer::get_io_table(long gbIoId)
{
    for (IoTable& io : ioTables_)
        if (io.open && io.gbIoId == gbIoId)
            return &io;
    return nullptr;
}

IoTable* ScsiLayer::get_iotbl_by_subio(std::uint32_t ioId, int& sioIndex)
{
    for (IoTable& io : ioTables_) {
        if (!io.open || !io.sioAlloc)
            continue;
        for (size_t k = 0; k < io.sioTable.size(); ++k)
            if (io.sioTable[k].active && io.sioTable[k].ioId == ioId) {
                sioIndex = static_cast<int>(k);
                return &io;
            }
    }
    return nullptr;
}

void ScsiLayer::init_sio_table(IoTable* io, double recTov, int maxTry, long sioNum)
{
    SioTable fresh;
    fresh.maxTry = maxTry;
    fresh.recTov = recTov;
    io->sioTable.assign(sioNum, fresh);
    io->sioAlloc = true;
}

void ScsiLayer::print_an_iotbl(const IoTable* io)
{
    EV << "CMD\tGioId\tIoIdx\tLUN\tsTime\teTime\tSioN\tSioD\tOPEN\tIni\tTar\tLUN_WWN\tIoGenID\n";
    EV << static_cast<int>(io->cmdCode) << "\t" << io->gbIoId << "\t" << io->ioIdx << "\t" << io->lun << "\t"
       << io->sTime << "\t" << io->eTime << "\t" << io->sioNum() << "\t" << io->sioDone << "\t" << io->open << "\t"
       << io->initiator << "\t" << io->target << "\t" << io->lunWwn << "\t" << io->ioGenId << "\n";
    EV << "IOID\tACTIVE\tsTime\tfcpStime\teTime\ttotalTry\tmaxTry\n";
    for (const SioTable& sio : io->sioTable)
        EV << sio.ioId << "\t" << sio.active << "\t" << sio.sTime << "\t" << sio.fcpStime << "\t" << sio.eTime << "\t"
           << sio.totalTry << "\t" << sio.maxTry << "\n";
}

LunPathTable* ScsiLayer::path_of(const IoTable* io)
{
    return get_lun_pt(io->initiator, io->target);
}

std::uint32_t ScsiLayer::take_io_id()
{
    return static_cast<std::uint32_t>(take_a_number(*ioIdCounter_));
}

IoStatCounters& ScsiLayer::stats_of(unsigned char cmdCode)
{
    return cmdCode == SCSI_READ ? rdStat_ : wrStat_;
}

void ScsiLayer::count_arrival(unsigned char ioType, unsigned long ioSize)
{
    IoStatCounters& stat = stats_of(ioType);
    ++stat.req;
    ++stat.reqInt;
    stat.sizeInt += static_cast<std::int64_t>(ioSize);
    ++stat.wait;
}

// ---- Starting an I/O ----------------------------------------------------------------------

void ScsiLayer::pre_proc_scsi_io(cMessage* msg)
{
    switch (msg->kind()) {
    case SCSI_RDWR_IO:
    case SCSI_RDWR_RE_IO: {
        const std::string lunWwn = msg->par("lunWwn").stringValue();
        int index = 0;
        LunPathTable* path = find_active_tarlun(lunWwn, index);
        const int initiator = path ? path->initiator : -1;
        const int target = path ? path->target : -1;
        const unsigned long lun = path ? path->tarLuns[index].lunId : 0;
        IoTable* io = msg->hasPar("thisIoTbl") ? object_at<IoTable>(msg->par("thisIoTbl").longValue()) : nullptr;
        gen_scsi_io(initiator, target, lun, static_cast<unsigned char>(msg->par("ioType").longValue()), path,
                    msg->par("sTime").doubleValue(), msg->par("ioGenId").longValue(), lunWwn,
                    static_cast<unsigned long>(msg->par("blkAddr").longValue()),
                    static_cast<unsigned long>(msg->par("ioSize").longValue()), io);
        break;
    }
    case SCSI_CTRL_IO: {
        int initiator = static_cast<int>(msg->par("initiator").longValue());
        int target = static_cast<int>(msg->par("target").longValue());
        unsigned long lun = static_cast<unsigned long>(msg->par("lun").longValue());
        LunPathTable* path = get_lun_pt(initiator, target);
        // A path opened anew for the pair is not the one the I/O was made for.
        if (path && path->opening != msg->par("pathOpening").longValue())
            path = nullptr;
        if (!path) {
            warn_of_removed_path(msg);
            initiator = target = -1;
            lun = 0;
        }
        gen_scsi_io(initiator, target, lun, static_cast<unsigned char>(msg->par("cmdCode").longValue()), path,
                    msg->par("sTime").doubleValue(), -1, "NULL", 0, 0, nullptr);
        break;
    }
    default: error("---> pre_proc_scsi_io : No idea know how to handle %s", msg->name());
    }
}

void ScsiLayer::gen_scsi_io(int initiator, int target, unsigned long lun, unsigned char cmdCode, LunPathTable* path,
                            double sTime, long ioGenId, const std::string& lunWwn, unsigned long blkAddr,
                            unsigned long dataLen, IoTable* io)
{
    EV << "Initiating a SCSI IO ... \n";
    if (io) {
        if (!io->open)
            error("---> gen_scsi_io : Re-issued IO found no open IO Table");
        if (io->cmdCode != cmdCode)
            error("---> gen_scsi_io: Re-issued IO found cmdCode mismatch");
        if (io->ioGenId != ioGenId)
            error("---> gen_scsi_io : Re-issued IO found ioGenId mismatch");
        if (io->lunWwn != lunWwn)
            error("---> gen_scsi_io : Re-issued IO found LUN_WWN mismatch");
        if (!is_read_or_write(cmdCode))
            error("---> gen_scsi_io : Re-issued IO expected SCSI_READ or SCSI_WRITE");
        if (nextIoIdx_ == 0)
            error("---> gen_scsi_io : Re-issued IO found ioIndex = zero");
    } else {
        io = new_io_table();
        if (!io)
            error("---> gen_scsi_io : unable to allocate a new IO Table ... already got %d IOs opened", openIoNum_);
        io->open = true;
        ++openIoNum_;
        if (is_read_or_write(cmdCode)) {
            ++openRdWrIo_;
            --admRdWrIo_;
            ++stats_of(cmdCode).open;
            --stats_of(cmdCode).wait;
        } else {
            ++openCtrlIo_;
            --admCtrlIo_;
        }
        io->cmdCode = cmdCode;
        io->gbIoId = take_a_number(*gbIoIdCounter_);
        io->sTime = sTime;
        io->ioGenId = ioGenId;
        io->lunWwn = lunWwn;
        io->blkAddr = blkAddr;
        io->dataLen = dataLen;
        if (is_read_or_write(cmdCode))
            io->ioIdx = nextIoIdx_++;
    }
    io->initiator = initiator;
    io->target = target;
    io->lun = lun;
    io->iniAddrId = path ? path->iniAddrId : 0;
    io->tarAddrId = path ? path->tarAddrId : 0;

    if (!path) {
        if (is_read_or_write(cmdCode))
            warn_if_unmasked(io->lunWwn);
        iofail("SCSI_IO", io->ioIdx, -1, -1, "SCSI_IO_ABORT  [IT path(s) unavailable]");
        close_aborted_io(io);
        comp_cpu_proc();
        return;
    }
    long sioNum = 1;
    if (is_read_or_write(cmdCode))
        sioNum = static_cast<long>((dataLen >> 16) + (dataLen % SUB_IO_BYTES != 0 ? 1 : 0));
    else if (cmdCode != SCSI_INQUIRY && cmdCode != SCSI_MODSNS && cmdCode != SCSI_RPTLUNS)
        error("---> gen_scsi_io : UNKNOWN SCSI Command");
    io->sioDone = 0;
    init_sio_table(io, path->recTov, path->maxSioTry, sioNum);

    auto* cost = new cMessage("GEN_SIO_COST", GEN_SIO_COST, 0);
    cost->addPar("initiator").setLongValue(initiator);
    cost->addPar("target").setLongValue(target);
    cost->addPar("lun").setLongValue(static_cast<long>(lun));
    cost->addPar("cmdCode").setLongValue(cmdCode);
    cost->addPar("lunPtPtr").setLongValue(object_address(path));
    cost->addPar("ioTblPtr").setLongValue(object_address(io));
    cost->addPar("thisSioCnt").setLongValue(0);
    cost->addPar("blkAddr").setLongValue(static_cast<long>(blkAddr));
    cost->addPar("dataLen").setLongValue(static_cast<long>(dataLen));
    cost->addPar("leftLen").setLongValue(static_cast<long>(dataLen));
    schedule_cost(cost, load_timing(iniScsiSio_));
}

// ---- Sub-I/Os -----------------------------------------------------------------------------

// Builds sub-I/O thisSioCnt of the I/O from the cost message, which it
// re-arms for the next sub-I/O or deletes.
void ScsiLayer::gen_scsi_subio(cMessage* cost)
{
    auto* path = object_at<LunPathTable>(cost->par("lunPtPtr").longValue());
    auto* io = object_at<IoTable>(cost->par("ioTblPtr").longValue());
    const int k = static_cast<int>(cost->par("thisSioCnt").longValue());
    const unsigned char cmdCode = static_cast<unsigned char>(cost->par("cmdCode").longValue());
    const unsigned long lun = static_cast<unsigned long>(cost->par("lun").longValue());
    const unsigned long blkAddr = static_cast<unsigned long>(cost->par("blkAddr").longValue());
    const unsigned long dataLen = static_cast<unsigned long>(cost->par("dataLen").longValue());
    unsigned long leftLen = static_cast<unsigned long>(cost->par("leftLen").longValue());
    if (k >= io->sioNum()) {
        delete cost;
        error("---> gen_scsi_subio : SubIo data integrity problem");
    }
    const long cdbLength = cdb_length(this, cmdCode);

    unsigned long cdbBlkAddr = 0, cdbDataLen = 0;
    if (is_read_or_write(cmdCode)) {
        if (leftLen == 0)
            error("---> gen_scsi_subio : SCSI IO data integrity problem");
        TarLunTable* entry = get_tar_lun(path, lun);
        if (!entry)
            error("---> gen_scsi_subio : SCSI_READ or SCSI_WRITE cannot get a valid TarLunTbl");
        if (entry->blkSize == 0)
            error("---> gen_scsi_subio : SCSI_READ or SCSI_WRITE lun blkSize <= zero");
        cdbBlkAddr = blkAddr + (dataLen - leftLen) / entry->blkSize;
        cdbDataLen = std::min(leftLen, SUB_IO_BYTES);
        leftLen -= cdbDataLen;
    } else {
        leftLen = 0;
    }

    auto* cmd = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
    cmd->setLength(0);
    cmd->setFc4Index(path->initiator);
    cmd->setFcpIndex(path->target);
    cmd->setLun(static_cast<std::uint32_t>(lun));
    cmd->setIoId(take_io_id());
    const long cdbPtr = new_cdb(cmdCode, cdbBlkAddr, cdbDataLen);
    object_at<ScsiCdb>(cdbPtr)->setLength(cdbLength);
    cmd->setCdbPtr(cdbPtr);
    cmd->setTaskAttr(0);
    cmd->setCrn(0);
    mark_command(cmd);

    SioTable& sio = io->sioTable[k];
    sio.blkAddr = cdbBlkAddr;
    sio.dataLen = cdbDataLen;
    sio.sTime = simTime();
    sio.cdbPtr = cdbPtr;
    sio.ioId = cmd->getIoId();
    sio.active = true;
    ++openSioNum_;
    cmd->addPar("thisSioTbl").setLongValue(object_address(&sio));

    if (sio.totalTry == 0) {
        path->queue->insert(cmd);
        req_sio_out(path);
        ++sio.totalTry;
        if (k + 1 < io->sioNum()) {
            cost->par("thisSioCnt").setLongValue(k + 1);
            cost->par("leftLen").setLongValue(static_cast<long>(leftLen));
            schedule_cost(cost, load_timing(iniScsiSio_));
            return;
        }
        delete cost;
        comp_cpu_proc();
        return;
    }
    delete cost;
    if (sio.totalTry >= sio.maxTry) {
        iofail("SCSI_IO", io->ioIdx, -1, -1, "SCSI_IO_ABORT  [SubIo exceeds maximum retry attempts]");
        delete_cdb(sio.cdbPtr);
        sio.cdbPtr = 0;
        delete cmd;
        sio.active = false;
        --openSioNum_;
        timeout_close_wholeio(io, k);
        return;
    }
    path->queue->insert(cmd);
    req_sio_out(path);
    ++sio.totalTry;
    comp_cpu_proc();
}

void ScsiLayer::req_sio_out(LunPathTable* pt)
{
    if (pt->queue->empty()) {
        warnings(LogKind::WARNING, "req_sio_out() Found Queue Empty, IT Path must have been removed!");
        return;
    }
    if (pt->currSio >= pt->maxSio)
        return;
    auto* cmd = static_cast<SendScsiCmd*>(pt->queue->pop());
    auto* sio = object_at<SioTable>(cmd->par("thisSioTbl").longValue());
    send(cmd, toLlp_);
    occupy_lunpt_sio(pt);
    sio->fcpStime = simTime();
    auto* timeout = new cMessage("SIO_TIME_OUT", SIO_TIME_OUT, 0);
    timeout->addPar("ioId").setLongValue(sio->ioId);
    scheduleAt(simTime() + sio->recTov, timeout);
}

void ScsiLayer::free_lunpt_sio(LunPathTable* pt)
{
    if (--pt->currSio < 0)
        error("---> free_lunpt_sio : LUN Path Table cannot have minus value of currSio");
}

void ScsiLayer::occupy_lunpt_sio(LunPathTable* pt)
{
    if (++pt->currSio > pt->maxSio)
        error("---> occupy_lunpt_sio : LUN Path Table cannot have currSio larger than %ld", pt->maxSio);
}

void ScsiLayer::take_free_lunpt_sio(cMessage* msg)
{
    LunPathTable* pt = get_lun_pt(static_cast<int>(msg->par("initiator").longValue()),
                                  static_cast<int>(msg->par("target").longValue()));
    delete msg;
    if (!pt)
        error("---> Found no requested LUN PT for free_lunpt_sio");
    free_lunpt_sio(pt);
    if (!pt->queue->empty())
        req_sio_out(pt);
}

// ---- Time-outs and aborts -----------------------------------------------------------------

void ScsiLayer::send_subio_abort(const IoTable* io, const SioTable& sio)
{
    auto* abort = new cMessage("REQ_ABT_SIO", REQ_ABT_SIO, 0);
    abort->addPar("ioId").setLongValue(sio.ioId);
    abort->addPar("initiator").setLongValue(io->initiator);
    abort->addPar("target").setLongValue(io->target);
    send(abort, toLlp_);
    abortedSios_[sio.ioId] = {io->initiator, io->target, io->cmdCode};
}

// Gives up an outstanding sub-I/O of `io`. One still waiting in its path's
// queue never reached the FC-4 layer: its command and block go at once. One
// handed out is aborted at the target, and its block kept until its time-out
// has passed once more.
void ScsiLayer::abandon_subio(IoTable* io, SioTable& sio, bool abortAtTarget)
{
    if (sio.fcpStime < 0) {
        if (LunPathTable* pt = path_of(io))
            for (cObject* obj : *pt->queue) {
                auto* cmd = static_cast<cMessage*>(obj);
                if (cmd->par("thisSioTbl").longValue() == object_address(&sio)) {
                    delete pt->queue->remove(cmd);
                    break;
                }
            }
        delete_cdb(sio.cdbPtr);
        sio.cdbPtr = 0;
    } else {
        if (abortAtTarget)
            send_subio_abort(io, sio);
        retire_cdb(sio, simTime() + sio.recTov);
    }
    sio.ioId = NO_IO_ID;
    sio.active = false;
    --openSioNum_;
}

void ScsiLayer::proc_sio_timeout(cMessage* timeout)
{
    int k = 0;
    IoTable* io = get_iotbl_by_subio(static_cast<std::uint32_t>(timeout->par("ioId").longValue()), k);
    if (!io) {
        comp_cpu_proc();
        return;
    }
    SioTable& sio = io->sioTable[k];
    iofail("SUB_IO", io->ioIdx, k, sio.ioId, "SUB_IO_TIMEOUT [No." + std::to_string(sio.totalTry) + "]");
    LunPathTable* path = path_of(io);
    if (!path)
        error("---> proc_sio_timeout : Re-schedule SubIo should have a valid LUN PT ready");
    if (!sio.active)
        error("---> proc_sio_timeout : before re-scheduling a SubIo, the old one must be active");
    abandon_subio(io, sio, true);

    sio.sTime = sio.fcpStime = sio.eTime = -1;
    const unsigned long blkAddr = sio.blkAddr;
    const unsigned long dataLen = sio.dataLen;
    sio.blkAddr = sio.dataLen = 0;
    auto* retry = new cMessage("GEN_SIO_COST", GEN_SIO_COST, 0);
    retry->addPar("initiator").setLongValue(io->initiator);
    retry->addPar("target").setLongValue(io->target);
    retry->addPar("lun").setLongValue(static_cast<long>(io->lun));
    retry->addPar("cmdCode").setLongValue(io->cmdCode);
    retry->addPar("lunPtPtr").setLongValue(object_address(path));
    retry->addPar("ioTblPtr").setLongValue(object_address(io));
    retry->addPar("thisSioCnt").setLongValue(k);
    retry->addPar("blkAddr").setLongValue(static_cast<long>(blkAddr));
    retry->addPar("dataLen").setLongValue(static_cast<long>(dataLen));
    retry->addPar("leftLen").setLongValue(static_cast<long>(dataLen));
    gen_scsi_subio(retry);
}

void ScsiLayer::timeout_close_wholeio(IoTable* io, int keep)
{
    for (size_t k = 0; k < io->sioTable.size(); ++k)
        if (static_cast<int>(k) != keep && io->sioTable[k].active)
            abandon_subio(io, io->sioTable[k], true);
    close_aborted_io(io);
    comp_cpu_proc();
}

// Closes an I/O that ends without success; the processor stays held.
void ScsiLayer::close_aborted_io(IoTable* io)
{
    io->sioTable.clear();
    io->sioAlloc = false;
    io->sioDone = 0;
    io->aborted = true;
    ++ioAbrtNum_;
    --openIoNum_;
    if (is_read_or_write(io->cmdCode)) {
        IoStatCounters& stat = stats_of(io->cmdCode);
        ++stat.abrt;
        ++stat.abrtInt;
        --stat.open;
        --openRdWrIo_;
        req_proc_rdwr_io();
        write_file_ioresp(io);
    } else {
        --openCtrlIo_;
        req_proc_ctrl_io();
    }
    reset_io_table(io);
}

// ---- Completion ---------------------------------------------------------------------------

bool ScsiLayer::proc_cmd_comp(CmdCompRecvd* comp, cMessage*)
{
    EV << "Processing Command Complete Received ... \n";
    const std::uint32_t ioId = comp->getIoId();
    int k = 0;
    IoTable* io = get_iotbl_by_subio(ioId, k);
    if (!io) {
        auto late = abortedSios_.find(ioId);
        if (late != abortedSios_.end()) {
            // The exchange of a write ends with its response, so its abort
            // found nothing to free: the slot is freed here.
            if (late->second.cmdCode == SCSI_WRITE) {
                auto* free = new cMessage("FREE_LUNPT_SIO", FREE_LUNPT_SIO, 0);
                free->addPar("initiator").setLongValue(late->second.initiator);
                free->addPar("target").setLongValue(late->second.target);
                scheduleAt(simTime(), free);
            }
            abortedSios_.erase(late);
        }
        return true;
    }
    SioTable& sio = io->sioTable[k];
    sio.eTime = simTime();
    sio.active = false;
    --openSioNum_;
    ++sioCompNum_;
    if (io->cmdCode == SCSI_READ)
        ++rdSioComp_;
    else if (io->cmdCode == SCSI_WRITE)
        ++wrSioComp_;
    const double sioCost = sio.eTime - sio.fcpStime;
    delete_cdb(sio.cdbPtr);
    sio.cdbPtr = 0;
    if (sio.maxTry < sio.totalTry)
        error("---> proc_cmd_comp : SubIo completion found totalTry exceeding maxTry");

    const unsigned char cmdCode = io->cmdCode;
    const int fc4Index = comp->getFc4Index(), fcpIndex = comp->getFcpIndex();
    const std::uint32_t lun = comp->getLun();
    bool release = true;
    if (++io->sioDone == io->sioNum()) {
        io->eTime = simTime();
        io->open = false;
        --openIoNum_;
        ++ioCompNum_;
        if (!io->sioAlloc)
            error("--->proc_cmd_comp : Fatal Error for SioTable Allocation Flag");
        io->sioTable.clear();
        io->sioAlloc = false;
        auto follow_up = [&](const char* name, int kind) {
            auto* cost = new cMessage(name, kind, 0);
            if (kind == FILLIN_LUNWWN_COST)
                cost->addPar("thisSioCost").setDoubleValue(sioCost);
            cost->encapsulate(comp);
            schedule_cost(cost, 5e-7);
            release = false;
        };
        if (is_read_or_write(cmdCode)) {
            --openRdWrIo_;
            req_proc_rdwr_io();
            IoStatCounters& stat = stats_of(cmdCode);
            ++stat.succ;
            ++stat.succInt;
            --stat.open;
            write_file_ioresp(io);
        } else {
            --openCtrlIo_;
            req_proc_ctrl_io();
            switch (cmdCode) {
            case SCSI_INQUIRY: follow_up("FILLIN_LUNWWN_COST", FILLIN_LUNWWN_COST); break;
            case SCSI_MODSNS: follow_up("FILLIN_LUNBLK_COST", FILLIN_LUNBLK_COST); break;
            case SCSI_RPTLUNS: follow_up("OPEN_LUN_PATH_COST", OPEN_LUN_PATH_COST); break;
            default: error("---> proc_cmd_comp : UNKNOW SCSI Command [%xd] for proc_cmd_comp()", cmdCode);
            }
        }
        reset_io_table(io);
    }

    if (cmdCode == SCSI_WRITE) {
        auto* free = new cMessage("FREE_LUNPT_SIO", FREE_LUNPT_SIO, 0);
        free->addPar("initiator").setLongValue(fc4Index);
        free->addPar("target").setLongValue(fcpIndex);
        scheduleAt(simTime(), free);
    } else {
        auto* conf = new CmdCompConf("CMD_COMP_CONF", CMD_COMP_CONF);
        conf->setLength(0);
        conf->setFc4Index(fc4Index);
        conf->setFcpIndex(fcpIndex);
        conf->setLun(lun);
        conf->setIoId(ioId);
        send(conf, toLlp_);
    }
    return release;
}
