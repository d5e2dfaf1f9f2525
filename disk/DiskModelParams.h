#pragma once

#include <string>

class cModule;

// The settings of one disk model, as its parameter file "<model>.params.ini"
// holds them: two free lines, then seventeen numbers in a fixed order
// separated by any white space. Values keep the file's units: ms, and
// microseconds for the loop hop and command-queue delays. Their ranges are
// in the setting catalogue.
struct DiskModelParams {
    long cylNum = 0;          // CYL_NUM
    long dskSecSize = 0;      // DSK_SEC_SIZE, bytes
    long secPerTrk = 0;       // SEC_PER_TRK, nominal
    int bandNum = 0;          // BAND_NUM, odd
    double cpb = 0;           // CPB, cylinder growth per band
    double spb = 0;           // SPB, sector growth per band
    int l2pMap = 0;           // L2P_MAP: 0 cylinder-based, 1 band-based
    int headNum = 0;          // HEAD_NUM
    long rpm = 0;             // RPM
    long bufKb = 0;           // BUF_KB
    double addWrDelay = 0;    // ADD_WR_DELAY, ms
    double headSwTime = 0;    // HEAD_SW_TIME, ms
    double cylSwTime = 0;     // CYL_SW_TIME, ms
    double ctrlOverHead = 0;  // CTRL_OVER_HEAD, ms
    double fcalDelayUs = 0;   // FCAL_DELAY, microseconds per loop hop
    long cmdQueDpth = 0;      // CMD_QUE_DPTH
    double cmdQueDelayUs = 0; // CMD_QUE_DELAY, microseconds
    // The first word after the seventeen values, which is not read; empty
    // when there is none.
    std::string unread;

    double period_ms() const { return 60000.0 / rpm; }
    long buffer_bytes() const { return bufKb * 1024; }
    long buf_size_in_sec() const { return buffer_bytes() / dskSecSize; }
    double cmd_que_delay_s() const { return cmdQueDelayUs / 1e6; }
};

// The name of a model's parameter file.
std::string disk_params_file_name(const std::string& model);

// Reads and checks the parameter file of `model`. Every missing, unreadable
// or out-of-range value stops the run through `owner`'s error().
DiskModelParams read_disk_model_params(const cModule* owner, const std::string& model);
