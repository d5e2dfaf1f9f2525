#include "disk/DiskDrive.h"

#include <algorithm>
#include <iomanip>

#include "device/InputFile.h"
#include "device/OutputFile.h"
#include "device/WarningsLog.h"
#include "disk/DiskMapFiles.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

namespace {

// What a sector's frame adds to its data on the loop, in bytes.
constexpr long SECTOR_FRAME_BYTES = 52;
// The time a completion takes from the media to the disk's loop interface.
constexpr double LOOP_INTERFACE_DELAY = 5e-7;

bool is_write(const DskSecIo& io)
{
    return io.getIoType() == SCSI_WRITE;
}

// A command queue holds a few dozen requests at most: insertion sort beats
// std::stable_sort's buffer and merges there.
template <typename T>
void stable_sort_small(std::vector<T>& v)
{
    constexpr size_t INSERTION_LIMIT = 64;
    if (v.size() > INSERTION_LIMIT) {
        std::stable_sort(v.begin(), v.end());
        return;
    }
    for (size_t i = 1; i < v.size(); ++i) {
        const T x = v[i];
        size_t j = i;
        for (; j > 0 && x < v[j - 1]; --j)
            v[j] = v[j - 1];
        v[j] = x;
    }
}

} // namespace

DiskDrive::DiskDrive(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), inQue_("IN_QUE"), cmdQue_("CMD_QUE"), medAccQue_("MED_ACC_QUE")
{
}

// ---- Set-up ----------------------------------------------------------------------

void DiskDrive::initialize()
{
    root_ = find_root(this);
    cModule* group = parentModule();
    cModule* board = group->parentModule();
    device_ = board->parentModule();
    toFcal_ = gate("to_fcal");
    if (!groupRow_)
        groupRow_ = read_array_group_row(this, device_->par("confFile").stringValue(), board->index(), group->index());
    const ArrayGroupRow& row = *groupRow_;
    secRespFlag_ = row.secResp;
    if (row.diskModel != model_) {
        model_ = row.diskModel;
        addPar("diskModel").setStringValue(model_.c_str());
        hasModel_ = true;
        load_model();
    }
}

void DiskDrive::load_model()
{
    params_ = read_disk_model_params(this, model_);
    // The other disks of the model read the same file.
    if (!params_.unread.empty() && !root_->hasPar(SeekTable::root_par_name(model_).c_str()))
        user_warning(this, "\"" + disk_params_file_name(model_) + "\" : \"" + params_.unread +
                               "\" follows the 17 values of the model and is not read");
    addPar("dskSecSiz").setLongValue(params_.dskSecSize);
    addPar("bufSizInSec").setLongValue(params_.buf_size_in_sec());
    addPar("fcalDlyUS").setDoubleValue(params_.fcalDelayUs);
    geometry_ = std::make_unique<DiskGeometry>(this, model_, params_);
    addPar("diskCapGB").setDoubleValue(geometry_->capacity_gb());
    write_diskband_file();
    create_seek_array(model_.c_str());
}

void DiskDrive::create_seek_array(const char* model)
{
    const std::string parName = SeekTable::root_par_name(model);
    if (root_->hasPar(parName.c_str())) {
        // Another disk of the model has read the table; the file must still
        // be there.
        open_input_file(this, SeekTable::file_name(model));
        seeks_ = object_at<SeekTable>(root_->par(parName.c_str()).longValue());
        return;
    }
    SeekTable* table = simulation.keepForRun(std::make_unique<SeekTable>());
    root_->addPar(parName.c_str()).setLongValue(object_address(table));
    table->read(this, model, params_.cylNum);
    if (const long row = table->first_repeated_record())
        user_warning(this, "\"" + SeekTable::file_name(model) + "\" : seek record " + std::to_string(row) +
                               " has the distance of the record before it; the seek time of a move of d cylinders "
                               "is that of record d, so the records after it are taken one distance off");
    if (const long row = table->first_falling_record())
        user_warning(this,
                     "\"" + SeekTable::file_name(model) + "\" : the seek time of record " + std::to_string(row) +
                         " is shorter than that of the record before it; seek times should grow with the distance");
    seeks_ = table;
    if (root_->par("writePhySecMap").boolValue())
        write_physec_map();
    if (root_->par("writeLogSecMap").boolValue())
        write_logsec_map();
}

std::string DiskDrive::model_file_path(const char* suffix) const
{
    return output_path(root_, "diskDrvDir", model_, suffix);
}

void DiskDrive::write_diskband_file()
{
    write_band_table(this, model_file_path(".DiskBand"), *geometry_);
}

void DiskDrive::write_physec_map()
{
    write_physical_sector_map(this, model_file_path(".PhySecMap"), *geometry_);
}

void DiskDrive::write_logsec_map()
{
    write_logical_sector_map(this, model_file_path(params_.l2pMap == 0 ? ".LogSecMap_0" : ".LogSecMap_1"), *geometry_);
}

// ---- Dispatch --------------------------------------------------------------------

void DiskDrive::activity()
{
    stats_.publish_on(this);
    server_.set_busy(false);
    inAcc_ = false;
    cache_ = device_->submodule("CtrlMemCch");
    if (!cache_)
        error("---> %s has no CtrlMemCch beside its array control processors", device_->fullPath().c_str());
    statPeriod_ = time_scale_seconds(this, root_, "dskStatTimeScale");
    write_file_dskstat();

    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << "-->" << msg->name() << "\n";
        if (!hasModel_) {
            const std::string name = msg->name();
            delete msg;
            error("---> unable to process message %s since diskModel is not setup successfully", name.c_str());
        }
        handle(msg);
    }
}

void DiskDrive::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case SEC_IO_REQ: take_request(static_cast<DskSecIo*>(msg)); break;
    case REQ_NEW_ACC_QUE: server_.submit(msg); break;
    case NEXT_MSG:
        delete msg;
        server_.release();
        break;
    case CMD_QUE_COST:
        delete msg;
        sort_cmd_que();
        if (!inAcc_) {
            new_acc_que();
            inAcc_ = true;
            schedule_self("REQ_MED_ACC", REQ_MED_ACC);
        }
        release_resource();
        break;
    case REQ_MED_ACC:
        delete msg;
        serve_sector();
        break;
    case MED_ACC_COMP: finish_sector(msg); break;
    case NEXT_STAT:
        delete msg;
        write_file_dskstat();
        break;
    default: {
        const std::string name = msg->name();
        delete msg;
        error("---> No idea know how to handle message: %s", name.c_str());
    }
    }
}

void DiskDrive::take_request(DskSecIo* req)
{
    stats_.count_request(is_write(*req));
    req->addPar("reqTime").setDoubleValue(simTime());
    send(new cMessage("LOOP_FREE", LOOP_FREE, 0), toFcal_);
    server_.submit(req);
}

void DiskDrive::schedule_self(const char* name, int kind, double delay)
{
    scheduleAt(simTime() + delay, new cMessage(name, kind, 0));
}

void DiskDrive::release_resource()
{
    schedule_next_msg(this);
}

// ---- Command processing ------------------------------------------------------------

void DiskDrive::proc_request()
{
    if (server_.empty())
        error("---> proc_request : DISK Request_Processing Queue shouldn't be empty");
    cMessage* msg = server_.take_next();
    switch (msg->kind()) {
    case SEC_IO_REQ:
        inQue_.insert(msg);
        join_cmd_que();
        break;
    case REQ_NEW_ACC_QUE:
        delete msg;
        inAcc_ = false;
        if (!cmdQue_.empty()) {
            if (cmdQue_.length() == params_.cmdQueDpth) {
                new_acc_que();
                inAcc_ = true;
                schedule_self("REQ_MED_ACC", REQ_MED_ACC);
                release_resource();
            } else {
                schedule_self("CMD_QUE_COST", CMD_QUE_COST, params_.cmd_que_delay_s());
            }
        } else if (!inQue_.empty()) {
            join_cmd_que();
        } else {
            release_resource();
        }
        break;
    default: {
        const std::string name = msg->name();
        delete msg;
        error("---> proc_request : DISK doesn't know how to handle message %s", name.c_str());
    }
    }
}

void DiskDrive::join_cmd_que()
{
    while (!inQue_.empty() && cmdQue_.length() < params_.cmdQueDpth)
        append_cmd(static_cast<DskSecIo*>(inQue_.pop()));
    if (cmdQue_.empty())
        error("---> join_cmd_que : cmdQue empty");
    if (inAcc_) {
        if (cmdQue_.length() == params_.cmdQueDpth)
            schedule_self("CMD_QUE_COST", CMD_QUE_COST, params_.cmd_que_delay_s());
        else
            release_resource();
        return;
    }
    if (!medAccQue_.empty())
        error("ERROR: join_cmd_que accQue fault!");
    schedule_self("CMD_QUE_COST", CMD_QUE_COST, params_.cmd_que_delay_s());
}

// The served order of a command stays fixed while it waits: the block being
// served changes only when the command queue has been emptied.
DiskDrive::CmdOrder DiskDrive::order_of(DskSecIo* io) const
{
    const bool other = io->getDskBlk() != lastDskBlk_;
    return {other, other ? io->getDskSec() : 0, io};
}

// Requests mostly arrive in served order, so the queue remembers whether it
// still is and the sort has nothing to do.
void DiskDrive::append_cmd(DskSecIo* io)
{
    const CmdOrder order = order_of(io);
    if (!cmdQue_.empty() && order < cmdTail_)
        cmdQueSorted_ = false;
    cmdTail_ = order;
    cmdQue_.insert(io);
}

// The rest of the block being served comes first, as it arrived; then the
// lowest sector first, and of equal sectors the one that came first.
void DiskDrive::sort_cmd_que()
{
    if (cmdQue_.empty())
        error("---> sort_cmd_que : cmdQue empty");
    if (cmdQueSorted_)
        return;
    sortBuf_.clear();
    for (cObject* obj : cmdQue_)
        sortBuf_.push_back(order_of(static_cast<DskSecIo*>(obj)));
    stable_sort_small(sortBuf_);
    while (!cmdQue_.empty())
        cmdQue_.pop();
    for (const CmdOrder& c : sortBuf_)
        cmdQue_.insert(c.cmd);
    cmdTail_ = sortBuf_.back();
    cmdQueSorted_ = true;
}

void DiskDrive::new_acc_que()
{
    if (!medAccQue_.empty())
        error("---> new_acc_que : accQue non-empty");
    if (cmdQue_.empty())
        error("---> new_acc_que : cmdQue empty");
    const int length = cmdQue_.length();
    stats_.count_batch(length);
    int moved = 0;
    while (!cmdQue_.empty()) {
        medAccQue_.insert(cmdQue_.pop());
        ++moved;
    }
    cmdQueSorted_ = true;
    if (moved != length)
        error("---> new_acc_que : found inconsistent queLen");
    lastDskBlk_ = static_cast<DskSecIo*>(medAccQue_.tail())->getDskBlk();
}

// ---- Media access ----------------------------------------------------------------

void DiskDrive::serve_sector()
{
    if (medAccQue_.empty())
        error("---> REQ_MED_ACC : accQue empty");
    if (!inAcc_)
        error("---> REQ_MED_ACC : inAcc false");
    auto* req = static_cast<DskSecIo*>(medAccQue_.pop());
    const double t = disk_media_access(req);
    auto* comp = new DskSecIo("SEC_IO_COMP", SEC_IO_COMP);
    comp->setLength(is_write(*req) ? 0 : params_.dskSecSize + SECTOR_FRAME_BYTES);
    comp->setBlkIoSbPtr(req->getBlkIoSbPtr());
    comp->setDskSec(req->getDskSec());
    comp->setIoType(req->getIoType());
    comp->setDstDskId(req->getSrcDskId());
    comp->setSrcDskId(index());
    comp->addPar("secResp").setDoubleValue(t);
    delete req;
    auto* envelope = new cMessage("MED_ACC_COMP", MED_ACC_COMP, 0);
    envelope->encapsulate(comp);
    scheduleAt(simTime() + t, envelope);
}

void DiskDrive::finish_sector(cMessage* envelope)
{
    auto* comp = static_cast<DskSecIo*>(envelope->decapsulate());
    delete envelope;
    stats_.count_completion(is_write(*comp), comp->par("secResp").doubleValue());
    auto* arbi = new cMessage("REQ_LOOP_ARBI", REQ_LOOP_ARBI, 0);
    arbi->encapsulate(comp);
    sendDelayed(arbi, LOOP_INTERFACE_DELAY, toFcal_);
    if (!medAccQue_.empty())
        schedule_self("REQ_MED_ACC", REQ_MED_ACC);
    else
        schedule_self("REQ_NEW_ACC_QUE", REQ_NEW_ACC_QUE);
}

double DiskDrive::disk_media_access(DskSecIo* req)
{
    const double nowMs = sim_time_ms();
    const SectorAttributes tgt = geometry_->get_secattr_by_physec(geometry_->logsec_to_physec(req->getDskSec()));
    const SectorAttributes cur = geometry_->get_secattr_of_currsec(curCyl_, curHead_, nowMs);
    const MediaAccessTime t = time_media_access(params_, *seeks_, cur, tgt, nowMs, is_write(*req));
    stats_.count_move(t.move);
    curHead_ = tgt.head;
    curCyl_ = tgt.cylinder;
    if (secRespFlag_)
        write_sec_resp(*req, tgt.phySec, t);
    return t.access / 1000;
}

// ---- Files of the run -------------------------------------------------------------

void DiskDrive::write_sec_resp(DskSecIo& req, uint64_t phySec, const MediaAccessTime& t)
{
    if (!secResp_.is_open()) {
        secResp_ = open_output_file(this, output_path(root_, "diskDrvDir", fullPath(), ".SecResp"), true);
        secResp_ << field(9) << "Idx" << field(15) << "AccT(ms)" << field(15) << "ReqT(ms)";
        for (const char* h : {"LogSec", "PhySec", "LunBlk", "DskBlk"})
            secResp_ << field(12) << h;
        secResp_ << field(8) << "Type";
        for (const char* h : {"Resp(ms)", "Seek(ms)", "HdSw(ms)", "CylSw(ms)", "Rotat(ms)", "Xfer(ms)"})
            secResp_ << field(12) << h;
        secResp_ << '\n' << std::string(167, '-') << '\n' << std::setprecision(4);
    }
    secResp_ << field(9) << secRespIdx_++ << field(15) << sim_time_ms() << field(15)
             << req.par("reqTime").doubleValue() * 1000 << field(12) << req.getDskSec() << field(12) << phySec
             << field(12) << req.getLunBlk() << field(12) << req.getDskBlk() << field(8)
             << (is_write(req) ? "Wr" : "Rd");
    for (double v : {t.access, t.seek, t.headSw, t.cylSw, t.latency, t.xfer})
        secResp_ << field(12) << v;
    secResp_ << '\n';
}

bool DiskDrive::run_done() const
{
    return root_->par("simDone").boolValue() && cache_->par("allDone").boolValue();
}

void DiskDrive::write_file_dskstat()
{
    if (stats_.requests() > 0) {
        if (!dskStatFile_.is_open()) {
            dskStatFile_ = open_output_file(this, output_path(root_, "diskDrvDir", fullPath(), ".DskStat"), true);
            DiskStatistics::write_header(dskStatFile_);
        }
        stats_.write_row(dskStatFile_, sim_time_ms(), params_.dskSecSize);
        dskStatFile_.end_row();
    }
    if (!run_done())
        schedule_self("NEXT_STAT", NEXT_STAT, statPeriod_);
}

void DiskDrive::finish()
{
    secResp_.finish();
    dskStatFile_.finish();
}

namespace {

const sDescrItem diskDriveItems[] = {{'M', "default", nullptr, 0},
                                     {'P', "inUse", "B", 0},
                                     {'G', "from_fcal", nullptr, 'I'},
                                     {'G', "to_fcal", nullptr, 'O'},
                                     {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(DiskDrive, diskDriveItems);
Define_Module(DiskDrive, 16384);
