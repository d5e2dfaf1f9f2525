#include "fcport/EsbTable.h"

#include <algorithm>
#include <cstddef>

void EsbTable::assign(int n)
{
    blocks_.assign(n > 0 ? static_cast<std::size_t>(n) : 0, ESB{});
    taken_ = 0;
    size_ = static_cast<int>(blocks_.size());
    allocated_ = true;
}

void EsbTable::clear()
{
    blocks_.clear();
    taken_ = 0;
    allocated_ = false;
    size_ = 0;
    inUse_ = 0;
}

ESB* EsbTable::first_free()
{
    for (std::size_t k = 0; k < blocks_.size(); ++k)
        if (blocks_[k].completion) {
            taken_ = std::max(taken_, k + 1);
            return &blocks_[k];
        }
    return nullptr;
}
