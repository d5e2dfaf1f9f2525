#include "array/LunController.h"

#include <fstream>

#include "device/FileNameString.h"
#include "device/TaskTiming.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"

// The SCSI target flows of a LUN: admission and queueing, block requests,
// discovery answers, responses, aborts and path loss.

namespace {

constexpr double LOOKUP_COST = 2e-7;
constexpr double ANSWER_COST = 5e-7;
constexpr double BLOCK_REQUEST_GAP = 3e-7;
constexpr double NEXT_LUNIO_DELAY = 1e-7;

void add(cPar* counter, long delta)
{
    if (counter)
        counter->setLongValue(counter->longValue() + delta);
}

LunIoTable* entry_of(cMessage* cost)
{
    return object_at<LunIoTable>(cost->par("lunIoTbl").longValue());
}

unsigned long blocks_for(unsigned long bytes, unsigned long blkSize)
{
    return bytes / blkSize + (bytes % blkSize ? 1 : 0);
}

} // namespace

void LunController::activity()
{
    start_up();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        if (active_)
            handle(msg);
        else
            handle_inactive(msg);
    }
}

void LunController::finish()
{
    ioOpenFile_.finish();
    warn_of_uncopied_writes();
}

void LunController::handle_inactive(cMessage* msg)
{
    switch (msg->kind()) {
    case DEV_DOWN:
    case REMOVE_IT_PATH:
        discard_message(msg);
        release_resource();
        return;
    case RMT_IO_GEN_RDY: discard_message(msg); return;
    default: fail(msg, "---> Inactive LUN CTRL cannot receive message %s");
    }
}

void LunController::handle(cMessage* msg)
{
    HeldMessage<cMessage> held(msg);
    switch (msg->kind()) {
    case SCSI_CMD_RECVD: take_command(static_cast<ScsiCmdRecvd*>(held.release())); break;
    case DATA_OUT_RECVD: scsi_write_frag(static_cast<DataOutRecvd*>(msg)); break;
    case REQ_CMD_COMP:
    case COMP_CONF_RECVD: schedule_cost("LOOKUP_LUNIO_COST", LOOKUP_LUNIO_COST, LOOKUP_COST, held.release()); break;
    case ACK_PROC_NEXT_LUNIO: ack_proc_next_lunio(); break;
    case COMP_BLK_READ:
        schedule_cost("COMP_BLK_READ_COST", COMP_BLK_READ_COST, load_timing(comBlkRd_, cpuClock_, memClock_),
                      held.release());
        break;
    case COMP_BLK_WRITE:
        schedule_cost("COMP_BLK_WRITE_COST", COMP_BLK_WRITE_COST, load_timing(comBlkWr_, cpuClock_, memClock_),
                      held.release());
        break;
    case ABORT_LUNIO: abort_lunio(msg); break;
    case DEV_DOWN:
    case REMOVE_IT_PATH:
        schedule_cost("REMOVE_LUNIO_COST", REMOVE_LUNIO_COST, load_timing(rmvLunIo_, cpuClock_, memClock_),
                      held.release());
        break;
    case RMT_IO_GEN_RDY: rmt_io_gen_rdy(msg); break;
    case REMOVE_LUNIO_COST: proc_remove_lunio(msg); break;
    case LOOKUP_LUNIO_COST: proc_lunio_lookup(msg); break;
    case GET_LUN_LIST_COST: collect_lun_list(msg); break;
    case GET_LUN_WWN_COST: collect_lun_wwn(msg); break;
    case GET_LUN_BLK_COST: collect_lun_blk(msg); break;
    case SCSI_READ_SEG_COST:
    case REQ_BLK_READ_COST: req_blk_read(msg); break;
    case SCSI_WRITE_SEG_COST:
    case REQ_BLK_WRITE_COST: req_blk_write(msg); break;
    case COMP_BLK_READ_COST: proc_blkrd_comp(msg); break;
    case COMP_BLK_WRITE_COST: proc_blkwr_comp(msg); break;
    case RM_PTR: {
        const long name = msg->par("filePtr").longValue();
        if (name && answerNames_.erase(name))
            free_file_name_string(name);
        break;
    }
    case NEXT_STAT: write_file_ioopen(); break;
    default: fail(held.release(), "---> No idea know how to handle message: %s");
    }
}

// ---- Admission -----------------------------------------------------------------

void LunController::take_command(ScsiCmdRecvd* cmd)
{
    const ScsiCdb& cdb = *object_at<ScsiCdb>(cmd->getCdbPtr());
    // LUN 0 has neither blocks nor disks to carry data to or from.
    if (lunId_ == 0 && (cdb.getCmdCode() == SCSI_READ || cdb.getCmdCode() == SCSI_WRITE)) {
        const int code = cdb.getCmdCode();
        discard_message(cmd);
        error("---> scsi_cmd_recvd : LUN_CTRL[0] (LUN0) has no disks and cannot serve SCSI Command: %d. Reads and "
              "writes must address a LUN of section [6]",
              code);
    }
    lunIoQue_.insert(cmd);
    if (Direction* d = direction_of(cdb.getCmdCode())) {
        add(d->req, 1);
        add(d->wait, 1);
        ++d->intReq;
        d->intBytes += cdb.getDataLen();
    }
    if (cdb.getCmdCode() == SCSI_WRITE && !cmd->hasPar("xcopy"))
        mirror_write(cdb);
    if (openLunIoNum_ < conCurrLunIo_)
        start_oldest_command();
    else
        release_resource();
}

void LunController::start_oldest_command()
{
    scsi_cmd_recvd(static_cast<ScsiCmdRecvd*>(lunIoQue_.pop()));
}

void LunController::scsi_cmd_recvd(ScsiCmdRecvd* cmd)
{
    EV << "SCSI command received ... ";
    HeldMessage<ScsiCmdRecvd> held(cmd);
    LunIoTable* entry = getnew_lunio_table();
    if (!entry)
        error("---> scsi_cmd_recvd : LUN_CTRL[%d] found no free LUN IO Table", lunId_);
    const ScsiCdb& cdb = *object_at<ScsiCdb>(cmd->getCdbPtr());
    entry->chipId = static_cast<unsigned>(cmd->par("chipId").longValue());
    entry->fc4Index = static_cast<unsigned>(cmd->getFc4Index());
    entry->fcpIndex = static_cast<unsigned>(cmd->getFcpIndex());
    entry->ioId = cmd->getIoId();
    entry->taskAttr = cmd->getTaskAttr();
    entry->crn = cmd->getCrn();
    entry->recTov = static_cast<double>(cmd->par("recTov").longValue()) / 1000.0;
    entry->cmdCode = cdb.getCmdCode();
    entry->blkAddr = cdb.getBlkAddr();
    entry->dataLen = cdb.getDataLen();
    entry->inUse = true;
    if (Direction* d = direction_of(entry->cmdCode)) {
        add(d->wait, -1);
        add(d->open, 1);
    }
    ++openLunIoNum_;
    const bool rdwr = entry->cmdCode == SCSI_READ || entry->cmdCode == SCSI_WRITE;
    entry->wrData = entry->cmdCode == SCSI_WRITE;
    entry->rdData = !entry->wrData;
    entry->blkIoNum = rdwr ? static_cast<unsigned>(blocks_for(entry->dataLen, blkSize_)) : 0;
    entry->blkIoComp = 0;
    // The command block is the target engine's; only the primitive is ours.
    held.reset();
    switch (entry->cmdCode) {
    case SCSI_WRITE: proc_write_req(entry); break;
    case SCSI_INQUIRY: schedule_entry_cost("GET_LUN_WWN_COST", GET_LUN_WWN_COST, ANSWER_COST, entry); break;
    case SCSI_MODSNS: schedule_entry_cost("GET_LUN_BLK_COST", GET_LUN_BLK_COST, ANSWER_COST, entry); break;
    case SCSI_READ: scsi_read_frag(entry); break;
    case SCSI_RPTLUNS: schedule_entry_cost("GET_LUN_LIST_COST", GET_LUN_LIST_COST, ANSWER_COST, entry); break;
    default: error("scsi_cmd_recvd : LUN_CTRL[%d] cannot handle SCSI Command: %d", lunId_, entry->cmdCode);
    }
}

void LunController::req_proc_next_lunio()
{
    if (lunIoQue_.empty())
        return;
    auto* req = new cMessage("REQ_PROC_NEXT_LUNIO", REQ_PROC_NEXT_LUNIO, 0);
    req->addPar("lunCtrlIdx").setLongValue(lunId_);
    sendDelayed(req, NEXT_LUNIO_DELAY, toCpu_);
}

void LunController::ack_proc_next_lunio()
{
    if (openLunIoNum_ < conCurrLunIo_ && !lunIoQue_.empty())
        start_oldest_command();
    else
        release_resource();
}

void LunController::release_resource()
{
    send(new cMessage("NEXT_MSG", NEXT_MSG, 0), toCpu_);
}

// ---- Reads and writes ---------------------------------------------------------

void LunController::scsi_read_frag(LunIoTable* entry)
{
    EV << "Fragmenting SCSI_READ into block IOs ... ";
    schedule_seg_cost("SCSI_READ_SEG_COST", SCSI_READ_SEG_COST, load_timing(scsiRdSeg_, cpuClock_, memClock_), entry,
                      entry->dataLen, 0);
    EV << "Done.\n";
}

void LunController::proc_write_req(LunIoTable* entry)
{
    EV << "Requesting RECEIVE DATA-OUT ... ";
    auto* rdo = new RecvDataOut("RECV_DATA_OUT", RECV_DATA_OUT);
    rdo->setLength(0);
    rdo->setFc4Index(static_cast<int>(entry->fc4Index));
    rdo->setFcpIndex(static_cast<int>(entry->fcpIndex));
    rdo->setLun(static_cast<uint32_t>(lunId_));
    rdo->setIoId(entry->ioId);
    rdo->setChipId(static_cast<int>(entry->chipId));
    rdo->setDataRo(0);
    rdo->setBurstLen(entry->dataLen);
    send(rdo, toCpu_);
    EV << "Done.\n";
    release_resource();
}

void LunController::scsi_write_frag(DataOutRecvd* data)
{
    EV << "Fragmenting SCSI_WRITE into block IOs ... ";
    LunIoTable* entry = query_lunio_table(data->getIoId());
    if (entry) {
        if (data->getBurstLen() != entry->dataLen)
            error("---> scsi_write_frag : DataOutRecvd found inconsistent burstLen");
        schedule_seg_cost("SCSI_WRITE_SEG_COST", SCSI_WRITE_SEG_COST, load_timing(scsiWrSeg_, cpuClock_, memClock_),
                          entry, entry->dataLen, 0);
    } else {
        EV << "WARNING: DataOutRecvd Cannot get the LUN IO Table with ioId " << data->getIoId() << "\n";
        release_resource();
    }
    EV << "Done.\n";
}

void LunController::req_blk_read(cMessage* cost)
{
    next_segment(cost, false);
}

void LunController::req_blk_write(cMessage* cost)
{
    next_segment(cost, true);
}

// One step of cutting a command into block requests: a block request and the
// next step 3e-7 s later, or, once no data is left, the check that every
// block was asked for.
void LunController::next_segment(cMessage* cost, bool write)
{
    LunIoTable* entry = entry_of(cost);
    const auto resData = static_cast<unsigned long>(cost->par("resData").longValue());
    const auto segCnt = static_cast<unsigned long>(cost->par("segCnt").longValue());
    if (resData == 0) {
        if (segCnt != entry->blkIoNum)
            error(write ? "---> req_blk_write : Segmentation count inconsistent with expected block IO number"
                        : "---> req_blk_read : segmentation count inconsistent with expected block IO number");
        EV << "Done.\n";
        release_resource();
        return;
    }
    EV << (write ? "Requesting Block WRITE IO ... " : "Requesting Block READ IO ... ");
    send_block_request(entry, write, segCnt);
    const unsigned long left = resData <= blkSize_ ? 0 : resData - blkSize_;
    if (write)
        schedule_seg_cost("REQ_BLK_WRITE_COST", REQ_BLK_WRITE_COST, BLOCK_REQUEST_GAP, entry, left, segCnt + 1);
    else
        schedule_seg_cost("REQ_BLK_READ_COST", REQ_BLK_READ_COST, BLOCK_REQUEST_GAP, entry, left, segCnt + 1);
}

void LunController::send_block_request(LunIoTable* entry, bool write, unsigned long segCnt)
{
    // The mapping may end the run, so it comes before the request exists.
    const unsigned long lunBlk = entry->blkAddr + segCnt;
    LunBlkLocAnx* loc = construct_locanx_msg(lunBlk);
    auto* io = write ? new LunBlkIo("REQ_BLK_WRITE", REQ_BLK_WRITE) : new LunBlkIo("REQ_BLK_READ", REQ_BLK_READ);
    io->setLunId(static_cast<uint32_t>(lunId_));
    io->setBlkSize(blkSize_);
    io->setIoId(entry->ioId);
    io->setIoType(write ? SCSI_WRITE : SCSI_READ);
    io->setLunBlk(static_cast<uint32_t>(lunBlk));
    io->setReqIndex(false);
    io->encapsulate(loc);
    io->setLength(blkSize_);
    send(io, toCpu_);
}

LunBlkIo* LunController::completed_block(cMessage* cost, const char* method, int ioType)
{
    cMessage* inner = cost->decapsulate();
    if (!inner)
        error("---> %s : %s expected encapsulated message", method, cost->name());
    auto* io = static_cast<LunBlkIo*>(inner);
    if (io->getIoType() != ioType) {
        discard_message(io);
        error(ioType == SCSI_READ ? "---> %s : not a SCSI_READ block data" : "---> %s : not a SCSI_WRITE block data",
              method);
    }
    return io;
}

void LunController::proc_blkrd_comp(cMessage* cost)
{
    HeldMessage<LunBlkIo> io(completed_block(cost, "proc_blkrd_comp", SCSI_READ));
    if (LunIoTable* entry = query_lunio_table(io->getIoId())) {
        if (++entry->blkIoComp == entry->blkIoNum)
            send_data_in(*entry, entry->dataLen, entry->dataLen);
    } else {
        EV << "BlkAddr - " << io->getLunBlk() << "\n";
    }
    release_resource();
}

void LunController::proc_blkwr_comp(cMessage* cost)
{
    HeldMessage<LunBlkIo> io(completed_block(cost, "proc_blkwr_comp", SCSI_WRITE));
    if (LunIoTable* entry = query_lunio_table(io->getIoId())) {
        if (++entry->blkIoComp == entry->blkIoNum)
            send_cmd_comp(entry);
    } else {
        EV << "BlkAddr - " << io->getLunBlk() << "\n";
    }
    release_resource();
}

void LunController::send_data_in(const LunIoTable& entry, unsigned long reqSize, long length)
{
    auto* din = new SendDataIn("SEND_DATA_IN", SEND_DATA_IN);
    din->setLength(length);
    din->setFc4Index(static_cast<int>(entry.fc4Index));
    din->setFcpIndex(static_cast<int>(entry.fcpIndex));
    din->setLun(static_cast<uint32_t>(lunId_));
    din->setIoId(entry.ioId);
    din->setReqSize(static_cast<uint32_t>(reqSize));
    din->setChipId(static_cast<int>(entry.chipId));
    din->setFromCsw(false);
    send(din, toCpu_);
}

// ---- Responses -------------------------------------------------------------------

void LunController::proc_lunio_lookup(cMessage* cost)
{
    HeldMessage<cMessage> inner(cost->decapsulate());
    if (!inner)
        error("---> proc_lunio_lookup : %s expected encapsulated message", cost->name());
    if (inner->kind() == REQ_CMD_COMP)
        send_cmd_comp(query_lunio_table(static_cast<unsigned>(inner->par("ioId").longValue())));
    else if (inner->kind() == COMP_CONF_RECVD)
        comp_conf_recvd(inner.get());
    else
        fail(inner.release(), "---> proc_lunio_lookup : Unknown message %s for LUN IO Lookup");
    release_resource();
}

// The response was sent and the LUN I/O closed before the confirmation: it
// only ends the task.
void LunController::comp_conf_recvd(cMessage*) {}

SendCmdComp* LunController::build_cmd_comp(const LunIoTable& entry) const
{
    auto* comp = new SendCmdComp("SEND_CMD_COMP", SEND_CMD_COMP);
    comp->setLength(0);
    comp->setFc4Index(static_cast<int>(entry.fc4Index));
    comp->setFcpIndex(static_cast<int>(entry.fcpIndex));
    comp->setLun(static_cast<uint32_t>(lunId_));
    comp->setIoId(entry.ioId);
    comp->setStatus(0);
    comp->setSnsPtr(0);
    comp->setSrvRsp(0);
    comp->setChipId(static_cast<int>(entry.chipId));
    comp->setHasLunListPtr(entry.hasLunListPtr);
    comp->setLunListPtr(entry.lunListPtr);
    comp->setLunBlkLen(entry.lunBlkLen);
    comp->setLunBlkNum(entry.lunBlkNum);
    comp->setHasLunWwnPtr(entry.hasLunWwnPtr);
    comp->setLunWwnPtr(entry.lunWwnPtr);
    return comp;
}

// The response carries the entry's values, so it is built before the entry
// is freed.
void LunController::send_cmd_comp(LunIoTable* entry)
{
    EV << "Send command complete ... \n";
    if (!entry)
        error("---> send_cmd_comp : cannot get the LUN IO Table for IO_ID before issuing SEND_CMD_COMP");
    if (entry->blkIoComp != entry->blkIoNum)
        error(entry->wrData ? "---> send_cmd_comp : LUN IO WRDATA incompleted"
                            : "---> send_cmd_comp : LUN IO RDDATA incompleted");
    SendCmdComp* comp = build_cmd_comp(*entry);
    const LunIoTable closed = *entry;
    free_entry(entry, true);
    if (!closed.wrData)
        schedule_rm_ptrs(closed, closed.recTov);
    send(comp, toCpu_);
}

// Frees an entry and counts the LUN I/O as succeeded or aborted.
void LunController::free_entry(LunIoTable* entry, bool succeeded)
{
    if (Direction* d = direction_of(entry->cmdCode)) {
        add(succeeded ? d->succ : d->abrt, 1);
        ++(succeeded ? d->intSucc : d->intAbrt);
        add(d->open, -1);
    }
    reset_lunio_table(entry);
    --openLunIoNum_;
    req_proc_next_lunio();
}

void LunController::schedule_rm_ptrs(const LunIoTable& entry, double delay)
{
    for (long name : {entry.hasLunListPtr ? entry.lunListPtr : 0L, entry.hasLunWwnPtr ? entry.lunWwnPtr : 0L}) {
        if (!name)
            continue;
        auto* rm = new cMessage("RM_PTR", RM_PTR, 0);
        rm->addPar("filePtr").setLongValue(name);
        scheduleAt(simTime() + delay, rm);
    }
}

// ---- Discovery answers ---------------------------------------------------------

void LunController::write_answer_file(const std::string& path, const std::string& text, const char* method)
{
    OutputStream out = OutputStream::overwriting(this, path);
    if (!out)
        error("---> %s : Couldn't open file \"%s\": %s", method, path.c_str(), out.openFailure().c_str());
    out << text;
    out.finish();
}

std::string LunController::create_lunlist_file()
{
    return take_temp_file_name(root_, "lunListFileId", "LunList");
}

std::string LunController::create_lunwwn_file()
{
    return take_temp_file_name(root_, "lunWwnFileId", "LunWwn");
}

void LunController::collect_lun_list(cMessage* cost)
{
    LunIoTable* entry = entry_of(cost);
    const std::string path = create_lunlist_file();
    std::string list;
    long luns = 0;
    const long lunNum = cmc_->par("arrLunNum").longValue();
    for (long j = 0; j < lunNum; ++j) {
        cModule* ctrl = cmc_->submodule("LunCtrl", static_cast<int>(j));
        if (!ctrl || !ctrl->par("inUse").boolValue())
            continue;
        list += (luns++ ? "\n" : "") + std::to_string(ctrl->par("lunId").longValue());
    }
    write_answer_file(path, list, "collect_lun_list");
    entry->lunListPtr = new_file_name_string(path);
    answerNames_.insert(entry->lunListPtr);
    entry->hasLunListPtr = true;
    if (luns == 0)
        error("---> collect_lun_list : Found no valid LUNs in this Array");
    send_data_in(*entry, 0, 8 * luns + 8);
    release_resource();
}

void LunController::collect_lun_wwn(cMessage* cost)
{
    LunIoTable* entry = entry_of(cost);
    const std::string path = create_lunwwn_file();
    write_answer_file(path, lunWwn_, "collect_lun_wwn");
    entry->lunWwnPtr = new_file_name_string(path);
    answerNames_.insert(entry->lunWwnPtr);
    entry->hasLunWwnPtr = true;
    send_data_in(*entry, 0, 12);
    release_resource();
}

void LunController::collect_lun_blk(cMessage* cost)
{
    LunIoTable* entry = entry_of(cost);
    entry->lunBlkLen = blkSize_;
    entry->lunBlkNum = lunBlkNum_;
    send_data_in(*entry, 0, 8);
    release_resource();
}

// ---- Aborts and path loss ----------------------------------------------------

void LunController::abort_lunio(cMessage* abort)
{
    const auto ioId = static_cast<unsigned>(abort->par("ioId").longValue());
    if (LunIoTable* entry = query_lunio_table(ioId)) {
        iofail(ioId, "LUN_IO_ABORT   [Initiator issuing ABTX]");
        const LunIoTable closed = *entry;
        free_entry(entry, false);
        schedule_rm_ptrs(closed, 0);
    } else if (!abort_queued_command(ioId)) {
        EV << "ABORT_LUNIO couldn't find a valid LUN IO Table ... Table was closed!\n";
    }
    release_resource();
}

// A command still waiting for a slot leaves the queue with its abort, so it
// never starts and never holds a slot.
bool LunController::abort_queued_command(unsigned ioId)
{
    for (cObject* obj : lunIoQue_) {
        auto* cmd = static_cast<ScsiCmdRecvd*>(obj);
        if (cmd->getIoId() != ioId)
            continue;
        abort_queued(cmd, "LUN_IO_ABORT   [Initiator issuing ABTX]");
        return true;
    }
    return false;
}

// A waiting command taken out of the queue unstarted is an aborted LUN I/O:
// logged and counted as one, and no longer waiting.
void LunController::abort_queued(ScsiCmdRecvd* cmd, const char* event)
{
    lunIoQue_.remove(cmd);
    iofail(cmd->getIoId(), event);
    if (Direction* d = direction_of(object_at<ScsiCdb>(cmd->getCdbPtr())->getCmdCode())) {
        add(d->wait, -1);
        add(d->abrt, 1);
        ++d->intAbrt;
    }
    discard_message(cmd);
}

void LunController::proc_remove_lunio(cMessage* cost)
{
    HeldMessage<cMessage> event(cost->decapsulate());
    if (!event)
        error("---> proc_remove_lunio : %s expected encapsulated message", cost->name());
    const auto chipId = static_cast<unsigned>(event->par("chipId").longValue());
    const auto fc4Index = static_cast<unsigned>(event->par("fc4Index").longValue());
    if (event->kind() == DEV_DOWN) {
        remove_lunio_table(chipId, fc4Index);
    } else if (event->kind() == REMOVE_IT_PATH) {
        remove_lunio_table(chipId, fc4Index, static_cast<unsigned>(event->par("fcpIndex").longValue()));
    } else {
        fail(event.release(), "---> proc_remove_lunio : Unknown message %s for LUN IO Removal");
    }
    release_resource();
}

void LunController::remove_lunio_table(unsigned chipId, unsigned fc4Index, unsigned fcpIndex)
{
    const char* event = "LUN_IO_ABORT   [Initiator Port (peer port) DOWN]";
    remove_queued(chipId, fc4Index, &fcpIndex, event);
    close_matching(chipId, fc4Index, &fcpIndex, event);
}

void LunController::remove_lunio_table(unsigned chipId, unsigned fc4Index)
{
    const char* event = "LUN_IO_ABORT   [Target Port (local port) DOWN]";
    remove_queued(chipId, fc4Index, nullptr, event);
    close_matching(chipId, fc4Index, nullptr, event);
}

// Waiting commands of a lost port or path are dropped, each an aborted LUN
// I/O as an open one is.
void LunController::remove_queued(unsigned chipId, unsigned fc4Index, const unsigned* fcpIndex, const char* event)
{
    std::vector<ScsiCmdRecvd*> lost;
    for (cObject* obj : lunIoQue_) {
        auto* cmd = static_cast<ScsiCmdRecvd*>(obj);
        if (static_cast<unsigned>(cmd->par("chipId").longValue()) == chipId &&
            static_cast<unsigned>(cmd->getFc4Index()) == fc4Index &&
            (!fcpIndex || static_cast<unsigned>(cmd->getFcpIndex()) == *fcpIndex))
            lost.push_back(cmd);
    }
    for (ScsiCmdRecvd* cmd : lost)
        abort_queued(cmd, event);
}

void LunController::close_matching(unsigned chipId, unsigned fc4Index, const unsigned* fcpIndex, const char* event)
{
    for (LunIoTable& entry : lunIoTable_) {
        if (entry.inUse && entry.chipId == chipId && entry.fc4Index == fc4Index &&
            (!fcpIndex || entry.fcpIndex == *fcpIndex)) {
            iofail(entry.ioId, event);
            close_lunio_table(&entry);
        }
    }
}

void LunController::close_lunio_table(LunIoTable* entry)
{
    const LunIoTable closed = *entry;
    free_entry(entry, false);
    schedule_rm_ptrs(closed, closed.recTov);
}

// ---- Helpers -------------------------------------------------------------------

void LunController::schedule_cost(const char* name, int kind, double delay, cMessage* inner)
{
    auto* cost = new cMessage(name, kind, 0);
    if (inner)
        cost->encapsulate(inner);
    scheduleAt(simTime() + delay, cost);
}

void LunController::schedule_entry_cost(const char* name, int kind, double delay, LunIoTable* entry)
{
    auto* cost = new cMessage(name, kind, 0);
    cost->addPar("lunIoTbl").setLongValue(object_address(entry));
    scheduleAt(simTime() + delay, cost);
}

void LunController::schedule_seg_cost(const char* name, int kind, double delay, LunIoTable* entry,
                                      unsigned long resData, unsigned long segCnt)
{
    auto* cost = new cMessage(name, kind, 0);
    cost->addPar("lunIoTbl").setLongValue(object_address(entry));
    cost->addPar("resData").setLongValue(static_cast<long>(resData));
    cost->addPar("segCnt").setLongValue(static_cast<long>(segCnt));
    scheduleAt(simTime() + delay, cost);
}

LunController::Direction* LunController::direction_of(unsigned cmdCode)
{
    return cmdCode == SCSI_READ ? &rd_ : cmdCode == SCSI_WRITE ? &wr_ : nullptr;
}

void LunController::fail(cMessage* msg, const char* format)
{
    const std::string name = msg->name();
    discard_message(msg);
    error(format, name.c_str());
}

namespace {

const sDescrItem lunControllerItems[] = {{'M', "default", nullptr, 0},
                                         {'P', "inUse", "B", 0},
                                         {'G', "from_cpu", nullptr, 'I'},
                                         {'G', "to_cpu", nullptr, 'O'},
                                         {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(LunController, lunControllerItems);
Define_Module(LunController, 20480);
