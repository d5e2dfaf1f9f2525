// The LUN mask of the SCSI initiator: section "[2.1]" of the device's
// configuration file, one row per LUN_WWN, naming the node ports that may
// reach the LUN and the pair of ports it prefers.

#include <cstdlib>
#include <sstream>

#include "device/ConfigFileReader.h"
#include "device/WarningsLog.h"
#include "host/ScsiLayer.h"
#include "sim/DecimalNumber.h"

namespace {

constexpr size_t MAX_LUN_WWN = 16;

} // namespace

void ScsiLayer::init_lun_mask(LunMaskTable* entry)
{
    *entry = LunMaskTable();
    entry->lunWwn.clear();
    entry->mask.assign(nxPortNum_, false);
    entry->priIniWwpn.clear();
    entry->priTarWwpn.clear();
}

bool ScsiLayer::read_mask_row(const ConfigRow& row, MaskRow& out, const std::string& file)
{
    const char* f = file.c_str();
    const char* wwn = row.text(0).c_str();
    if (row.text(0).size() > MAX_LUN_WWN)
        error("---> Invalid LUN_WWN[%s]. Must not exceed %d char. Please check section [2.1] of the file \"%s\"", wwn,
              static_cast<int>(MAX_LUN_WWN), f);
    row.check_count(4, "---> \"%s\" : ", wwn);
    out = {row.text(0), row.text(1), row.text(2), row.text(3), 1};
    return true;
}

void ScsiLayer::ass_lun_mask()
{
    const std::string file = config_owner()->par("confFile").stringValue();
    const char* f = file.c_str();
    ConfigFileReader reader(this, file);
    if (!reader.openSection("[2.1]", "[3]")) {
        // Without a mask no LUN is ever reached, and every I/O of the host's
        // workloads would abort.
        if (config_owner()->submodule("IoGen"))
            user_warning(this, "Found no LUN mask. Every I/O of this host will abort. Please check section [2.1] "
                               "of the file \"" +
                                   file + "\"");
        return;
    }
    ConfigRow row;
    while (reader.nextRow(row)) {
        MaskRow fields;
        if (!read_mask_row(row, fields, file))
            continue;
        const char* wwn = fields.lunWwn.c_str();
        if (maskNum_ >= maskCap_)
            error("---> Maximum %d LUN_WWNs can be setup. Please check section [2.1] of the file  \"%s\". Also please "
                  "check the settings of MaxTarLun (in section[1]) and MaxPeerPort (in section [2])",
                  maskCap_, f);
        for (int k = 0; k < maskNum_; ++k)
            if (lunMask_[k].used && lunMask_[k].lunWwn == fields.lunWwn)
                error("---> Found duplicate LUN_WWN \"%s\". Please check section [2.1] of the file  \"%s\"", wwn, f);
        LunMaskTable& entry = lunMask_[maskNum_];
        entry.used = true;
        entry.lunWwn = fields.lunWwn;
        extract_mask_id(&entry, row, fields.maskField, file);
        check_preferred_port("PRI_INI_WWPN", fields.priIniWwpn, device_, wwn, f);
        check_preferred_port("PRI_TAR_WWPN", fields.priTarWwpn, root_, wwn, f);
        entry.priIniWwpn = fields.priIniWwpn;
        entry.priTarWwpn = fields.priTarWwpn;
        ++maskNum_;
    }
}

// A preferred port, "-" for none, names a node port by its path relative to
// `base`: the port's N_Port identifier is read when the LUN's path is chosen.
void ScsiLayer::check_preferred_port(const char* column, const std::string& path, cModule* base, const char* wwn,
                                     const char* file)
{
    if (path == "-")
        return;
    cModule* port = base->moduleByRelativePath(path.c_str());
    if (!port)
        error("---> \"%s\" : Wrong %s setting, %s does not exist in module %s. Please check section [2.1] of the file "
              "\"%s\"",
              wwn, column, path.c_str(), base->fullPath().c_str(), file);
    if (!port->hasPar("addressId"))
        error("---> \"%s\" : Wrong %s setting, %s in module %s is not a node port. Please check section [2.1] of the "
              "file \"%s\"",
              wwn, column, path.c_str(), base->fullPath().c_str(), file);
}

// LUN_MASK is a comma-separated list of node-port indices in decimal. A
// port given twice is most often a slip for another port, which the LUN then
// lacks when a port goes down: warned of. What is no number is refused, as it
// would read as port 0.
void ScsiLayer::extract_mask_id(LunMaskTable* entry, const ConfigRow& row, int field, const std::string& file)
{
    const char* wwn = entry->lunWwn.c_str();
    const char* f = file.c_str();
    const std::string& maskText = row.text(field);
    std::stringstream in(maskText.substr(0, maskText.find_first_of("\r\n")));
    std::string item;
    int taken = 0;
    while (std::getline(in, item, ',')) {
        long index = 0;
        const char* end = nullptr;
        const DecimalStatus read = readDecimalLong(item.c_str(), index, &end);
        if (read == DecimalStatus::NOT_A_NUMBER || *end != '\0')
            row.refuse(field, "holds \"" + item + "\", which is not a port number, in the LUN_MASK of \"" +
                                  entry->lunWwn + "\"");
        if (taken >= nxPortNum_)
            error(
                "---> \"%s\" : at most %d NxPort(s) can be setup for LUN_MASK. Please check section [2.1] of the file "
                "\"%s\"",
                wwn, nxPortNum_, f);
        if (read != DecimalStatus::OK || index < 0 || index >= nxPortNum_ ||
            !device_->submodule("NxPort", static_cast<int>(index)))
            error("---> \"%s\" : %s is not a valid portId for LUN_MASK setting. Please check section [2.1] of the "
                  "file \"%s\"",
                  wwn, item.c_str(), f);
        if (entry->mask[index])
            row.warn(field, "gives port " + std::to_string(index) + " twice in the LUN_MASK of \"" + entry->lunWwn +
                                "\", so the LUN has fewer ports than the mask lists");
        entry->mask[index] = true;
        ++taken;
    }
}

void ScsiLayer::print_lun_mask()
{
    EV << "Display LUN Masking Table ... \n";
    for (int k = 0; k < maskNum_; ++k) {
        const LunMaskTable& entry = lunMask_[k];
        EV << entry.lunWwn << "\t";
        for (bool allowed : entry.mask)
            EV << (allowed ? "1" : "0");
        EV << "\t" << entry.priIniWwpn << "\t" << entry.priTarWwpn << "\n";
    }
}

// ---- The mask against what discovery found -----------------------------------------------

// Every open path has answered REPORT LUNS and every LUN found has its name.
bool ScsiLayer::discovery_done() const
{
    bool any = false;
    for (const LunPathTable& pt : lunPaths_) {
        if (!pt.open)
            continue;
        if (!pt.active)
            return false;
        for (const TarLunTable& lun : pt.tarLuns)
            if (lun.lunWwn == "NULL")
                return false;
        any = true;
    }
    return any;
}

// Whether an open path offers the LUN, through the target port `tarAddrId`
// when it is not 0.
bool ScsiLayer::offers(const std::string& lunWwn, unsigned long tarAddrId) const
{
    for (const LunPathTable& pt : lunPaths_)
        if (pt.open && (tarAddrId == 0 || pt.tarAddrId == tarAddrId))
            for (const TarLunTable& lun : pt.tarLuns)
                if (lun.lunWwn == lunWwn)
                    return true;
    return false;
}

bool ScsiLayer::has_open_path(int initiator) const
{
    for (const LunPathTable& pt : lunPaths_)
        if (pt.open && pt.initiator == initiator)
            return true;
    return false;
}

// A row whose LUN no target offers, or whose preferred target port the host
// does not reach (a port in no zone with it), is most often a misspelling.
// Said once discovery has settled, for a host's workload only.
void ScsiLayer::warn_of_lun_mask_mismatches()
{
    if (!config_owner()->submodule("IoGen") || !discovery_done())
        return;
    const std::string file = config_owner()->par("confFile").stringValue();
    for (int k = 0; k < maskNum_; ++k)
        if (lunMask_[k].used && !lunMask_[k].checked)
            check_mask_row(lunMask_[k], file);
}

// Checked once every port the row allows has a path.
void ScsiLayer::check_mask_row(LunMaskTable& row, const std::string& file)
{
    for (int i = 0; i < nxPortNum_; ++i)
        if (row.mask[i] && !has_open_path(i))
            return;
    row.checked = true;
    const std::string where = " Please check section [2.1] of the file \"" + file + "\"";
    if (!offers(row.lunWwn)) {
        user_warning(this, "The LUN mask of host " + config_owner()->fullPath() + " names LUN \"" + row.lunWwn +
                               "\", which no target it reaches offers." + where);
        return;
    }
    const unsigned long priTar = primary_address(row.priTarWwpn, root_);
    if (priTar != 0 && !offers(row.lunWwn, priTar))
        user_warning(this, "LUN \"" + row.lunWwn + "\" of host " + config_owner()->fullPath() +
                               " prefers the target port " + row.priTarWwpn +
                               " (PRI_TAR_WWPN), which offers it on no path of the host (a port in no zone with the "
                               "host's ports, or one without the LUN): the LUN's I/O takes another path." +
                               where + " and the ZoneSet file");
}

// A LUN that no mask row names gets no active path, so every I/O to it
// aborts: said at the first.
void ScsiLayer::warn_if_unmasked(const std::string& lunWwn)
{
    for (int k = 0; k < maskNum_; ++k)
        if (lunMask_[k].used && lunMask_[k].lunWwn == lunWwn)
            return;
    if (!unmaskedLuns_.insert(lunWwn).second)
        return;
    user_warning(this, "Host " + config_owner()->fullPath() + " has I/O for LUN \"" + lunWwn +
                           "\", which no row of its LUN mask names: every I/O to it aborts. Please check section "
                           "[2.1] of the file \"" +
                           std::string(config_owner()->par("confFile").stringValue()) + "\"");
}
