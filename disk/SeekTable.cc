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
    while (static_cast<long>(records_.size()) < cylNum && in >> distance >> timeMs) {
        const long row = static_cast<long>(records_.size()) + 1;
        // A distance beyond any disk has no whole number of cylinders.
        if (!(distance >= 0 && distance <= MAX_DISTANCE))
            reader->error("---> \"%s\" : seek record %ld has the distance %g, which must be within [0,%g]. Check the "
                          "file \"%s\" to make a correction",
                          model.c_str(), row, distance, MAX_DISTANCE, name.c_str());
        // An endless or negative seek would hold every I/O of the disk at the
        // end of the run, or put its completion in the past.
        if (!(timeMs >= 0 && timeMs <= MAX_SEEK_MS))
            reader->error("---> \"%s\" : seek record %ld has the time %g ms, which must be within [0,%g]. Check the "
                          "file \"%s\" to make a correction",
                          model.c_str(), row, timeMs, MAX_SEEK_MS, name.c_str());
        records_.push_back({static_cast<double>(static_cast<long>(distance)), timeMs});
    }
    if (static_cast<long>(records_.size()) < cylNum)
        reader->error("---> \"%s.params.ini\" indicates %ld cylinders but \"%s.seek.full.ini\" has only %d cylinder "
                      "records",
                      model.c_str(), cylNum, model.c_str(), static_cast<int>(records_.size()));
}

long SeekTable::first_falling_record() const
{
    for (size_t i = 1; i < records_.size(); ++i)
        if (records_[i].timeMs < records_[i - 1].timeMs)
            return static_cast<long>(i) + 1;
    return 0;
}
