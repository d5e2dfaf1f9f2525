#include "array/ScsiRmtMirr.h"

#include <algorithm>

#include "array/LunSection.h"
#include "device/ConfigRow.h"
#include "device/WarningsLog.h"
#include "messages/MsgKinds.h"

namespace {

constexpr size_t MAX_LUN_WWN = 16;

} // namespace

bool ScsiRmtMirr::port_opens_paths(int i)
{
    cModule* port = device_->submodule("NxPort", i);
    return port && port->hasPar("fcpIni") && port->par("fcpIni").boolValue();
}

// The storage device that holds the board.
cModule* ScsiRmtMirr::config_owner()
{
    return device_->parentModule();
}

// Only the writes to a LUN of this array are copied, to the remote LUN of the
// same name: a mask row for any other name copies nothing.
void ScsiRmtMirr::ass_lun_mask()
{
    ScsiLayer::ass_lun_mask();
    if (maskNum() == 0)
        return;
    const std::string file = config_owner()->par("confFile").stringValue();
    const std::vector<std::string> luns = lun_section_names(this, file);
    for (int k = 0; k < maskNum(); ++k) {
        const std::string& wwn = lunMask()[k].lunWwn;
        if (std::find(luns.begin(), luns.end(), wwn) == luns.end())
            user_warning(this, "\"" + wwn +
                                   "\" : the LUN mask names a LUN that this array does not have; no write is copied "
                                   "to it. Please check sections [2.1] and [6] of the file \"" +
                                   file + "\"");
    }
}

// Rows carry the board they belong to first. Every row is checked for its
// length and its name; only the board's own rows are checked further.
bool ScsiRmtMirr::read_mask_row(const ConfigRow& row, MaskRow& out, const std::string& file)
{
    const char* f = file.c_str();
    const char* wwn = row.text(1).c_str();
    row.check_at_most(5, "---> \"%s\" : ", wwn);
    if (row.text(1).size() > MAX_LUN_WWN)
        error("---> Invalid LUN_WWN[%s]. Must not exceed %d char. Please check section [2.1] of the file \"%s\"", wwn,
              static_cast<int>(MAX_LUN_WWN), f);
    if (row.asLong(0) != device_->index())
        return false;
    row.check_at_least(5, "---> \"%s\" : ", wwn);
    out = {row.text(1), row.text(2), row.text(3), row.text(4), 2};
    return true;
}

void ScsiRmtMirr::mark_command(SendScsiCmd* cmd)
{
    cmd->addPar("xcopy");
}

void ScsiRmtMirr::announce_lun(const TarLunTable& lun, int changed)
{
    if (lun.lunId == 0 || changed != 1)
        return;
    auto* ready = new cMessage("RMT_IO_GEN_RDY", RMT_IO_GEN_RDY, 0);
    ready->addPar("lunWwn").setStringValue(lun.lunWwn.c_str());
    ready->addPar("chipId").setLongValue(device_->index());
    ready->addPar("blkSize").setLongValue(static_cast<long>(lun.blkSize));
    ready->addPar("blkNum").setLongValue(static_cast<long>(lun.blkNum));
    send(ready, "to_iogen");
}

namespace {

const sDescrItem scsiRmtMirrItems[] = {{'M', "default", nullptr, 0},    {'G', "from_llp", nullptr, 'I'},
                                       {'G', "to_llp", nullptr, 'O'},   {'G', "from_iogen", nullptr, 'I'},
                                       {'G', "to_iogen", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(ScsiRmtMirr, scsiRmtMirrItems);
Define_Module(ScsiRmtMirr, 16384);
