#include "network/TempFileRecycling.h"

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/cModule.h"

namespace {

struct Spares {
    std::vector<std::string> names; // files renamed and not yet taken over
    long made = 0;                  // spare names handed out so far
};

// By `progDataDir`: a run folder is used by one run at a time.
std::unordered_map<std::string, Spares>& spares_by_folder()
{
    static std::unordered_map<std::string, Spares> spares;
    return spares;
}

std::string folder_of(cModule* root)
{
    return root->par("progDataDir").stringValue();
}

} // namespace

void remove_temp_file(cModule* root, const std::string& path)
{
    const std::string folder = folder_of(root);
    Spares& spares = spares_by_folder()[folder];
    std::string spare = folder + "Spare" + std::to_string(spares.made) + ".tmp";
    if (std::rename(path.c_str(), spare.c_str()) != 0) {
        std::remove(path.c_str());
        return;
    }
    ++spares.made;
    spares.names.push_back(std::move(spare));
}

void reuse_spare_temp_file(cModule* root, const std::string& path)
{
    auto found = spares_by_folder().find(folder_of(root));
    if (found == spares_by_folder().end())
        return;
    std::vector<std::string>& names = found->second.names;
    // A spare that is gone (removed by hand, say) is only forgotten: the
    // writer then makes a new file.
    while (!names.empty()) {
        const bool taken = std::rename(names.back().c_str(), path.c_str()) == 0;
        names.pop_back();
        if (taken)
            return;
    }
}

void forget_spare_temp_files(cModule* root)
{
    spares_by_folder().erase(folder_of(root));
}
