#include "array/LunTable.h"

#include <string>

#include "sim/Sim.h"

void LunTable::init_lun_table(int arrLunNum)
{
    entries_ = std::vector<LunEntry>(arrLunNum);
    for (int i = 0; i < arrLunNum; ++i) {
        entries_[i].lunId = static_cast<unsigned long>(i);
        entries_[i].ctrlIdx = i;
    }
    total_.fill(0);
}

LunEntry* LunTable::query_lun_table(unsigned long lun)
{
    EV << "Look up LUN Table ... ";
    LunEntry* entry = lun < entries_.size() ? &entries_[lun] : nullptr;
    EV << "Done.\n";
    return entry;
}

void LunTable::show_lun_table() const
{
    const std::string rule(28, '=');
    EV << owner_->fullPath() << "\n" << rule << "\nLUN_ID\tCTRL_INX\t\n" << rule << "\n";
    for (const LunEntry& e : entries_)
        EV << e.lunId << "\t" << e.ctrlIdx << "\t\n";
}

bool LunTable::count(unsigned long lun, CacheCounter counter, long n)
{
    if (lun >= entries_.size())
        return false;
    entries_[lun].interval[counter] += n;
    entries_[lun].run[counter] += n;
    total_[counter] += n;
    return true;
}
