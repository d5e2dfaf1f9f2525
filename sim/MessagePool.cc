#include "sim/MessagePool.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "sim/AddressSanitizer.h"

#ifdef VELMORA_ASAN
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif

MessagePool::Block* MessagePool::lists_[MessagePool::kLists] = {};
char* MessagePool::slabNext_ = nullptr;
char* MessagePool::slabEnd_ = nullptr;

void* MessagePool::allocate(size_t size)
{
    if (!kPooled || size == 0 || size > kLargest)
        return ::operator new(size);
    Block*& list = lists_[listOf(size)];
    if (Block* b = list) {
        list = b->next;
        return b;
    }
    return carve((listOf(size) + 1) * kGrain);
}

// Fresh blocks are cut one after another from slabs of one huge page each.
// A run's messages are read at nearly every event and spread over tens of
// megabytes; in small pages they need thousands of entries of the
// translation buffer, and an event that misses it walks the page tables
// (twice over in a virtual machine). The system may give small pages anyway;
// that costs only the speed.
void* MessagePool::carve(size_t size)
{
    if (static_cast<size_t>(slabEnd_ - slabNext_) < size) {
        slabNext_ = mapSlab();
        slabEnd_ = slabNext_ + kSlab;
    }
    void* p = slabNext_;
    slabNext_ += size;
    return p;
}

// A slab starts at a multiple of its size, where a huge page can start.
char* MessagePool::mapSlab()
{
    void* m = mmap(nullptr, 2 * kSlab, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED)
        throw std::bad_alloc();
    auto* mapping = static_cast<char*>(m);
    const auto address = reinterpret_cast<uintptr_t>(mapping);
    char* slab = mapping + ((kSlab - address % kSlab) % kSlab);
    if (slab != mapping)
        munmap(mapping, static_cast<size_t>(slab - mapping));
    if (slab + kSlab != mapping + 2 * kSlab)
        munmap(slab + kSlab, static_cast<size_t>(mapping + 2 * kSlab - (slab + kSlab)));
    madvise(slab, kSlab, MADV_HUGEPAGE);
    return slab;
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
