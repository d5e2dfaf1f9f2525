#include "device/FileNameString.h"

#include <cstring>

#include "sim/ObjectAddress.h"

long new_file_name_string(const std::string& path)
{
    char* copy = new char[path.size() + 1];
    std::memcpy(copy, path.c_str(), path.size() + 1);
    return object_address(copy);
}

std::string take_file_name_string(long address)
{
    if (address == 0)
        return std::string();
    std::string path(object_at<char>(address));
    delete[] object_at<char>(address);
    return path;
}

std::string peek_file_name_string(long address)
{
    return address == 0 ? std::string() : std::string(object_at<char>(address));
}

void free_file_name_string(long address)
{
    delete[] object_at<char>(address);
}
