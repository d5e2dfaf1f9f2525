#pragma once

#include <cstdint>

class ScsiCdb;

// The state of one SCSI I/O at an FCP engine: which information units have
// passed and how much data. At the target the block also owns the copy of
// the command block that was handed up with the command.
struct FcpIoSb {
    static constexpr std::uint32_t NONE = 0xFFFFFFFF;

    std::uint32_t ioId = NONE;
    std::uint32_t lun = NONE;
    std::uint32_t fc4MemAddr = NONE;
    std::uint32_t FCP_DL = 0;
    std::uint32_t bytesDone = 0;
    bool RDDATA = false;
    bool WRDATA = false;
    bool fcpCmndDone = false;
    bool fcpXferRdyDone = false;
    bool fcpDataDone = false;
    bool fcpRspDone = false;
    bool fcpConfDone = false;
    bool sbFree = true;
    ScsiCdb* ownCdb = nullptr;

    // A block of a fresh pool.
    void initialise() { *this = FcpIoSb{}; }
    // The reset done on every allocation.
    void reset()
    {
        initialise();
        lun = 0;
    }
};
