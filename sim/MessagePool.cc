#include "sim/MessagePool.h"

#include <new>

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif

MessagePool::Block* MessagePool::lists_[MessagePool::kLists] = {};

void* MessagePool::allocate(size_t size)
{
    if (!kPooled || size == 0 || size > kLargest)
        return ::operator new(size);
    Block*& list = lists_[listOf(size)];
    if (Block* b = list) {
        list = b->next;
        return b;
    }
    return ::operator new((listOf(size) + 1) * kGrain);
}

void MessagePool::release(void* p, size_t size)
{
    if (!p)
        return;
    if (!kPooled || size == 0 || size > kLargest) {
        ::operator delete(p);
        return;
    }
    auto* b = static_cast<Block*>(p);
    Block*& list = lists_[listOf(size)];
    b->next = list;
    list = b;
}

size_t MessagePool::spareBlocks()
{
    size_t n = 0;
    for (const Block* list : lists_)
        for (const Block* b = list; b; b = b->next)
            ++n;
    return n;
}
