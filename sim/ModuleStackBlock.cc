#include "sim/ModuleStackBlock.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <vector>

#include "sim/Coroutine.h"
#include "sim/cSimulation.h"

namespace {

constexpr size_t kLine = 64;
// Objects are placed at one of this many cache-line offsets below the top of
// their blocks, in turn: blocks are alike in size, so at one offset every
// module's hot fields and suspended frames would compete for the same few
// sets of the caches.
constexpr size_t kColours = 64;
size_t nextColour = 0;
// What a suspended module keeps on its stack just below its object: the
// frames of its activity down to the switch, some 500 to 700 bytes.
constexpr size_t kSuspendedFrames = 768;

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

// Released mappings by size, ready for the next module. Unmapping a block
// costs a flush of the translation buffers of every processor the run has
// been on, and the next network would fault the same pages in again; a
// network of thousands of modules paid more for its tear-down than for
// hours of its events. Blocks are never given back to the system: the lists
// hold at most what the largest network of the process had.
std::map<size_t, std::vector<char*>>& spareBlocks()
{
    static std::map<size_t, std::vector<char*>> spare;
    return spare;
}

char* takeSpare(size_t size)
{
    auto it = spareBlocks().find(size);
    if (it == spareBlocks().end() || it->second.empty())
        return nullptr;
    char* mapping = it->second.back();
    it->second.pop_back();
    return mapping;
}

char* mapBlock(size_t size)
{
    void* m = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (m == MAP_FAILED)
        throw std::bad_alloc();
    char* mapping = static_cast<char*>(m);
    mprotect(mapping, Coroutine::guardSize(), PROT_NONE);
    return mapping;
}

// As many colours as keep an object and its suspended frames in the top page
// of the block, so that resuming the module needs one entry of the
// translation buffer; all of them for an object too large for that anyway.
size_t coloursWithinTopPage(size_t objectRoom, size_t page)
{
    if (objectRoom + kSuspendedFrames >= page)
        return kColours;
    return std::min(kColours, (page - objectRoom - kSuspendedFrames) / kLine + 1);
}

} // namespace

void* ModuleStackBlock::allocate(size_t objectSize)
{
    const size_t page = Coroutine::pageSize();
    const size_t objectRoom = roundUp(objectSize, kLine);
    const size_t top = objectRoom + sizeof(BlockHeader);
    size_t size = Coroutine::guardSize() + roundUp(simulation.minStackSize() + top + kColours * kLine, page);
    // An odd number of pages apart, blocks spread over every set of the
    // translation buffer instead of a sixteenth of them.
    if ((size / page) % 2 == 0)
        size += page;
    char* mapping = takeSpare(size);
    const bool reused = mapping != nullptr;
    if (!reused)
        mapping = mapBlock(size);
    const size_t colour = nextColour++ % coloursWithinTopPage(objectRoom, page);
    char* object = mapping + size - objectRoom - colour * kLine;
    if (reused) // the object starts as on a fresh mapping: zeroed
        std::memset(object, 0, objectRoom);
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
    spareBlocks()[header->mappingSize].push_back(header->mapping);
}

bool ModuleStackBlock::stackOf(const void* object, char*& stackBottom, size_t& stackSize)
{
    if (!lastBlock || lastBlock->object != object)
        return false;
    stackBottom = lastBlock->stackBottom;
    stackSize = lastBlock->stackSize;
    return true;
}
