#include "fc4/GidFtListFile.h"

#include <cctype>
#include <fstream>

#include "device/InputFile.h"
#include "sim/cModule.h"

namespace {

bool isIdentifier(const std::string& token)
{
    if (token.empty() || token.size() > 8)
        return false;
    for (char c : token)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return std::stoul(token) <= 0xFFFFFF;
}

} // namespace

std::vector<std::uint32_t> read_gid_ft_list(const cModule* reader, const std::string& fileName, int entryNum)
{
    std::ifstream in = open_input_file(reader, fileName, OpenFailText::ERROR_BANG);
    if (entryNum < 0)
        reader->error("---> GID_FT list in the file \"%s\" announced %d identifiers", fileName.c_str(), entryNum);
    std::vector<std::uint32_t> ids;
    ids.reserve(static_cast<size_t>(entryNum));
    std::string token;
    while (static_cast<int>(ids.size()) < entryNum) {
        if (!(in >> token))
            reader->error("---> GID_FT list in the file \"%s\" holds %d of the %d identifiers announced",
                          fileName.c_str(), static_cast<int>(ids.size()), entryNum);
        if (!isIdentifier(token))
            reader->error("---> GID_FT list in the file \"%s\" holds \"%s\" where an N_Port identifier should be",
                          fileName.c_str(), token.c_str());
        ids.push_back(static_cast<std::uint32_t>(std::stoul(token)));
    }
    return ids;
}
