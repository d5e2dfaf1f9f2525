#include "bench/ScratchFolder.h"

#include <stdlib.h>

#include <string>
#include <vector>

std::filesystem::path make_scratch_folder(const char* stem)
{
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::temp_directory_path(ec);
    std::string pattern = ((ec ? std::filesystem::path("/tmp") : parent) / stem).string() + "XXXXXX";
    std::vector<char> text(pattern.begin(), pattern.end());
    text.push_back('\0');
    if (!mkdtemp(text.data()))
        return {};
    return std::filesystem::path(text.data());
}
