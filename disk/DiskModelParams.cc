#include "disk/DiskModelParams.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "device/InputFile.h"
#include "device/SettingCatalogue.h"
#include "sim/cModule.h"

namespace {

const char* const valueNames[] = {
    "CYL_NUM",     "DSK_SEC_SIZE",   "SEC_PER_TRK", "BAND_NUM",     "CPB",          "SPB",
    "L2P_MAP",     "HEAD_NUM",       "RPM",         "BUF_KB",       "ADD_WR_DELAY", "HEAD_SW_TIME",
    "CYL_SW_TIME", "CTRL_OVER_HEAD", "FCAL_DELAY",  "CMD_QUE_DPTH", "CMD_QUE_DELAY"};

// Takes the values of the file one by one; a value that is absent or is not
// a number in full stops the run naming it, rather than leaving it at 0.
class ValueReader {
  public:
    ValueReader(const cModule* owner, const std::string& model, const std::string& fileName, std::ifstream& in)
        : owner_(owner), model_(model), fileName_(fileName), in_(in)
    {
    }
    // A count's upper bound keeps the tables it sizes and the products of
    // the geometry within what the program holds: beyond it no disk is
    // described.
    long whole()
    {
        const std::string token = next();
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(token.c_str(), &end, 10);
        if (*end != '\0' || errno == ERANGE)
            unreadable(token);
        // Above a count's bound; the values with rules of their own (sector
        // size, L2P_MAP) are left to those.
        const Setting& s = entry();
        const double most = s.bound                      ? s.max
                            : s.type == SettingType::INT ? std::numeric_limits<int>::max()
                                                         : std::numeric_limits<long>::max();
        if (value > most) {
            const int at = position_ - 1;
            owner_->error("---> \"%s\" : value %d (%s) is %ld, more than the %.0f that a disk model may have. Check "
                          "the file \"%s\" to make a correction",
                          model_.c_str(), at + 1, valueNames[at], value, most, fileName_.c_str());
        }
        check(s, value, token);
        return value;
    }
    double real()
    {
        const std::string token = next();
        char* end = nullptr;
        const double value = std::strtod(token.c_str(), &end);
        if (*end != '\0' || !std::isfinite(value))
            unreadable(token);
        check(entry(), value, token);
        return value;
    }

  private:
    const Setting& entry() const { return setting(SettingFile::DISK_MODEL, "", valueNames[position_ - 1]); }
    void check(const Setting& s, double value, const std::string& token) const
    {
        if (!catalogue_accepts(s, value))
            owner_->error("---> \"%s\" : value %d (%s) is %s, outside %s. Check the file \"%s\" to make a correction",
                          model_.c_str(), position_, s.name, token.c_str(), range_text(s).c_str(), fileName_.c_str());
    }
    std::string next()
    {
        std::string token;
        if (!(in_ >> token))
            owner_->error("---> \"%s\" : value %d (%s) is missing. Check the file \"%s\" to make a correction",
                          model_.c_str(), position_ + 1, valueNames[position_], fileName_.c_str());
        ++position_;
        return token;
    }
    [[noreturn]] void unreadable(const std::string& token)
    {
        const int at = position_ - 1;
        owner_->error("---> \"%s\" : value %d (%s) reads \"%s\", which is not a number. Check the file \"%s\" to "
                      "make a correction",
                      model_.c_str(), at + 1, valueNames[at], token.c_str(), fileName_.c_str());
    }

    const cModule* owner_;
    const std::string& model_;
    const std::string& fileName_;
    std::ifstream& in_;
    int position_ = 0;
};

void check_params(const cModule* owner, const std::string& model, const std::string& file, const DiskModelParams& p)
{
    // Each check names the model and the file; the first that fails ends the run.
    const struct {
        bool failed;
        const char* text;
    } checks[] = {
        {p.cylNum < 1, "---> \"%s\" : at least one cylinder must be setup. Check the file \"%s\" to make a correction"},
        {p.dskSecSize != 512 && p.dskSecSize != 1024 && p.dskSecSize != 2048,
         "---> \"%s\" : sector size must be one of the followings: 512, 1024, or 2048 bytes. Check the file \"%s\" to "
         "make a correction"},
        {p.secPerTrk < 1,
         "---> \"%s\" : at least one sector per track must be setup. Check the file \"%s\" to make a correction"},
        {p.bandNum < 1, "---> \"%s\" : at least one band must be setup. Check the file \"%s\" to make a correction"},
        {p.bandNum % 2 == 0, "---> \"%s\" : disk bands must be odd number. Check the file \"%s\" to make a correction"},
        {!(p.cpb > 0 && p.cpb < 1),
         "---> \"%s\" : CPB index should be within (0,1). Check the file \"%s\" to make a correction"},
        {!(p.spb > 0 && p.spb < 1),
         "---> \"%s\" : SPB index should be within (0,1). Check the file \"%s\" to make a correction"},
        {static_cast<unsigned>(p.l2pMap) > 1,
         "---> \"%s\" : L2P_MAP setup incorrect. Please choose 0 for Cylinder-based Mapping or 1 for Band-based "
         "Mapping. Check the file \"%s\" to make a correction"},
        {p.headNum < 1, "---> \"%s\" : at least one head must be setup. Check the file \"%s\" to make a correction"},
        {p.rpm < 1, "---> \"%s\" : rotation speed should be > zero. Check the file \"%s\" to make a correction"},
    };
    const struct {
        bool failed;
        const char* text;
    } timingChecks[] = {
        {!(p.addWrDelay > 0),
         "---> \"%s\" : ADD_WR_DELAY should be > zero. Check the file \"%s\" to make a correction"},
        {!(p.headSwTime > 0),
         "---> \"%s\" : HEAD_SW_TIME should be > zero. Check the file \"%s\" to make a correction"},
        {!(p.cylSwTime > 0), "---> \"%s\" : CYL_SW_TIME should be > zero. Check the file \"%s\" to make a correction"},
        {!(p.ctrlOverHead > 0),
         "---> \"%s\" : CTRL_OVER_HEAD should be > zero. Check the file \"%s\" to make a correction"},
        {!(p.fcalDelayUs > 0), "---> \"%s\" : FCAL_DELAY should be > zero. Check the file \"%s\" to make a correction"},
        {p.cmdQueDpth < 1, "---> \"%s\" : CMD_QUE_DPTH should be >= 1. Check the file \"%s\" to make a correction"},
        {p.cmdQueDelayUs < 0, "---> \"%s\" : CMD_QUE_DELAY should be >= 0. Check the file \"%s\" to make a correction"},
    };
    for (const auto& c : checks)
        if (c.failed)
            owner->error(c.text, model.c_str(), file.c_str());
    if (p.buffer_bytes() < p.dskSecSize)
        owner->error("---> \"%s\" : at least %d bytes buffer must be setup. Check the file \"%s\" to make a correction",
                     model.c_str(), static_cast<int>(p.dskSecSize), file.c_str());
    for (const auto& c : timingChecks)
        if (c.failed)
            owner->error(c.text, model.c_str(), file.c_str());
}

} // namespace

std::string disk_params_file_name(const std::string& model)
{
    return model + DISK_PARAMS_FILE_SUFFIX;
}

DiskModelParams read_disk_model_params(const cModule* owner, const std::string& model)
{
    const std::string fileName = disk_params_file_name(model);
    std::ifstream in = open_input_file(owner, fileName);
    refuse_empty_file(owner, in, fileName);
    std::string skipped;
    std::getline(in, skipped);
    std::getline(in, skipped);

    ValueReader values(owner, model, fileName, in);
    DiskModelParams p;
    p.cylNum = values.whole();
    p.dskSecSize = values.whole();
    p.secPerTrk = values.whole();
    p.bandNum = static_cast<int>(values.whole());
    p.cpb = values.real();
    p.spb = values.real();
    p.l2pMap = static_cast<int>(values.whole());
    p.headNum = static_cast<int>(values.whole());
    p.rpm = values.whole();
    p.bufKb = values.whole();
    p.addWrDelay = values.real();
    p.headSwTime = values.real();
    p.cylSwTime = values.real();
    p.ctrlOverHead = values.real();
    p.fcalDelayUs = values.real();
    p.cmdQueDpth = values.whole();
    p.cmdQueDelayUs = values.real();
    in >> p.unread;
    check_params(owner, model, fileName, p);
    return p;
}
