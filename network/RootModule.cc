#include "network/RootModule.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "network/NetworkTestBed.h"
#include "network/TempFileRecycling.h"
#include "sim/cModule.h"

cModule* find_root(const cModule* module)
{
    cModule* m = module->parentModule();
    while (m && m->findPar("rootFlag") < 0)
        m = m->parentModule();
    if (!m)
        module->error("No module above this one has the parameter rootFlag");
    return m;
}

void add_initiator_totals(cModule* root, const InitiatorTotals& ios)
{
    if (auto* bed = dynamic_cast<NetworkTestBed*>(root))
        bed->add_initiator_totals(ios);
}

long take_a_number(cModule* root, const char* counter)
{
    return take_a_number(root->par(counter));
}

long take_a_number(cPar& counter)
{
    const long v = counter.longValue();
    counter.setLongValue(v + 1);
    return v;
}

long def_con_curr_seq(const cModule* module, cModule* root)
{
    // Checked as read, before a value too big for a long is converted.
    const double n = root->par("defConCurrSeq").doubleValue();
    if (!(n >= 1 && n <= 255))
        module->error("---> defConCurrSeq must be within [1,255]. Please check the file \"omnetpp.ini\"");
    return root->par("defConCurrSeq").longValue();
}

std::string take_temp_file_name(cModule* root, const char* counter, const char* prefix)
{
    long number = take_a_number(root, counter);
    std::string path = std::string(root->par("progDataDir").stringValue()) + prefix + std::to_string(number) + ".tmp";
    reuse_spare_temp_file(root, path);
    return path;
}

namespace {

// The platform-name and LUN registries, after the run's `progDataDir`.
const char* const FIXED_TEMP_FILES[] = {"PfOut.tmp", "GlobalLUNs.tmp"};

// The names of the temporary files a run makes, after its `progDataDir`: the
// numbered ones of take_temp_file_name and the spares of remove_temp_file
// (kind + number + ".tmp"), and the registries.
bool is_run_temp_file_name(const std::string& name)
{
    for (const char* fixed : FIXED_TEMP_FILES)
        if (name == fixed)
            return true;
    const size_t digits = name.find_first_of("0123456789");
    if (digits == std::string::npos || name.size() < 5 || name.compare(name.size() - 4, 4, ".tmp") != 0 ||
        name.find_first_not_of("0123456789", digits) != name.size() - 4)
        return false;
    const std::string kind = name.substr(0, digits);
    for (const char* numbered : {"LunList", "LunWwn", "Lsu", "GidFt", "Spare"})
        if (kind == numbered)
            return true;
    return false;
}

} // namespace

// The files are listed and removed one by one, so that no character of the
// directory's name can reach a shell. Only the run's own kinds of temporary
// file are taken, those of an earlier run that died too: a folder shared
// with the user's files (`progDataDir` "./") keeps their own "*.tmp". The
// registries go by name first: a run stopped for want of file handles
// cannot list the folder.
void remove_temporary_files(cModule* root)
{
    cPar& deleted = root->par("tmpFilesDeleted");
    if (deleted.boolValue())
        return;
    deleted.setBoolValue(true);
    forget_spare_temp_files(root);
    namespace fs = std::filesystem;
    const std::string prefix = root->par("progDataDir").stringValue();
    std::error_code ec;
    for (const char* fixed : FIXED_TEMP_FILES)
        if (fs::is_regular_file(prefix + fixed, ec))
            fs::remove(prefix + fixed, ec);
    const size_t slash = prefix.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
    const std::string namePrefix = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        const bool matches = name.compare(0, namePrefix.size(), namePrefix) == 0 &&
                             is_run_temp_file_name(name.substr(std::min(namePrefix.size(), name.size())));
        if (matches && entry.is_regular_file(ec))
            std::remove(entry.path().c_str());
    }
}

namespace {

// Only a plain file is removed: a log pointed at a device or through a link
// (/dev/null, say) is left where it is, and the run writes to it as before.
void remove_plain_file(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec)))
        std::filesystem::remove(path, ec);
}

} // namespace

const char* const RUN_LOG_SETTINGS[6] = {"warningsFile",  "ioFailFile",     "timingFile",
                                         "nxPortMapFile", "linkEvConfFile", "zoneSetConfFile"};

void clear_shared_outputs(cModule* root)
{
    for (const char* log : RUN_LOG_SETTINGS)
        remove_plain_file(root->par(log).stringValue());
    const std::string finishDir =
        std::string(root->par("progDataDir").stringValue()) + root->par("finishDir").stringValue();
    for (const char* name :
         {FinishFile::SCSI_INITIATOR, FinishFile::CTRL_MEM_CCH, FinishFile::DEVICE_LUNS, FinishFile::DISK_STAT})
        remove_plain_file(finishDir + name + ".Finish");
}
