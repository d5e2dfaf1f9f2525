// LUN discovery over the initiator-target paths: a path opens when the FC-4
// layer reports it, REPORT LUNS to LUN 0 lists the target's LUNs, MODE SENSE
// and INQUIRY give each its size and name, and every LUN name gets the one
// path its I/O takes. A path that goes away takes its LUNs with it and the
// reads and writes on it are issued again.

#include <fstream>

#include "device/InputFile.h"
#include "device/WarningsLog.h"
#include "host/ScsiLayer.h"
#include "messages/MsgKinds.h"
#include "network/TempFileRecycling.h"
#include "sim/ObjectAddress.h"

namespace {

constexpr size_t MAX_LUN_WWN = 16;

long long_par(cMessage* msg, const char* name)
{
    return msg->par(name).longValue();
}

// The answer-file name a completion carries; the target side frees it.
std::string answer_file(long namePtr)
{
    return namePtr ? std::string(object_at<char>(namePtr)) : std::string();
}

// A control I/O for `pt`, which runs only while this opening of the path
// lasts.
cMessage* ctrl_io(const LunPathTable& pt, unsigned long lun, int cmdCode)
{
    auto* ctrl = new cMessage("SCSI_CTRL_IO", SCSI_CTRL_IO, 0);
    ctrl->addPar("initiator").setLongValue(pt.initiator);
    ctrl->addPar("target").setLongValue(pt.target);
    ctrl->addPar("lun").setLongValue(static_cast<long>(lun));
    ctrl->addPar("cmdCode").setLongValue(cmdCode);
    ctrl->addPar("sTime").setDoubleValue(simulation.simTime());
    ctrl->addPar("pathOpening").setLongValue(pt.opening);
    ctrl->addPar("iniAddrId").setLongValue(static_cast<long>(pt.iniAddrId));
    ctrl->addPar("tarAddrId").setLongValue(static_cast<long>(pt.tarAddrId));
    return ctrl;
}

const char* ctrl_command_name(long cmdCode)
{
    switch (cmdCode) {
    case SCSI_RPTLUNS: return "REPORT LUNS";
    case SCSI_MODSNS: return "MODE SENSE";
    case SCSI_INQUIRY: return "INQUIRY";
    default: return "command";
    }
}

} // namespace

// ---- Path table look-ups ----------------------------------------------------------------

void ScsiLayer::reset_lun_pt(LunPathTable* pt)
{
    cQueue* queue = pt->queue;
    *pt = LunPathTable();
    pt->queue = queue;
}

LunPathTable* ScsiLayer::new_lun_pt()
{
    EV << "Looking up a free LUN Path Table ... ";
    for (LunPathTable& pt : lunPaths_)
        if (!pt.open) {
            reset_lun_pt(&pt);
            EV << "Done.\n";
            return &pt;
        }
    EV << "None.\n";
    return nullptr;
}

LunPathTable* ScsiLayer::get_lun_pt(int initiator, int target)
{
    EV << "Looking up LUN Path Table ... ";
    for (LunPathTable& pt : lunPaths_)
        if (pt.open && pt.initiator == initiator && pt.target == target) {
            EV << "Done.\n";
            return &pt;
        }
    EV << "None.\n";
    return nullptr;
}

TarLunTable* ScsiLayer::get_tar_lun(LunPathTable* pt, unsigned long lun)
{
    if (!pt || !pt->open || !pt->active)
        return nullptr;
    if (!pt->tarLunsAlloc)
        error("---> get_tar_lun : expecting an allocated TarLunTable");
    for (TarLunTable& entry : pt->tarLuns)
        if (entry.lunId == lun)
            return &entry;
    return nullptr;
}

LunPathTable* ScsiLayer::find_active_tarlun(const std::string& lunWwn, int& index)
{
    for (LunPathTable& pt : lunPaths_) {
        if (!pt.open || !pt.active || !pt.tarLunsAlloc)
            continue;
        for (size_t k = 0; k < pt.tarLuns.size(); ++k)
            if (pt.tarLuns[k].active && pt.tarLuns[k].lunWwn == lunWwn) {
                index = static_cast<int>(k);
                return &pt;
            }
    }
    return nullptr;
}

void ScsiLayer::show_active_lunpt()
{
    for (const LunPathTable& pt : lunPaths_)
        for (const TarLunTable& entry : pt.tarLuns) {
            if (entry.active) {
                EV << "Active Path for " << entry.lunWwn << " [LUN_ID - " << entry.lunId << "]: Initiator - "
                   << pt.initiator << ", Target - " << pt.target << "\n";
            }
        }
}

void ScsiLayer::show_lun_pt(const LunPathTable* pt)
{
    EV << "INI\tTAR\tLunNum\tMAX_SIO\tCURR_SIO\tOPEN\tACTIVE\n";
    EV << pt->initiator << "\t" << pt->target << "\t" << pt->lunNum() << "\t" << pt->maxSio << "\t" << pt->currSio
       << "\t" << pt->open << "\t" << pt->active << "\n";
    EV << "LUN_WWN\tLUN_ID\t\tCOST(ms)\tACTIVE\tBlkNUM\tBlkSiz\n";
    for (const TarLunTable& entry : pt->tarLuns)
        EV << entry.lunWwn << "\t" << entry.lunId << "\t\t" << entry.cost * 1000 << "\t" << entry.active << "\t"
           << entry.blkNum << "\t" << entry.blkSize << "\n";
}

void ScsiLayer::list_lun_path()
{
    for (const LunPathTable& pt : lunPaths_)
        if (pt.open)
            show_lun_pt(&pt);
}

// ---- Opening a path and discovering its LUNs ------------------------------------------------

void ScsiLayer::create_it_path(cMessage* cost)
{
    const int initiator = static_cast<int>(long_par(cost, "initiator"));
    const int target = static_cast<int>(long_par(cost, "target"));
    if (get_lun_pt(initiator, target))
        error("---> create_it_path : Found existing same IT Path before building a new path table");
    LunPathTable* pt = new_lun_pt();
    if (!pt)
        error("---> create_it_path : Cannot open a new LUN Path Table. MAX_LUN_PATH [%d] is reached", itPathNum_);
    pt->initiator = initiator;
    pt->target = target;
    pt->iniAddrId = static_cast<unsigned long>(long_par(cost, "iniAddrId"));
    pt->tarAddrId = static_cast<unsigned long>(long_par(cost, "tarAddrId"));
    pt->maxSioTry = static_cast<int>(long_par(cost, "maxSioTry"));
    pt->recTov = static_cast<double>(long_par(cost, "recTov")) / 1000.0;
    pt->open = true;
    pt->active = false;
    pt->opening = ++pathOpenings_;
    ++openPathNum_;
    warnings(LogKind::NOTICE,
             "IT_PATH [" + std::to_string(pt->iniAddrId) + "," + std::to_string(pt->tarAddrId) + "] has been created.");
    pt->currSio = 0;
    pt->maxSio = device_->submodule("Fc4", initiator)->submodule("Fcp", target)->par("maxConCurrIu").longValue();
    pt->queue->setName(("FC4[" + std::to_string(initiator) + "][" + std::to_string(pt->iniAddrId) + "]__FCP[" +
                        std::to_string(target) + "][" + std::to_string(pt->tarAddrId) + "]__QUE")
                           .c_str());
    scheduleAt(simTime(), ctrl_io(*pt, 0, SCSI_RPTLUNS));
    comp_cpu_proc();
}

void ScsiLayer::open_lun_path(CmdCompRecvd* comp)
{
    if (!comp->getHasLunListPtr())
        error("---> open_lun_path : Expected LunListPtr! before opening a LUN Path");
    const std::string file = answer_file(comp->getLunListPtr());
    std::ifstream in = open_input_file(this, file, "---> open_lun_path : Couldn't open file %s");
    LunPathTable* pt = get_lun_pt(comp->getFc4Index(), comp->getFcpIndex());
    if (!pt)
        error("---> open_lun_path : Found no requested LUN PT to open_lun_path!");

    std::vector<unsigned long> kept;
    long read = 0;
    for (;;) {
        in >> std::ws;
        if (in.eof())
            break;
        if (static_cast<int>(kept.size()) >= maxTarLun_) {
            ::warnings_as_written(
                this, LogKind::WARNING,
                "WARNING : Exceeding maximum LUNs allowable to setup for each target. Usually this happens when "
                "parameter MaxTarLun is smaller than the LUNs that a target found.",
                OpenFailText::QUOTED);
            break;
        }
        unsigned long lun = 0;
        if (!(in >> lun))
            break;
        ++read;
        if (lun != 0)
            kept.push_back(lun);
    }
    if (read == 0)
        error("---> open_lun_path : RPT_LUNS reports zero LUNs");
    if (static_cast<long>(kept.size()) == read)
        error("---> open_lun_path : RPT_LUNS reports no LUN0");
    if (!kept.empty()) {
        pt->tarLuns.assign(kept.size(), TarLunTable());
        pt->tarLunsAlloc = true;
    }
    if (pt->active)
        error("---> open_lun_path : LUN PT cannot be active before RPT_LUNS completes");
    pt->active = true;
    for (size_t k = 0; k < kept.size(); ++k) {
        pt->tarLuns[k].lunId = kept[k];
        scheduleAt(simTime(), ctrl_io(*pt, kept[k], SCSI_MODSNS));
    }
    in.close();
    remove_temp_file(root_, file);
    warn_of_lun_mask_mismatches();
    comp_cpu_proc();
}

void ScsiLayer::fillin_lunblk_info(CmdCompRecvd* comp)
{
    LunPathTable* pt = get_lun_pt(comp->getFc4Index(), comp->getFcpIndex());
    if (!pt)
        error("---> fillin_lunblk_info : Found no requested LUN PT to fillin_lunblk_info");
    if (!pt->active)
        error("---> fillin_lunblk_info : LUN PT must be active before issuing SCSI_INQUIRY");
    TarLunTable* entry = get_tar_lun(pt, comp->getLun());
    if (!entry)
        error("---> fillin_lunblk_info : Found no requested TarLunTable");
    entry->blkSize = comp->getLunBlkLen();
    entry->blkNum = comp->getLunBlkNum();
    scheduleAt(simTime(), ctrl_io(*pt, comp->getLun(), SCSI_INQUIRY));
    comp_cpu_proc();
}

void ScsiLayer::fillin_lunwwn_info(CmdCompRecvd* comp, double thisSioCost)
{
    if (!comp->getHasLunWwnPtr())
        error("---> fillin_lunwwn_info : Expected LunWwnPtr! before looking up a LUN Path");
    const std::string file = answer_file(comp->getLunWwnPtr());
    std::ifstream in = open_input_file(this, file, "---> fillin_lunwwn_info : Couldn't open file %s");
    LunPathTable* pt = get_lun_pt(comp->getFc4Index(), comp->getFcpIndex());
    if (!pt)
        error("---> fillin_lunwwn_info : Found no requested LUN PT to fillin_lunwwn_info");
    if (!pt->active)
        error("---> fillin_lunwwn_info : LUN PT must be active before issuing LUN_IO_GEN_RDY");
    TarLunTable* entry = get_tar_lun(pt, comp->getLun());
    if (!entry)
        error("---> fillin_lunwwn_info : Found no requested TarLunTable");
    entry->cost = thisSioCost;
    std::string wwn;
    std::getline(in, wwn);
    entry->lunWwn = wwn.substr(0, MAX_LUN_WWN);

    int index = 0;
    if (LunPathTable* previous = find_active_tarlun(entry->lunWwn, index)) {
        previous->tarLuns[index].active = false;
        announce_lun(*entry, active_tar_lun(entry->lunWwn, previous));
    } else {
        announce_lun(*entry, active_tar_lun(entry->lunWwn, nullptr));
    }
    in.close();
    remove_temp_file(root_, file);
    warn_of_lun_mask_mismatches();
    comp_cpu_proc();
}

void ScsiLayer::announce_lun(const TarLunTable& lun, int)
{
    if (lun.lunId == 0)
        return;
    auto* ready = new cMessage("LUN_IO_GEN_RDY", LUN_IO_GEN_RDY, 0);
    ready->addPar("lunWwn").setStringValue(lun.lunWwn.c_str());
    ready->addPar("lunBlkSize").setLongValue(static_cast<long>(lun.blkSize));
    ready->addPar("lunBlkNum").setLongValue(static_cast<long>(lun.blkNum));
    send(ready, toIogen_);
}

// ---- Choosing the active path ------------------------------------------------------------------

unsigned long ScsiLayer::primary_address(const std::string& path, cModule* base)
{
    if (path.empty() || path == "-")
        return 0;
    cModule* port = base->moduleByRelativePath(path.c_str());
    return port ? static_cast<unsigned long>(port->par("addressId").longValue()) : 0;
}

int ScsiLayer::active_tar_lun(const std::string& lunWwn, const LunPathTable* previous)
{
    LunMaskTable* mask = nullptr;
    for (int k = 0; k < maskNum_ && !mask; ++k)
        if (lunMask_[k].used && lunMask_[k].lunWwn == lunWwn)
            mask = &lunMask_[k];
    if (!mask)
        return 0;

    const unsigned long priIni = primary_address(mask->priIniWwpn, device_);
    const unsigned long priTar = primary_address(mask->priTarWwpn, root_);
    std::vector<std::pair<unsigned long, unsigned long>> candidates = {{priIni, priTar}, {priIni, 0}, {0, priTar}};
    for (int i = 0; i < nxPortNum_; ++i)
        candidates.emplace_back(
            mask->mask[i] ? static_cast<unsigned long>(device_->submodule("NxPort", i)->par("addressId").longValue())
                          : 0,
            0);

    LunPathTable* winner = nullptr;
    for (const auto& [ini, tar] : candidates) {
        for (LunPathTable& pt : lunPaths_) {
            if (!pt.open || !pt.active || !pt.tarLunsAlloc)
                continue;
            TarLunTable* entry = nullptr;
            for (TarLunTable& lun : pt.tarLuns)
                if (lun.lunWwn == lunWwn) {
                    entry = &lun;
                    break;
                }
            if (!entry)
                continue;
            if ((ini == 0 || ini == pt.iniAddrId) && mask->mask[pt.initiator] && (tar == 0 || tar == pt.tarAddrId)) {
                entry->active = true;
                winner = &pt;
                break;
            }
        }
        if (winner)
            break;
    }

    const bool record = mask->firstRecord ? winner != nullptr : winner != previous;
    if (!record)
        return 0;
    write_file_pt(lunWwn);
    mask->firstRecord = false;
    write_actv_path_row(lunWwn, winner);
    return 1;
}

// ---- Losing paths -------------------------------------------------------------------------------

void ScsiLayer::remove_it_path(int initiator, int target)
{
    LunPathTable* pt = get_lun_pt(initiator, target);
    if (!pt)
        error("---> REMOVE_IT_PATH found no LunPathTable!");
    warnings(LogKind::WARNING,
             "IT_PATH [" + std::to_string(pt->iniAddrId) + "," + std::to_string(pt->tarAddrId) + "] has been removed!");
    pt->currSio = pt->maxSio = 0;
    pt->active = pt->open = false;
    --openPathNum_;
    pt->queue->clear();
    pt->queue->setName("not_in_use");
    abort_queued_ctrl_ios(*pt);
    for (auto it = abortedSios_.begin(); it != abortedSios_.end();)
        it = it->second.initiator == initiator && it->second.target == target ? abortedSios_.erase(it) : ++it;
    if (pt->tarLunsAlloc) {
        for (TarLunTable& entry : pt->tarLuns)
            if (entry.active) {
                entry.active = false;
                active_tar_lun(entry.lunWwn, pt);
            }
        pt->tarLuns.clear();
        pt->tarLunsAlloc = false;
    }
}

// The control I/Os of a removed path still waiting for admission end with
// it, aborted: run later, they would find the path opened next for the same
// pair and go ahead of its REPORT LUNS.
void ScsiLayer::abort_queued_ctrl_ios(const LunPathTable& pt)
{
    std::vector<cMessage*> stale;
    for (cObject* obj : ctrlIoQue_) {
        auto* ctrl = static_cast<cMessage*>(obj);
        if (ctrl->par("pathOpening").longValue() == pt.opening)
            stale.push_back(ctrl);
    }
    for (cMessage* ctrl : stale) {
        ctrlIoQue_.remove(ctrl);
        warn_of_removed_path(ctrl);
        iofail("SCSI_IO", -1, -1, -1, "SCSI_IO_ABORT  [IT path(s) unavailable]");
        ++ioAbrtNum_;
        delete ctrl;
    }
}

void ScsiLayer::warn_of_removed_path(cMessage* ctrl)
{
    warnings(LogKind::WARNING, std::string("SCSI_CTRL_IO ") + ctrl_command_name(ctrl->par("cmdCode").longValue()) +
                                   " of LUN " + std::to_string(ctrl->par("lun").longValue()) +
                                   " is aborted: IT_PATH [" + std::to_string(ctrl->par("iniAddrId").longValue()) + "," +
                                   std::to_string(ctrl->par("tarAddrId").longValue()) + "] was removed before it ran.");
}

void ScsiLayer::resche_pt_io(int initiator, int target)
{
    for (IoTable& io : ioTables_)
        if (io.open && io.initiator == initiator && io.target == target)
            resche_scsi_io(&io);
}

void ScsiLayer::proc_dev_down(int initiator)
{
    for (LunPathTable& pt : lunPaths_)
        if (pt.open && pt.initiator == initiator)
            remove_it_path(initiator, pt.target);
    for (IoTable& io : ioTables_)
        if (io.open && io.initiator == initiator)
            resche_scsi_io(&io);
}

void ScsiLayer::resche_scsi_io(IoTable* io)
{
    if (io->sioAlloc) {
        for (SioTable& sio : io->sioTable)
            if (sio.active) {
                retire_cdb(sio, simTime() + sio.recTov);
                sio.active = false;
                --openSioNum_;
            }
        io->sioTable.clear();
        io->sioAlloc = false;
        io->sioDone = 0;
    }
    if (io->cmdCode != SCSI_READ && io->cmdCode != SCSI_WRITE) {
        warnings(LogKind::WARNING, "SCSI_CTRL_IO has been removed due to IT path change!");
        reset_io_table(io);
        --openIoNum_;
        --openCtrlIo_;
        req_proc_ctrl_io();
        return;
    }
    auto* reissue = new cMessage("SCSI_RDWR_RE_IO", SCSI_RDWR_RE_IO, 0);
    reissue->addPar("ioType").setLongValue(io->cmdCode);
    reissue->addPar("ioSize").setLongValue(static_cast<long>(io->dataLen));
    reissue->addPar("blkAddr").setLongValue(static_cast<long>(io->blkAddr));
    reissue->addPar("lunWwn").setStringValue(io->lunWwn.c_str());
    reissue->addPar("ioGenId").setLongValue(io->ioGenId);
    reissue->addPar("sTime").setDoubleValue(io->sTime);
    reissue->addPar("thisIoTbl").setLongValue(object_address(io));
    io->initiator = io->target = -1;
    io->iniAddrId = io->tarAddrId = 0;
    rdwrIoReschQue_.insert(reissue);
}
