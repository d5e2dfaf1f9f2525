#include "sim/ModuleStackBlock.h"

#include <sys/mman.h>

#include <new>

#include "sim/Coroutine.h"
#include "sim/cSimulation.h"

namespace {

constexpr size_t kLine = 64;

// Just below the object, on its own cache line; the stack starts beneath it.
struct alignas(kLine) BlockHeader {
    char* mapping;
    size_t mappingSize;
    char* stackBottom;
    size_t stackSize;
    const void* object;
};

// The block handed out last: the object's constructor asks for its block
// right after allocate(), before any other module is made.
const BlockHeader* lastBlock = nullptr;

size_t roundUp(size_t n, size_t unit)
{
    return (n + unit - 1) / unit * unit;
}

} // namespace

void* ModuleStackBlock::allocate(size_t objectSize)
{
    const size_t page = Coroutine::pageSize();
    const size_t top = roundUp(objectSize, kLine) + sizeof(BlockHeader);
    const size_t size = Coroutine::guardSize() + roundUp(simulation.minStackSize() + top, page);
    void* m = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (m == MAP_FAILED)
        throw std::bad_alloc();
    char* mapping = static_cast<char*>(m);
    mprotect(mapping, Coroutine::guardSize(), PROT_NONE);
    char* end = mapping + size;
    char* object = end - roundUp(objectSize, kLine);
    auto* header = reinterpret_cast<BlockHeader*>(object - sizeof(BlockHeader));
    char* stackBottom = mapping + Coroutine::guardSize();
    const auto stack = static_cast<size_t>(reinterpret_cast<char*>(header) - stackBottom);
    *header = BlockHeader{mapping, size, stackBottom, stack, object};
    lastBlock = header;
    return object;
}

void ModuleStackBlock::release(void* object)
{
    auto* header = reinterpret_cast<BlockHeader*>(static_cast<char*>(object) - sizeof(BlockHeader));
    if (lastBlock == header)
        lastBlock = nullptr;
    munmap(header->mapping, header->mappingSize);
}

bool ModuleStackBlock::stackOf(const void* object, char*& stackBottom, size_t& stackSize)
{
    if (!lastBlock || lastBlock->object != object)
        return false;
    stackBottom = lastBlock->stackBottom;
    stackSize = lastBlock->stackSize;
    return true;
}
