#include <algorithm>
#include <cctype>

#include "array/LunController.h"
#include "array/LunSection.h"
#include "device/ConfigFileReader.h"
#include "device/FileNameString.h"
#include "device/OutputFile.h"
#include "device/SettingCatalogue.h"
#include "device/TaskTiming.h"
#include "device/WarningsLog.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"

// Configuration of a LUN from its line of section "[6]", the binding of its
// member disks, and the mapping of LUN blocks onto them.

namespace {

constexpr size_t MAX_WWN_LENGTH = 16;
constexpr int LUN_FIELDS = 7;
constexpr double MAX_DISK_SHARE_GB = 10000;
constexpr int LUN0_CONCURRENCY = 64;
constexpr unsigned long long MAX_BLOCK_COUNT = 0xFFFFFFFFull;
constexpr int MAX_LUN_DISKS = 1000;
constexpr long MAX_STRIPE_DEPTH_KB = 1024 * 1024;

bool valid_block_size(long kb)
{
    return kb == 4 || kb == 8 || kb == 16 || kb == 32 || kb == 64;
}

// The tokens of a disk list: runs of commas separate, a trailing comma adds
// nothing, a leading comma gives an empty first token.
std::vector<std::string> disk_tokens(const std::string& list)
{
    std::vector<std::string> tokens;
    if (!list.empty() && list[0] == ',')
        tokens.emplace_back();
    std::string token;
    for (char c : list) {
        if (c == ',') {
            if (!token.empty())
                tokens.push_back(token);
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty())
        tokens.push_back(token);
    return tokens;
}

int digit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : -1;
}

} // namespace

LunController::LunController(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), lunIoQue_("LUN_IO_QUE")
{
}

// Names of answer files whose RM_PTR is still to come when the run ends.
LunController::~LunController()
{
    for (long name : answerNames_)
        free_file_name_string(name);
}

void LunController::start_up()
{
    root_ = find_root(this);
    cmc_ = parentModule();
    device_ = cmc_->parentModule();
    toCpu_ = gate("to_cpu");
    lunId_ = index();
    if (lunId_ != 0) {
        load_lun_param();
    } else {
        set_up_lun0();
        warn_of_lun_rows_unlike_max();
    }
    add_statistics_params();
    ioOpenPeriod_ = time_scale_seconds(this, root_, "ioOpenTimeScale");
    active_ = par("inUse").boolValue();
    if (active_ && lunId_ != 0)
        write_file_ioopen();
    rmtMirror_ = false;
    read_cpu_timing();
}

void LunController::set_up_lun0()
{
    lunWwn_ = "LUN0";
    conCurrLunIo_ = LUN0_CONCURRENCY;
    lunIoTable_.assign(LUN0_CONCURRENCY, LunIoTable{});
    par("inUse").setBoolValue(true);
    addPar("lunId").setLongValue(0);
    addPar("lunWwn").setStringValue("LUN0");
    addPar("blkSizeKB").setLongValue(0);
    addPar("strDpthKB").setLongValue(0);
    addPar("lunCapGB").setDoubleValue(0);
    addPar("lunBlkNum").setLongValue(0);
}

void LunController::read_cpu_timing()
{
    cModule* cpu = cmc_->submodule("CtrlMemCpu");
    cpuClock_ = cpu->par("cpuClock").doubleValue();
    memClock_ = cpu->par("memClock").doubleValue();
    scsiWrSeg_ = object_at<TaskTiming>(cpu->par("SCSI_WR_SEG").longValue());
    scsiRdSeg_ = object_at<TaskTiming>(cpu->par("SCSI_RD_SEG").longValue());
    rmvLunIo_ = object_at<TaskTiming>(cpu->par("RMV_LUN_IO").longValue());
    comBlkWr_ = object_at<TaskTiming>(cpu->par("COM_BLK_WR").longValue());
    comBlkRd_ = object_at<TaskTiming>(cpu->par("COM_BLK_RD").longValue());
}

// ---- Section "[6]" ------------------------------------------------------------

// LUN i reads row i of the section, for i up to MaxArrLun - 1: rows beyond
// make no LUN, and a LUN without a row stays inactive; either way the I/Os
// that hosts send to those LUNs never run.
void LunController::warn_of_lun_rows_unlike_max()
{
    const std::string confFile = device_->par("confFile").stringValue();
    const std::vector<std::string> rows = lun_section_names(this, confFile);
    const size_t made = static_cast<size_t>(cmc_->par("arrLunNum").longValue() - 1);
    const std::string maxArrLun = "MaxArrLun " + std::to_string(made + 1);
    const std::string check = ". Please check sections [3] and [6] of the file \"" + confFile + "\"";
    if (rows.size() > made)
        user_warning(this, maxArrLun + " makes only " + std::to_string(made) + " of the " +
                               std::to_string(rows.size()) + " LUNs of section [6]; LUN_WWN [" + rows[made] +
                               "] and those after it are never made" + check);
    else if (rows.size() < made)
        user_warning(this, maxArrLun + " makes " + std::to_string(made) + " LUNs, but section [6] has rows for " +
                               std::to_string(rows.size()) + "; LUN " + std::to_string(rows.size() + 1) +
                               " and those after it stay inactive, and no I/O sent to them runs" + check);
}

void LunController::load_lun_param()
{
    const std::string confFile = device_->par("confFile").stringValue();
    ConfigFileReader file(this, confFile);
    if (!file.openSection("[6]"))
        return;
    ConfigRow row;
    for (int line = 1; file.nextRow(row); ++line) {
        row.refuse_section_marker();
        const char* wwn = row.text(0).c_str();
        if (row.text(0).size() > MAX_WWN_LENGTH)
            error("---> Invalid LUN_WWN[%s]. Must not exceed %d char. Please check section [6] of the file \"%s\"", wwn,
                  static_cast<int>(MAX_WWN_LENGTH), confFile.c_str());
        if (row.text(0) == "NULL")
            error("---> Invalid LUN_WWN[%s]. Must not name a LUN as \"NULL\". Please check section [6] of the file "
                  "\"%s\"",
                  wwn, confFile.c_str());
        // The LUN's files are named after it, in their folder.
        if (row.text(0).find('/') != std::string::npos)
            error("---> Invalid LUN_WWN[%s]. Must not hold the character '/'. Please check section [6] of the file "
                  "\"%s\"",
                  wwn, confFile.c_str());
        row.refuse_above(
            LUN_FIELDS,
            "---> LUN_WWN [%s] : at most 7 parameters can be setup for LUN Configuration. Please check section "
            "[6] of the file \"%s\"",
            wwn, confFile.c_str());
        if (line == lunId_) {
            read_lun_line(row, confFile);
            return;
        }
    }
}

void LunController::read_lun_line(const ConfigRow& row, const std::string& confFile)
{
    const char* wwn = row.text(0).c_str();
    const char* file = confFile.c_str();
    row.refuse_below(
        LUN_FIELDS,
        "---> LUN_WWN [%s] : missing parameters for LUN Configuration. Please check section [6] of the file "
        "\"%s\"",
        wwn, file);
    const auto lun = [](const char* name) -> const Setting& { return setting(SettingFile::ARRAY, "[6]", name); };
    const long dskNum = row.asLong(1, lun("DSK_NUM")), blkKB = row.asLong(2, lun("BLK_SIZE")),
               conCurr = row.asLong(3, lun("CON_CURR_LUNIO")), strKB = row.asLong(4, lun("STRIPE_DEPTH"));
    if (dskNum < 1)
        error("---> LUN_WWN [%s] : at least one disk must be setup. Please check section [6] of the file \"%s\"", wwn,
              file);
    // Each position needs a disk of its own, and three digits name at most
    // MAX_LUN_DISKS of them.
    if (dskNum > MAX_LUN_DISKS)
        error("---> LUN_WWN [%s] : DSK_NUM must be within [1,%d]. Please check section [6] of the file \"%s\"", wwn,
              MAX_LUN_DISKS, file);
    if (blkKB < 1)
        error("---> LUN_WWN [%s] : BLK_SIZE must be > zero. Please check section [6] of the file \"%s\"", wwn, file);
    if (!valid_block_size(blkKB))
        error("---> LUN_WWN [%s] : BLK_SIZE must be one of the followings: 4K, 8K, 16K, 32K, or 64K. Please check "
              "section [6] of the file \"%s\"",
              wwn, file);
    if (conCurr < 1)
        error("---> LUN_WWN [%s] : CON_CURR_LUNIO must be > zero. Please check section [6] of the file \"%s\"", wwn,
              file);
    // The LUN's I/O table has a row per concurrent I/O.
    if (conCurr > MAX_CON_CURR_LUNIO)
        error("---> LUN_WWN [%s] : CON_CURR_LUNIO must be within [1,%ld]. Please check section [6] of the file \"%s\"",
              wwn, MAX_CON_CURR_LUNIO, file);
    if (strKB < 1)
        error("---> LUN_WWN [%s] : STRIPE_DEPTH must be > zero. Please check section [6] of the file \"%s\"", wwn,
              file);
    // The depth is kept in bytes in 32 bits.
    if (strKB > MAX_STRIPE_DEPTH_KB)
        error("---> LUN_WWN [%s] : STRIPE_DEPTH must be within [1,%ld]. Please check section [6] of the file \"%s\"",
              wwn, MAX_STRIPE_DEPTH_KB, file);
    if (strKB % blkKB != 0)
        error("---> LUN_WWN [%s] : STRIPT_DEPTH must be a multiple of BLK_SIZE. Please check section [6] of the file "
              "\"%s\"",
              wwn, file);
    lunWwn_ = row.text(0);
    dskNum_ = static_cast<int>(dskNum);
    blkSize_ = static_cast<unsigned>(blkKB);
    conCurrLunIo_ = static_cast<int>(conCurr);
    strDpth_ = static_cast<unsigned>(strKB);
    priDisks_.assign(dskNum_, DiskAttr{});
    mirDisks_.assign(dskNum_, DiskAttr{});
    extract_disk_id(row.text(5), priDisks_, confFile);
    extract_disk_id(row.text(6), mirDisks_, confFile);
    warn_of_short_mirror_list(row);
    setup_lun_param(confFile);
    write_lunconf_file();
}

// A mirror list shorter than the primary list leaves the positions past its
// end unmirrored, which a list of a single "-" says on purpose and a list of
// disks seldom means.
void LunController::warn_of_short_mirror_list(const ConfigRow& row) const
{
    const size_t primaries = disk_tokens(row.text(5)).size();
    const std::vector<std::string> mirrors = disk_tokens(row.text(6));
    const bool namesADisk =
        std::any_of(mirrors.begin(), mirrors.end(), [](const std::string& t) { return !t.empty() && t[0] != '-'; });
    if (!namesADisk || mirrors.size() >= primaries)
        return;
    const std::string unmirrored = mirrors.size() + 1 == primaries ? "position " + std::to_string(primaries) + " has"
                                                                   : "positions " + std::to_string(mirrors.size() + 1) +
                                                                         " to " + std::to_string(primaries) + " have";
    row.warn(6, "lists " + std::to_string(mirrors.size()) + (mirrors.size() == 1 ? " mirror disk" : " mirror disks") +
                    " for the " + std::to_string(primaries) + " primary disks of LUN_WWN [" + lunWwn_ +
                    "]: " + unmirrored + " no mirror");
}

void LunController::extract_disk_id(const std::string& list, std::vector<DiskAttr>& disks, const std::string& confFile)
{
    const std::vector<std::string> tokens = disk_tokens(list);
    for (size_t n = 0; n < tokens.size(); ++n) {
        if (static_cast<int>(n) >= dskNum_)
            error("---> LUN_WWN [%s] : at most %d disk(s) can be setup. Please check section [6] of the file \"%s\"",
                  lunWwn_.c_str(), dskNum_, confFile.c_str());
        const std::string& token = tokens[n];
        if (token.empty() || token[0] == '-')
            continue;
        if (token.size() != 3)
            error("---> LUN_WWN [%s] : %s is an invalid Disk_ID", lunWwn_.c_str(), token.c_str());
        bind_disk(token, disks[n], confFile);
    }
}

cModule* LunController::member_disk(const std::string& token, const std::string& confFile)
{
    const char* wwn = lunWwn_.c_str();
    const char* file = confFile.c_str();
    const int acp = digit(token[0]), grp = digit(token[1]), dsk = digit(token[2]);
    cModule* board = acp < 0 ? nullptr : device_->submodule("Acp", acp);
    if (!board)
        error("---> LUN_WWN [%s] : invalid ACP_ID for setting up DISK %s. Please check section [6] of the file \"%s\"",
              wwn, token.c_str(), file);
    cModule* group = grp < 0 ? nullptr : board->submodule("ArrGrp", grp);
    if (!group)
        error("---> LUN_WWN [%s] : invalid ARRGRP_ID for setting up DISK %s. Please check section [6] of the file "
              "\"%s\"",
              wwn, token.c_str(), file);
    cModule* disk = dsk < 0 ? nullptr : group->submodule("Disk", dsk);
    if (!disk)
        error("---> LUN_WWN [%s] : invalid DISK_ID for setting up DISK %s. Please check section [6] of the file "
              "\"%s\"",
              wwn, token.c_str(), file);
    return disk;
}

void LunController::bind_disk(const std::string& token, DiskAttr& attr, const std::string& confFile)
{
    cModule* disk = member_disk(token, confFile);
    if (disk->par("inUse").boolValue())
        error("---> LUN_WWN [%s] : DISK %s is not available. Probably it is occupied. Please check section [6] of "
              "the file \"%s\"",
              lunWwn_.c_str(), token.c_str(), confFile.c_str());
    // A disk whose group names no model has no capacity to give.
    if (!disk->hasPar("diskCapGB"))
        error("---> LUN_WWN [%s] : DISK %s (%s) has no disk model. Please check sections [5] and [6] of the file "
              "\"%s\"",
              lunWwn_.c_str(), token.c_str(), disk->fullPath().c_str(), confFile.c_str());
    disk->par("inUse").setBoolValue(true);
    disk->addPar("pendBlk").setLongValue(0);
    disk->addPar("compBlk").setLongValue(0);
    attr.acpId = token[0] - '0';
    attr.grpId = token[1] - '0';
    attr.dskId = token[2] - '0';
    attr.dskMod = disk;
    attr.maxCapGB = disk->par("diskCapGB").doubleValue();
}

// ---- Set-up ------------------------------------------------------------------

void LunController::check_duplicate(const std::string& confFile)
{
    const long lunNum = cmc_->par("arrLunNum").longValue();
    for (long j = 0; j < lunNum; ++j) {
        cModule* other = cmc_->submodule("LunCtrl", static_cast<int>(j));
        if (!other || other == this || !other->par("inUse").boolValue() || !other->hasPar("lunWwn"))
            continue;
        if (lunWwn_ == other->par("lunWwn").stringValue())
            error("---> Found duplicate LUN_WWN - \"%s\". Please check section [6] of the file \"%s\"", lunWwn_.c_str(),
                  confFile.c_str());
    }
}

void LunController::setup_lun_param(const std::string& confFile)
{
    check_duplicate(confFile);
    par("inUse").setBoolValue(true);
    addPar("lunId").setLongValue(lunId_);
    addPar("lunWwn").setStringValue(lunWwn_.c_str());
    addPar("blkSizeKB").setLongValue(blkSize_);
    addPar("maxTarLunIo").setLongValue(conCurrLunIo_);
    addPar("strDpthKB").setLongValue(strDpth_);
    lunIoTable_.assign(conCurrLunIo_, LunIoTable{});
    init_lunio_table();
    for (int n = 0; n < dskNum_; ++n) {
        if (!priDisks_[n].present() && !mirDisks_[n].present())
            error("---> LUN_WWN [%s] : missing member disk(s) - requires disk #%d to be setup. Please check section "
                  "[6] of the file \"%s\"",
                  lunWwn_.c_str(), n + 1, confFile.c_str());
    }
    const double capGB = member_capacity();
    for (auto* side : {&priDisks_, &mirDisks_})
        for (DiskAttr& attr : *side)
            if (attr.present())
                attr.lunCapGB = capGB;
    lunCapGB_ = capGB * dskNum_;
    addPar("lunCapGB").setDoubleValue(lunCapGB_);
    verify_global_lun();
    const unsigned long dskBlkNum = blocks_per_disk(capGB, confFile);
    lunBlkNum_ = static_cast<unsigned>(dskBlkNum * static_cast<unsigned long>(dskNum_));
    addPar("lunBlkNum").setLongValue(lunBlkNum_);
    publish_on_disks(dskBlkNum);
    blkSize_ *= 1024;
    strDpth_ *= 1024;
}

double LunController::member_capacity() const
{
    double capGB = MAX_DISK_SHARE_GB;
    for (const auto* side : {&priDisks_, &mirDisks_})
        for (const DiskAttr& attr : *side)
            if (attr.present())
                capGB = std::min(capGB, attr.maxCapGB);
    return capGB;
}

// Only whole stripes count: the blocks of a partial last stripe would map
// past the end of the disks. The count must also fit the 32-bit block fields
// of the messages, and must not be 0, which the initiators cannot address.
unsigned long LunController::blocks_per_disk(double capGB, const std::string& confFile) const
{
    const auto raw = static_cast<unsigned long long>(capGB * 1024 * 1024 / blkSize_);
    const unsigned long long perUnit = strDpth_ / blkSize_;
    const unsigned long long whole = raw - raw % perUnit;
    const unsigned long long total = whole * static_cast<unsigned long long>(dskNum_);
    if (total == 0)
        error("---> LUN_WWN [%s] : the member disks hold no whole stripe of %u KB, so the LUN has no blocks. Please "
              "check section [6] of the file \"%s\"",
              lunWwn_.c_str(), strDpth_ * dskNum_, confFile.c_str());
    if (total > MAX_BLOCK_COUNT)
        error("---> LUN_WWN [%s] : %llu blocks exceed the largest LUN of %llu blocks. Please check section [6] of the "
              "file \"%s\"",
              lunWwn_.c_str(), total, MAX_BLOCK_COUNT, confFile.c_str());
    return static_cast<unsigned long>(whole);
}

void LunController::publish_on_disks(unsigned long dskBlkNum)
{
    for (auto* side : {&priDisks_, &mirDisks_}) {
        for (DiskAttr& attr : *side) {
            if (!attr.present())
                continue;
            attr.lunDskBlkNum = static_cast<long>(dskBlkNum);
            attr.dskMod->addPar("lunDskBlkNum").setLongValue(static_cast<long>(dskBlkNum));
            attr.dskMod->addPar("blkSizeKB").setLongValue(blkSize_);
        }
    }
}

// ---- Block mapping ---------------------------------------------------------------

void LunController::block_mapping(unsigned long lunBlk, int& position, unsigned long& dskBlk)
{
    if (lunBlk >= lunBlkNum_)
        error("---> block_mapping : LUN_BLK %d exceeds block boundary", static_cast<int>(lunBlk));
    const unsigned long perUnit = strDpth_ / blkSize_;
    const unsigned long perStripe = perUnit * static_cast<unsigned long>(dskNum_);
    const unsigned long inStripe = lunBlk % perStripe;
    position = static_cast<int>(inStripe / perUnit);
    dskBlk = inStripe % perUnit + perUnit * (lunBlk / perStripe);
}

LunBlkLocAnx* LunController::construct_locanx_msg(unsigned long lunBlk)
{
    int position = 0;
    unsigned long dskBlk = 0;
    block_mapping(lunBlk, position, dskBlk);
    const DiskAttr& pri = priDisks_[position];
    const DiskAttr& mir = mirDisks_[position];
    auto* loc = new LunBlkLocAnx("LUN_BLK_LOC_ANX", LUN_BLK_LOC_ANX);
    loc->setLength(0);
    loc->setDskBlk(static_cast<uint32_t>(dskBlk));
    loc->setPriAcpId(pri.acpId);
    loc->setPriGrpId(pri.grpId);
    loc->setPriDskId(pri.dskId);
    loc->setPriDskModPtr(pri.dskMod ? object_address(pri.dskMod) : 0);
    loc->setMirAcpId(mir.acpId);
    loc->setMirGrpId(mir.grpId);
    loc->setMirDskId(mir.dskId);
    loc->setMirDskModPtr(mir.dskMod ? object_address(mir.dskMod) : 0);
    return loc;
}

// ---- LUN I/O table ------------------------------------------------------------------

void LunController::init_lunio_table()
{
    EV << "Initializing LUN IO Table ... ";
    for (LunIoTable& entry : lunIoTable_)
        reset_lunio_table(&entry);
    EV << "Done.\n";
}

void LunController::reset_lunio_table(LunIoTable* entry)
{
    *entry = LunIoTable{};
}

LunIoTable* LunController::getnew_lunio_table()
{
    EV << "Obtaining a new LUN IO Table ... ";
    LunIoTable* found = nullptr;
    for (LunIoTable& entry : lunIoTable_) {
        if (!entry.inUse) {
            reset_lunio_table(&entry);
            found = &entry;
            break;
        }
    }
    EV << "Done.\n";
    return found;
}

LunIoTable* LunController::query_lunio_table(unsigned ioId)
{
    EV << "Looking up LUN IO Table ... ";
    LunIoTable* found = nullptr;
    for (LunIoTable& entry : lunIoTable_) {
        if (entry.inUse && entry.ioId == ioId) {
            found = &entry;
            break;
        }
    }
    EV << "Done.\n";
    return found;
}
