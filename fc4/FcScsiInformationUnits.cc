// The send and receive rules of the FCP information units: how each
// primitive becomes a unit and each received unit a primitive, with the
// checks each step makes on the I/O's state block.

#include "fc4/FcScsi.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"

namespace {

constexpr unsigned char SCSI_WRITE_CODE = SCSI_WRITE;

constexpr long FCP_CMND_LENGTH = 32;
constexpr long FCP_XFER_RDY_LENGTH = 12;
constexpr long FCP_RSP_LENGTH = 24;
constexpr long FCP_CONF_LENGTH = 2;

} // namespace

template <class Primitive>
Primitive* FcScsi::new_primitive(const char* name, int kind, long length, const FcpIoSb* sb) const
{
    auto* prim = new Primitive(name, kind);
    prim->setLength(length);
    prim->setFc4Index(fc4_index());
    prim->setFcpIndex(index());
    prim->setLun(sb->lun);
    prim->setIoId(sb->ioId);
    return prim;
}

void FcScsi::proc_recv_fcpiu(FcpIu* iu, FcSeqPayload* seq)
{
    switch (seq->getRCtl()) {
    case RCTL_FCP_DATA: recv_fcp_data(iu, seq); break;
    case RCTL_FCP_CONF: recv_fcp_conf(iu, seq); break;
    case RCTL_FCP_XFER_RDY: recv_fcp_xfer_rdy(iu, seq); break;
    case RCTL_FCP_CMND: recv_fcp_cmnd(iu, seq); break;
    case RCTL_FCP_RSP: recv_fcp_rsp(iu, seq); break;
    default: error("ERROR: proc_recv_fcpiu does not know how to handle %s!", iu->name());
    }
}

// ---- Command ---------------------------------------------------------------------

void FcScsi::send_fcp_cmnd(SendScsiCmd* cmd)
{
    EV << "Issuing FCP_CMND ... \n";
    auto* cdb = object_at<ScsiCdb>(cmd->getCdbPtr());
    unsigned long own = 0, peer = 0;
    get_nport_addr(own, peer, "FCP_CMND");

    auto* iu = new FcpIu("FCP_CMND", FCP_CMND);
    iu->setLength(FCP_CMND_LENGTH);
    iu->setFCP_LUN(cmd->getLun());
    iu->setCRN(cmd->getCrn());
    iu->setTASK_ATTR(cmd->getTaskAttr());
    iu->setWRDATA(cdb->getCmdCode() == SCSI_WRITE_CODE);
    iu->setRDDATA(cdb->getCmdCode() != SCSI_WRITE_CODE);
    iu->setFCP_DL(cdb->getDataLen());
    // The unit carries its own copy of the command block, which the target
    // adopts: the initiator's block stays with the initiator.
    iu->setCdbPtr(object_address(cdb->dup()));
    iu->setIoId(cmd->getIoId());
    if (cmd->hasPar("xcopy"))
        iu->addPar("xcopy");

    FcpIoSb* sb = obtain_an_osb();
    sb->fc4MemAddr = static_cast<std::uint32_t>(obtain_fc4_addr());
    sb->ioId = iu->getIoId();
    sb->lun = iu->getFCP_LUN();
    sb->FCP_DL = iu->getFCP_DL();
    sb->RDDATA = iu->getRDDATA();
    sb->WRDATA = iu->getWRDATA();
    sb->bytesDone = 0;
    sb->fcpCmndDone = true;
    send_iu(iu, sb->fc4MemAddr, RCTL_FCP_CMND, false, true);
    delete cmd;
}

void FcScsi::recv_fcp_cmnd(FcpIu* iu, FcSeqPayload* seq)
{
    EV << "Receiving FCP_CMND ... \n";
    if (find_an_sb(seq->getFc4MemAddr()))
        error("ERROR: Found duplicate fc4MemAddr for FCP_CMND request!");
    auto* cdb = object_at<ScsiCdb>(iu->getCdbPtr());
    FcpIoSb* sb = obtain_an_rsb();
    sb->fc4MemAddr = seq->getFc4MemAddr();
    sb->ioId = iu->getIoId();
    sb->lun = iu->getFCP_LUN();
    sb->FCP_DL = iu->getFCP_DL();
    sb->WRDATA = cdb->getCmdCode() == SCSI_WRITE_CODE;
    sb->RDDATA = !sb->WRDATA;
    sb->bytesDone = 0;
    sb->fcpCmndDone = true;
    sb->ownCdb = cdb;
    iu->setCdbPtr(0); // the copy is the I/O's now, no longer the unit's

    auto* recvd = new_primitive<ScsiCmdRecvd>("SCSI_CMD_RECVD", SCSI_CMD_RECVD, 0, sb);
    recvd->setCdbPtr(object_address(cdb));
    recvd->setTaskAttr(iu->getTASK_ATTR());
    recvd->setCrn(iu->getCRN());
    if (iu->hasPar("xcopy"))
        recvd->addPar("xcopy");
    recvd->addPar("recTov").setLongValue(par("currRecTov").longValue());
    to_controller(recvd);
    delete iu;
    delete seq;
}

// ---- Transfer ready ----------------------------------------------------------------

void FcScsi::send_fcp_xfer_rdy(RecvDataOut* rdo)
{
    EV << "Issuing FCP_XFER_RDY ... \n";
    FcpIoSb* sb = block_of_primitive(rdo, rdo->getIoId());
    if (!sb)
        return;
    auto* iu = new FcpIu("FCP_XFER_RDY", FCP_XFER_RDY);
    iu->setLength(FCP_XFER_RDY_LENGTH);
    iu->setFCP_BURST_LEN(rdo->getBurstLen());
    iu->setFCP_DATA_RO(rdo->getDataRo());
    sb->fcpXferRdyDone = true;
    if (sb->RDDATA)
        error("ERROR: RDDATA does not expect issuing FCP_XFER_RDY!");
    send_iu(iu, sb->fc4MemAddr, RCTL_FCP_XFER_RDY, false, true); // initiative to the initiator
    delete rdo;
}

void FcScsi::recv_fcp_xfer_rdy(FcpIu* iu, FcSeqPayload* seq)
{
    EV << "Receiving FCP_XFER_RDY ... \n";
    FcpIoSb* sb = block_of_unit(iu, seq, "ERROR: Expected an existing IOSB for FCP_XFER_RDY!");
    if (!sb)
        return;
    sb->fcpXferRdyDone = true;
    if (sb->RDDATA)
        error("ERROR: RDDATA cannot receive FCP_XFER_RDY!");
    // Comes back to this engine through the controller's normal queue: the
    // SCSI initiator takes no part in the data out.
    auto* req = new_primitive<FcpReqDataOut>("FCP_REQ_DATA_OUT", FCP_REQ_DATA_OUT, 0, sb);
    req->setBurstLen(iu->getFCP_BURST_LEN());
    req->setDataRo(iu->getFCP_DATA_RO());
    to_controller(req);
    delete iu;
    delete seq;
}

// ---- Data ------------------------------------------------------------------------

void FcScsi::send_fcp_data(cMessage* prim, int action)
{
    EV << "Issuing FCP_DATA ... \n";
    if (action != 1 && action != 2)
        error("ERROR: expected DATA_IN or DATA_OUT action!");
    const bool dataIn = action == 1;
    const unsigned long ioId =
        dataIn ? static_cast<SendDataIn*>(prim)->getIoId() : static_cast<FcpReqDataOut*>(prim)->getIoId();
    FcpIoSb* sb = block_of_primitive(prim, ioId);
    if (!sb)
        return;
    if (dataIn ? !(sb->RDDATA && !sb->WRDATA) : !(sb->WRDATA && !sb->RDDATA))
        error("ERROR: Illegal RD_DATA and WR_DATA flags!");
    auto* iu = new FcpIu("FCP_DATA", FCP_DATA);
    if (dataIn) {
        iu->setLength(prim->length());
        iu->setReqSize(static_cast<SendDataIn*>(prim)->getReqSize());
    } else {
        const auto burst = static_cast<FcpReqDataOut*>(prim)->getBurstLen();
        iu->setLength(static_cast<long>(burst));
        iu->setReqSize(burst);
    }
    sb->bytesDone += iu->getReqSize();
    sb->fcpDataDone = true;
    // Data in leaves the initiative at the target; data out passes it on.
    send_iu(iu, sb->fc4MemAddr, RCTL_FCP_DATA, false, !dataIn);
    delete prim;
}

void FcScsi::recv_fcp_data(FcpIu* iu, FcSeqPayload* seq)
{
    EV << "Receiving FCP_DATA ... \n";
    FcpIoSb* sb = block_of_unit(iu, seq, "ERROR: Expected an existing IOSB for FCP_DATA!");
    if (!sb)
        return;
    sb->bytesDone += iu->getReqSize();
    // One unit carries all of an I/O's data.
    if (sb->bytesDone != sb->FCP_DL)
        error("---> recv_fcp_data : expected all data done");
    sb->fcpDataDone = true;
    if (sb->WRDATA) {
        auto* recvd = new_primitive<DataOutRecvd>("DATA_OUT_RECVD", DATA_OUT_RECVD, iu->getReqSize(), sb);
        recvd->setChipId(chip_id());
        recvd->setDataRo(0);
        recvd->setBurstLen(iu->getReqSize());
        recvd->setFromCsw(false);
        to_controller(recvd);
    } else if (sb->fcpRspDone) {
        // The response came first and waited for the data.
        CmdCompRecvd* held = nullptr;
        for (cObject* obj : rspWaitQue_)
            if (static_cast<CmdCompRecvd*>(obj)->getIoId() == sb->ioId) {
                held = static_cast<CmdCompRecvd*>(obj);
                break;
            }
        if (!held)
            error("ERROR: recv_fcp_data RSP_WAIT_QUE missing CMD_COMP_RECVD!");
        rspWaitQue_.remove(held);
        to_controller(held);
        auto* hold = new cMessage("HOLD_INIT", HOLD_INIT, 0);
        hold->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
        hold->addPar("fcpIdx").setLongValue(index());
        to_controller(hold);
    }
    delete iu;
    delete seq;
}

void FcScsi::req_cmd_comp(cMessage* cost)
{
    EV << "Request Device Server to issue SEND_CMD_COMP ... \n";
    cMessage* keep = cost->decapsulate();
    if (!keep)
        error("ERROR: %s expected encapsulated message!", cost->name());
    const auto key = static_cast<std::uint32_t>(keep->par("fc4MemAddr").longValue());
    FcpIoSb* sb = find_an_sb(key);
    if (!sb && abortedKeys_.count(key)) {
        drop_late(keep);
    } else {
        if (!sb)
            error("ERROR: Expected an existing IOSB for KEEP_IU_INIT!");
        if (!sb->RDDATA || sb->WRDATA)
            error("ERROR: expected SCSI_READ before requesting SEND_CMD_COMP!");
        auto* req = new cMessage("REQ_CMD_COMP", REQ_CMD_COMP, 0);
        req->addPar("ioId").setLongValue(sb->ioId);
        req->addPar("lun").setLongValue(sb->lun);
        to_controller(req);
    }
    delete keep;
    delete cost;
    release_resource();
}

// ---- Response ----------------------------------------------------------------------

void FcScsi::send_fcp_rsp(SendCmdComp* comp)
{
    EV << "Issuing FCP_RSP ... \n";
    FcpIoSb* sb = block_of_primitive(comp, comp->getIoId());
    if (!sb)
        return;
    auto* iu = new FcpIu("FCP_RSP", FCP_RSP);
    iu->setLength(FCP_RSP_LENGTH);
    iu->setSCSI_STATUS(comp->getStatus());
    iu->setLunListPtr(comp->getLunListPtr());
    iu->setHasLunListPtr(comp->getHasLunListPtr());
    iu->setLunWwnPtr(comp->getLunWwnPtr());
    iu->setHasLunWwnPtr(comp->getHasLunWwnPtr());
    iu->setLunBlkLen(comp->getLunBlkLen());
    iu->setLunBlkNum(comp->getLunBlkNum());
    sb->fcpRspDone = true;
    const bool write = sb->WRDATA;
    if (write) {
        if (sb->bytesDone != sb->FCP_DL)
            error("ERROR: expected all data completed before issuing FCP_RSP for WRDATA!");
        if (!sb->fcpCmndDone || !sb->fcpXferRdyDone || !sb->fcpDataDone)
            error("ERROR: SCSI_WRITE incomplete!");
        free_block(sb);
    } else {
        if (sb->bytesDone != sb->FCP_DL)
            error("ERROR: expected all data completed before issuing FCP_RSP for RDDATA!");
        if (!sb->fcpCmndDone || !sb->fcpDataDone)
            error("ERROR: SCSI_READ incomplete [2]!");
    }
    send_iu(iu, sb->fc4MemAddr, RCTL_FCP_RSP, write, true);
    delete comp;
    if (!write) {
        // The target's part of a read-type exchange ends here.
        free_block(sb);
        auto* release = new cMessage("RESB_FREE", RESB_FREE, 0);
        release->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
        release->addPar("fcpIdx").setLongValue(index());
        to_controller(release);
    }
}

CmdCompRecvd* FcScsi::completion_of(const FcpIu* iu, const FcpIoSb* sb) const
{
    auto* comp = new_primitive<CmdCompRecvd>("CMD_COMP_RECVD", CMD_COMP_RECVD, iu->length(), sb);
    comp->setStatus(iu->getSCSI_STATUS());
    comp->setSnsPtr(iu->getFcpSnsPtr());
    comp->setHasLunListPtr(iu->getHasLunListPtr());
    comp->setLunListPtr(iu->getLunListPtr());
    comp->setLunBlkLen(iu->getLunBlkLen());
    comp->setLunBlkNum(iu->getLunBlkNum());
    comp->setHasLunWwnPtr(iu->getHasLunWwnPtr());
    comp->setLunWwnPtr(iu->getLunWwnPtr());
    return comp;
}

void FcScsi::recv_fcp_rsp(FcpIu* iu, FcSeqPayload* seq)
{
    EV << "Receiving FCP_RSP ... \n";
    if (deliver_aborted_write_rsp(iu, seq))
        return;
    FcpIoSb* sb = block_of_unit(iu, seq, "ERROR: Expected an existing IOSB for FCP_RSP!");
    if (!sb)
        return;
    sb->fcpRspDone = true;
    CmdCompRecvd* comp = completion_of(iu, sb);
    bool deliver = true;
    if (sb->WRDATA) {
        if (sb->bytesDone != sb->FCP_DL)
            error("ERROR: expected all data completed before receiving FCP_RSP for WRDATA!");
        if (!sb->fcpCmndDone || !sb->fcpXferRdyDone || !sb->fcpDataDone)
            error("ERROR: SCSI_WRITE incomplete for received FCP_RSP!");
        free_block(sb);
    } else if (sb->fcpDataDone) {
        if (sb->bytesDone != sb->FCP_DL)
            error("ERROR: fcpDataDone expected all data completed!");
    } else {
        deliver = false; // the data is still on its way
    }
    if (deliver)
        to_controller(comp);
    else
        rspWaitQue_.insert(comp);
    delete iu;
    delete seq;
}

bool FcScsi::deliver_aborted_write_rsp(FcpIu* iu, FcSeqPayload* seq)
{
    auto aborted = abortedWrites_.find(seq->getFc4MemAddr());
    if (aborted == abortedWrites_.end())
        return false;
    CmdCompRecvd* comp = completion_of(iu, &aborted->second);
    abortedWrites_.erase(aborted);
    to_controller(comp);
    delete iu;
    delete seq;
    return true;
}

// ---- Confirmation -----------------------------------------------------------------

void FcScsi::send_fcp_conf(CmdCompConf* conf)
{
    EV << "Issuing FCP_CONF ... \n";
    FcpIoSb* sb = block_of_primitive(conf, conf->getIoId());
    if (!sb)
        return;
    auto* iu = new FcpIu("FCP_CONF", FCP_CONF);
    iu->setLength(FCP_CONF_LENGTH);
    sb->fcpConfDone = true;
    if (!sb->RDDATA)
        error("ERROR: WRDATA does not expect issuing FCP_CONF!");
    if (sb->bytesDone != sb->FCP_DL)
        error("ERROR: expected all data completed before issuing FCP_CONF for RDDATA!");
    if (!sb->fcpCmndDone || !sb->fcpDataDone || !sb->fcpRspDone)
        error("ERROR: SCSI_READ incomplete [1]!");
    free_block(sb);
    send_iu(iu, sb->fc4MemAddr, RCTL_FCP_CONF, true, true);
    delete conf;
}

void FcScsi::recv_fcp_conf(FcpIu* iu, FcSeqPayload* seq)
{
    EV << "Receiving FCP_CONF ... \n";
    FcpIoSb* sb = block_of_unit(iu, seq, "ERROR: Expected an existing IOSB for FCP_CONF!");
    if (!sb)
        return;
    sb->fcpConfDone = true;
    if (!sb->RDDATA)
        error("ERROR: WRDATA does not expect reveiving FCP_CONF!");
    if (sb->bytesDone != sb->FCP_DL)
        error("ERROR: expected all data completed before receiving FCP_CONF for RDDATA!");
    if (!sb->fcpCmndDone || !sb->fcpDataDone || !sb->fcpRspDone)
        error("ERROR: SCSI_READ incomplete for received FCP_CONF!");
    free_block(sb);
    to_controller(new_primitive<CompConfRecvd>("COMP_CONF_RECVD", COMP_CONF_RECVD, iu->length(), sb));
    delete iu;
    delete seq;
}
