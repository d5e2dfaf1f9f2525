#include "fcport/FileNameString.h"

#include <cstdint>
#include <cstring>

namespace {

char* at(long address)
{
    return reinterpret_cast<char*>(static_cast<std::intptr_t>(address));
}

} // namespace

long new_file_name_string(const std::string& path)
{
    char* copy = new char[path.size() + 1];
    std::memcpy(copy, path.c_str(), path.size() + 1);
    return static_cast<long>(reinterpret_cast<std::intptr_t>(copy));
}

std::string take_file_name_string(long address)
{
    if (address == 0)
        return std::string();
    std::string path(at(address));
    delete[] at(address);
    return path;
}

void free_file_name_string(long address)
{
    delete[] at(address);
}
