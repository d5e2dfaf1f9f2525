#include "disk/SeekTable.h"

#include <fstream>

#include "sim/cModule.h"

std::string SeekTable::file_name(const std::string& model)
{
    return model + ".seek.full.ini";
}

std::string SeekTable::root_par_name(const std::string& model)
{
    return model + "_seek_ptr";
}

void SeekTable::read(const cModule* reader, const std::string& model, long cylNum)
{
    const std::string name = file_name(model);
    std::ifstream in(name);
    if (!in)
        reader->error("---> Couldn't open file \"%s\"", name.c_str());
    records_.clear();
    records_.reserve(static_cast<size_t>(cylNum));
    double distance = 0, timeMs = 0;
    while (static_cast<long>(records_.size()) < cylNum && in >> distance >> timeMs)
        records_.push_back({static_cast<double>(static_cast<long>(distance)), timeMs});
    if (static_cast<long>(records_.size()) < cylNum)
        reader->error("---> \"%s.params.ini\" indicates %ld cylinders but \"%s.seek.full.ini\" has only %d cylinder "
                      "records",
                      model.c_str(), cylNum, model.c_str(), static_cast<int>(records_.size()));
}
