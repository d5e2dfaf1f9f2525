#pragma once

#include <cstdint>
#include <string>

class cModule;

// Section "[3]" of an array's configuration file: the control memory.
struct CtrlMemSettings {
    int arrLunNum = 0;
    std::int64_t cchSize = 0; // bytes
    double cswBusWidth = 0;
    double cswBusClock = 0;
    double cswDlyUS = 0;
    std::string cpuModel;
    bool cchWriteThru = false;
};

enum class CchUpdMode { None = 0, Fixed = 1, Adapt = 2 };

// Section "[3.1]": the cache update (flush) policy. Periods in seconds.
struct FlushSettings {
    CchUpdMode mode = CchUpdMode::None;
    std::string name;
    double FTH_actv = 0;
    double FTH_dactv = 0;
    double INT_flush = 0;
    double FBR_max = 0;
    double FBR_ini = 0;
    double FBR_min = 0;
    double TOL_fact = 0;
    double AGG_fact = 0;
};

// Section "[3.2]": the cache clean policy. Periods in seconds.
struct CleanSettings {
    bool enableCchCln = false;
    double INT_clean = 0;
    double HRTH = 0;
    double CTH_H_actv = 0;
    double CBR_H_max = 0;
    double CTH_N_actv = 0;
    double CBR_N_max = 0;
};

// Readers of the three sections from `confFile`; a bad setting stops the run
// through `reader`'s error().
CtrlMemSettings input_ini_ctrlmem(const cModule* reader, const std::string& confFile);
FlushSettings input_ini_cchupd(const cModule* reader, const std::string& confFile);
CleanSettings input_ini_cchcln(const cModule* reader, const std::string& confFile);
