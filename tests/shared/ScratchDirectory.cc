#include "tests/shared/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

void ScratchDirectory::enter(const char* pattern, const char* dataDir)
{
    std::vector<char> name(pattern, pattern + std::char_traits<char>::length(pattern) + 1);
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name.data();
    oldDir_ = std::filesystem::current_path();
    if (dataDir)
        for (const auto& f : std::filesystem::directory_iterator(dataDir))
            std::filesystem::copy(f.path(), dir_ / f.path().filename());
    std::filesystem::current_path(dir_);
}

void ScratchDirectory::leave()
{
    if (dir_.empty())
        return;
    std::filesystem::current_path(oldDir_);
    std::filesystem::remove_all(dir_);
}
