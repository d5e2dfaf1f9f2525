#include "tests/shared/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

void ScratchDirectory::create(const std::string& pattern)
{
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    ASSERT_NE(mkdtemp(name.data()), nullptr) << pattern;
    dir_ = name.data();
}

void ScratchDirectory::enter(const char* pattern, const char* dataDir)
{
    // A test that starts over enters again: the directory it had goes.
    leave();
    ASSERT_NO_FATAL_FAILURE(create(pattern));
    oldDir_ = std::filesystem::current_path();
    // Files only: what an earlier run left in a folder there is no input.
    if (dataDir)
        for (const auto& f : std::filesystem::directory_iterator(dataDir))
            if (f.is_regular_file())
                std::filesystem::copy(f.path(), dir_ / f.path().filename());
    std::filesystem::current_path(dir_);
}

void ScratchDirectory::make(const std::string& tag)
{
    leave();
    create((std::filesystem::temp_directory_path() / ("velmora_" + tag + "_XXXXXX")).string());
}

void ScratchDirectory::leave()
{
    if (dir_.empty())
        return;
    if (!oldDir_.empty())
        std::filesystem::current_path(oldDir_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
    dir_.clear();
    oldDir_.clear();
}
