#include "fcport/PortSection.h"

#include <cstring>

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "fcport/FcPortTiming.h"
#include "fcport/PortCable.h"
#include "network/RootModule.h"
#include "sim/cException.h"
#include "sim/cModule.h"

namespace {

// The start of every message about a row: the port the row names.
std::string rowPrefix(const PortLocation& loc, const ConfigRow& row)
{
    switch (loc.kind) {
    case PortLocation::ARRAY: return opp_format("---> Chip[%ld].NxPort[%ld] : ", row.asLong(0), row.asLong(1));
    case PortLocation::SWITCH: return opp_format("---> SwPort[%ld] : ", row.asLong(0));
    default: return opp_format("---> NxPort[%ld] : ", row.asLong(0));
    }
}

bool keysMatch(const PortLocation& loc, const ConfigRow& row)
{
    if (loc.kind == PortLocation::ARRAY)
        return row.asLong(0) == loc.boardIndex && row.asLong(1) == loc.portIndex;
    return row.asLong(0) == loc.portIndex;
}

class PortRowReader {
  public:
    PortRowReader(const cModule* reader, cModule* port, const PortLocation& loc, const ConfigRow& row,
                  const std::string& fileName)
        : reader_(reader), port_(port), loc_(loc), row_(row), prefix_(rowPrefix(loc, row)), file_(fileName.c_str())
    {
    }

    // Adds the port's parameters and returns its FC controller CPU model.
    std::string apply()
    {
        if (loc_.kind == PortLocation::SWITCH)
            return applySwitchRow();
        return applyNodeRow(loc_.kind == PortLocation::ARRAY ? 1 : 0);
    }

  private:
    void fail(const char* what) const
    {
        reader_->error("%s%s. Please check section [2] of the file \"%s\"", prefix_.c_str(), what, file_);
    }

    const Setting& entry(const char* name) const { return setting(port_setting_file(loc_), "[2]", name); }

    void setSpeed(int i)
    {
        long speed = row_.asLong(i, entry("portSpeed"));
        if (speed != 1 && speed != 2)
            fail("invalid portSpeed setting. Currently we only support 1G and 2G. Please choose 1 for 1G or 2 for 2G");
        port_->addPar("maxPortSpeed").setLongValue(speed);
        port_->addPar("currPortSpeed").setDoubleValue(speed == 1 ? 1.0625e9 : 2.125e9);
    }

    void setRtTov(int i)
    {
        double rtTov = row_.asDouble(i, entry("R_T_TOV"));
        if (rtTov != 100 && rtTov != 0.1)
            fail("invalid R_T_TOV. Must be either 100ms or 100us. Please choose 100 for 100ms or 0.1 for 100us");
        port_->addPar("rtTov").setDoubleValue(rtTov);
    }

    void setBuffers(int i)
    {
        long rx = row_.asLong(i, entry("RxBuf"));
        if (rx < 1)
            fail("receiver buffer size should > 0");
        port_->addPar("rxBufSize").setLongValue(rx);
        long tx = row_.asLong(i + 1, entry("TxBuf"));
        if (tx < 0)
            fail("trasmitter buffer size should >= 0");
        port_->addPar("txBufSize").setLongValue(tx);
    }

    std::string applyNodeRow(int o)
    {
        setSpeed(o + 1);
        setRtTov(o + 2);
        const char feature = row_.asFlag(o + 3);
        const bool initiator = feature == 'I' || feature == 'i';
        if (!initiator && feature != 'T' && feature != 't')
            fail("invalid FCP Feature. Please choose I for Initiator or T for Target");
        if (!initiator && loc_.kind == PortLocation::HOST)
            fail("Host NxPort must not be Target");
        port_->addPar("fcpIni").setBoolValue(initiator);
        setBuffers(o + 4);
        long conCurrSeq = row_.asLong(o + 6, entry("C3Seq"));
        if (conCurrSeq < 1 || conCurrSeq > 255)
            fail("Class-3 ConCurrent Sequence must be within [1,255]");
        port_->addPar("reqC3ConCurrSeq").setLongValue(conCurrSeq);
        long maxSeqTry = row_.asLong(o + 7, entry("MaxSeqTry"));
        if (maxSeqTry < 1)
            fail("MaxSeqTry should > 0");
        port_->addPar("maxSeqTry").setLongValue(maxSeqTry);
        long maxPeerPort = row_.asLong(o + 8, entry("MaxPeerPort"));
        if (maxPeerPort < 1)
            fail("MaxPeerPort should > 0");
        port_->addPar("maxEePair").setLongValue(maxPeerPort);
        const std::string& fcCtrl = row_.text(o + 9);
        port_->addPar("fcCtrl").setStringValue(fcCtrl.c_str());
        return fcCtrl;
    }

    std::string applySwitchRow()
    {
        long areaId = row_.asLong(1, entry("Area_ID"));
        if (static_cast<unsigned long>(areaId) > 255)
            reader_->error("%sinvalid Area_ID. Must within [%d,%d]. Please check section [2] of the file \"%s\"",
                           prefix_.c_str(), 0, 255, file_);
        port_->addPar("areaId").setLongValue(areaId);
        setSpeed(2);
        setRtTov(3);
        char bPort = row_.asFlag(4);
        if (bPort != 'n' && bPort != 'N')
            fail("currently we do not support B_Port. Please set B_Port as n or N");
        port_->addPar("bPortFlag").setBoolValue(false);
        setBuffers(5);
        const std::string& fcCtrl = row_.text(8);
        port_->addPar("fcCtrl").setStringValue(fcCtrl.c_str());
        return fcCtrl;
    }

    const cModule* reader_;
    cModule* port_;
    const PortLocation& loc_;
    const ConfigRow& row_;
    std::string prefix_;
    const char* file_;
};

// Reads on in section [2] to the next row of the port.
bool next_port_row(ConfigFileReader& file, const PortLocation& loc, bool checkCount, ConfigRow& row)
{
    const int fields = loc.fieldCount();
    while (file.nextRow(row)) {
        if (checkCount)
            row.check_at_most(fields, "%s", rowPrefix(loc, row).c_str());
        if (keysMatch(loc, row))
            return true;
    }
    return false;
}

// The port's first row is the one used; a later one for the same port is
// warned of. Its field count is not checked: no reader ever looked at it.
void warn_repeated_row(ConfigFileReader& file, const PortLocation& loc, const ConfigRow& used)
{
    ConfigRow again;
    if (next_port_row(file, loc, false, again))
        again.warn_repeated(used, "port");
}

} // namespace

std::string port_row_prefix(const PortLocation& loc, const ConfigRow& row)
{
    return rowPrefix(loc, row);
}

SettingFile port_setting_file(const PortLocation& loc)
{
    switch (loc.kind) {
    case PortLocation::ARRAY: return SettingFile::ARRAY;
    case PortLocation::SWITCH: return SettingFile::SWITCH;
    default: return SettingFile::HOST;
    }
}

PortLocation locate_port(cModule* port)
{
    PortLocation loc;
    loc.portIndex = port->index();
    cModule* parent = port->parentModule();
    if (std::strcmp(port->name(), "SwPort") == 0) {
        loc.kind = PortLocation::SWITCH;
        loc.device = parent;
    } else if (std::strcmp(parent->name(), "Chip") == 0) {
        loc.kind = PortLocation::ARRAY;
        loc.boardIndex = parent->index();
        loc.device = parent->parentModule();
    } else {
        loc.kind = PortLocation::HOST;
        loc.device = parent;
    }
    loc.confFile = loc.device->par("confFile").stringValue();
    return loc;
}

bool find_port_row(ConfigFileReader& file, const PortLocation& loc, bool checkCount, ConfigRow& row)
{
    if (!file.openSection("[2]", loc.kind == PortLocation::SWITCH ? nullptr : "[2.1]"))
        return false;
    return next_port_row(file, loc, checkCount, row);
}

void read_port_section(const cModule* reader, cModule* port)
{
    const PortLocation loc = locate_port(port);
    ConfigRow row;
    std::string fcCtrl;
    {
        ConfigFileReader file(reader, loc.confFile);
        if (!find_port_row(file, loc, true, row))
            reader->error("---> Missing settings for %s. Please check section [2] of the file \"%s\"",
                          port->fullPath().c_str(), loc.confFile.c_str());
        row.check_at_least(loc.fieldCount(), "%s", rowPrefix(loc, row).c_str());
        fcCtrl = PortRowReader(reader, port, loc, row, loc.confFile).apply();
        warn_repeated_row(file, loc, row);
    }

    cModule* root = find_root(reader);
    port->addPar("currRaTov").setLongValue(10000);
    port->addPar("currEdTov").setLongValue(2000);
    port->addPar("currBbCredit").setLongValue(1);
    port->addPar("currBbCnt").setLongValue(0);
    if (loc.kind == PortLocation::SWITCH) {
        port->addPar("reqConCurrSeq").setLongValue(def_con_curr_seq(reader, root));
        port->addPar("reqRaTov");
        port->addPar("reqEdTov");
        port->addPar("maxEePair").setLongValue(0);
    }
    port->addPar("portName").setLongValue(take_a_number(root, "iniEqName"));
    extract_cpu_timing(reader, port, fcCtrl);
    refuse_rttov_within_round_trip(reader, port);
}
