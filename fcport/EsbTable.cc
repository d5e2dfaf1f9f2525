#include "fcport/EsbTable.h"

#include <cstddef>

void EsbTable::assign(int n)
{
    blocks_.assign(n > 0 ? static_cast<std::size_t>(n) : 0, ESB{});
    size_ = static_cast<int>(blocks_.size());
    allocated_ = true;
}

void EsbTable::clear()
{
    blocks_.clear();
    allocated_ = false;
    size_ = 0;
    inUse_ = 0;
}

ESB* EsbTable::first_free()
{
    for (ESB& esb : blocks_)
        if (esb.completion)
            return &esb;
    return nullptr;
}
