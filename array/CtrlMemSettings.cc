#include "array/CtrlMemSettings.h"

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "sim/Sim.h"

namespace {

const Setting& entry(const char* section, const char* name)
{
    return setting(SettingFile::ARRAY, section, name);
}

bool yes_flag(const std::string& text)
{
    return text == "Y" || text == "y";
}

// One data line of a section; false when the section has none.
bool first_row(ConfigFileReader& file, const char* marker, const char* endMarker, ConfigRow& row)
{
    return file.openSection(marker, endMarker) && file.nextRow(row);
}

void check_fraction(const cModule* reader, double value, const char* name, const char* section, const std::string& file)
{
    if (value < 0 || value > 1)
        reader->error("---> %s setup incorrect. Must be within [0,1]. Please check section %s of the file \"%s\"", name,
                      section, file.c_str());
}

void verify_cchupd_params(const cModule* reader, FlushSettings& s, const std::string& file)
{
    const char* f = file.c_str();
    if (s.INT_flush <= 0)
        reader->error("---> INT_flush setup incorrect. Must > 0ms. Please check section [3.1] of the file \"%s\"", f);
    s.INT_flush /= 1000;
    if (s.name == "None") {
        s.mode = CchUpdMode::None;
        return;
    }
    if (s.name == "Fixed") {
        s.mode = CchUpdMode::Fixed;
        check_fraction(reader, s.FBR_max, "FBR_max", "[3.1]", file);
    } else if (s.name == "Adapt") {
        s.mode = CchUpdMode::Adapt;
        if (s.TOL_fact <= 0)
            reader->error("---> TOL_fact setup incorrect. Must > zero. Please check section [3.1] of the file \"%s\"",
                          f);
        if (s.AGG_fact <= 0)
            reader->error("---> AGG_fact setup incorrect. Must > zero. Please check section [3.1] of the file \"%s\"",
                          f);
        if (s.FBR_min <= 0)
            reader->error("---> FBR_min setup incorrect. Must > zero. Please check section [3.1] of the file \"%s\"",
                          f);
        if (s.FBR_ini <= 0)
            reader->error("---> FBR_ini setup incorrect. Must > zero. Please check section [3.1] of the file \"%s\"",
                          f);
    } else {
        reader->error("---> Incorrect CCH_UPD name. Must be one of the three: None, Fixed, or Adapt. Please check "
                      "section [3.1] of the file \"%s\"",
                      f);
    }
    check_fraction(reader, s.FTH_actv, "FTH_actv", "[3.1]", file);
    check_fraction(reader, s.FTH_dactv, "FTH_dactv", "[3.1]", file);
    if (s.FTH_dactv > s.FTH_actv)
        user_warning(reader, opp_format("FTH_dactv %g is above FTH_actv %g: a flush stops at the first period that "
                                        "finds the dirty ratio at or below %g. Please check section [3.1] of the file "
                                        "\"%s\"",
                                        s.FTH_dactv, s.FTH_actv, s.FTH_dactv, f));
}

} // namespace

CtrlMemSettings input_ini_ctrlmem(const cModule* reader, const std::string& confFile)
{
    ConfigFileReader file(reader, confFile);
    const char* f = confFile.c_str();
    ConfigRow row;
    if (!first_row(file, "[3]", "[3.1]", row))
        reader->error("---> Missing MaxArrLun setup. Please check section [3] of the file \"%s\"", f);
    row.refuse_above(7,
                     "---> At most 7 parameters can be setup for CtrlMem setting. Please check section [3] of the "
                     "file \"%s\"",
                     f);
    row.refuse_below(7, "---> Missing parameter(s) for CtrlMem setting. Please check section [3] of the file \"%s\"",
                     f);
    CtrlMemSettings s;
    const long maxArrLun = row.asLongOrDash(0, entry("[3]", "MaxArrLun"));
    if (maxArrLun < 1 || maxArrLun > 1000000)
        reader->error("---> MaxArrLun setup incorrect. At least one LUN (LUN0) must be setup. Please check section "
                      "[3] of the file \"%s\"",
                      f);
    s.arrLunNum = static_cast<int>(maxArrLun);
    const double cacheMb = row.asDoubleOrDash(1, entry("[3]", "CacheSize"));
    // Compared before converting, so that a size too big for the count is
    // refused rather than wrapped.
    if (!(cacheMb * 1024 * 1024 >= 65536) || cacheMb > 1e12)
        reader->error("---> CacheSize setup incorrect. At least %d KB cache must be setup. Please check section [3] "
                      "of the file \"%s\"",
                      64, f);
    s.cchSize = static_cast<std::int64_t>(cacheMb * 1024 * 1024);
    s.cswBusWidth = row.asDoubleOrDash(2, entry("[3]", "CswBusWidth"));
    if (s.cswBusWidth <= 0)
        reader->error("---> CswBusWidth setup incorrect. Must > zero. Please check section [3] of the file \"%s\"", f);
    s.cswBusClock = row.asDoubleOrDash(3, entry("[3]", "CswBusClock"));
    if (s.cswBusClock <= 0)
        reader->error("---> CswBusClock setup incorrect. Must > zero. Please check section [3] of the file \"%s\"", f);
    s.cswDlyUS = row.asDoubleOrDash(4, entry("[3]", "CswDelay"));
    if (s.cswDlyUS <= 0)
        reader->error("---> CswDelay setup incorrect. Must > zero. Please check section [3] of the file \"%s\"", f);
    s.cpuModel = row.text(5);
    s.cchWriteThru = yes_flag(row.text(6));
    return s;
}

FlushSettings input_ini_cchupd(const cModule* reader, const std::string& confFile)
{
    ConfigFileReader file(reader, confFile);
    const char* f = confFile.c_str();
    ConfigRow row;
    if (!first_row(file, "[3.1]", "[3.2]", row))
        reader->error("---> Missing CCH_UPD setup. Please check section [3.1] of the file \"%s\"", f);
    row.refuse_above(9,
                     "---> At most 9 parameters can be setup for Cache Update setting. Please check section [3.1] of "
                     "the file \"%s\"",
                     f);
    row.refuse_below(9,
                     "---> Missing parameter(s) for Cache Update setting. Please check section [3.1] of the file "
                     "\"%s\"",
                     f);
    FlushSettings s;
    s.name = row.text(0);
    s.FTH_actv = row.asDoubleOrDash(1, entry("[3.1]", "FTH_actv"));
    s.FTH_dactv = row.asDoubleOrDash(2, entry("[3.1]", "FTH_dactv"));
    s.INT_flush = row.asDoubleOrDash(3, entry("[3.1]", "INT_flush"));
    s.FBR_max = row.asDoubleOrDash(4, entry("[3.1]", "FBR_max"));
    s.FBR_ini = row.asDoubleOrDash(5, entry("[3.1]", "FBR_ini"));
    s.FBR_min = row.asDoubleOrDash(6, entry("[3.1]", "FBR_min"));
    s.TOL_fact = row.asDoubleOrDash(7, entry("[3.1]", "TOL_fact"));
    s.AGG_fact = row.asDoubleOrDash(8, entry("[3.1]", "AGG_fact"));
    verify_cchupd_params(reader, s, confFile);
    return s;
}

CleanSettings input_ini_cchcln(const cModule* reader, const std::string& confFile)
{
    ConfigFileReader file(reader, confFile);
    const char* f = confFile.c_str();
    ConfigRow row;
    if (!first_row(file, "[3.2]", "[4]", row))
        reader->error("---> Missing \"Enable\" flag setup for Cache Cleaning Operation. Please check section [3.2] of "
                      "the file \"%s\"",
                      f);
    row.refuse_above(7,
                     "---> At most 7 parameters can be setup for Cache Cleaning setting. Please check section [3.2] "
                     "of the file \"%s\"",
                     f);
    row.refuse_below(7,
                     "---> Missing parameter(s) for Cache Cleaning setting. Please check section [3.2] of the file "
                     "\"%s\"",
                     f);
    CleanSettings s;
    s.enableCchCln = yes_flag(row.text(0));
    s.INT_clean = row.asDoubleOrDash(1, entry("[3.2]", "INT_clean"));
    if (s.INT_clean <= 0)
        reader->error("---> INT_clean setup incorrect. Must > 0ms. Please check section [3.2] of the file \"%s\"", f);
    s.INT_clean /= 1000;
    s.HRTH = row.asDoubleOrDash(2, entry("[3.2]", "HRTH"));
    s.CTH_H_actv = row.asDoubleOrDash(3, entry("[3.2]", "CTH_H_actv"));
    s.CBR_H_max = row.asDoubleOrDash(4, entry("[3.2]", "CBR_H_max"));
    s.CTH_N_actv = row.asDoubleOrDash(5, entry("[3.2]", "CTH_N_actv"));
    s.CBR_N_max = row.asDoubleOrDash(6, entry("[3.2]", "CBR_N_max"));
    check_fraction(reader, s.HRTH, "HRTH", "[3.2]", confFile);
    check_fraction(reader, s.CTH_H_actv, "CTH_H_actv", "[3.2]", confFile);
    check_fraction(reader, s.CBR_H_max, "CBR_H_max", "[3.2]", confFile);
    check_fraction(reader, s.CTH_N_actv, "CTH_N_actv", "[3.2]", confFile);
    check_fraction(reader, s.CBR_N_max, "CBR_N_max", "[3.2]", confFile);
    return s;
}
