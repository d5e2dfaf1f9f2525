#include "sim/StaticText.h"

#if __has_include(<link.h>)
#include <link.h>
#define VELMORA_HAS_PROGRAM_HEADERS 1
#endif

namespace {

struct Span {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
};

#ifdef VELMORA_HAS_PROGRAM_HEADERS
struct Probe {
    std::uintptr_t literal;
    Span segment;
};

// Finds the read-only loaded segment of the program that holds the probe's
// literal: the one the linker gathers every literal and constant into.
int find_constants_segment(dl_phdr_info* info, size_t, void* data)
{
    auto* probe = static_cast<Probe*>(data);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        const std::uintptr_t begin = info->dlpi_addr + header.p_vaddr;
        const std::uintptr_t end = begin + header.p_memsz;
        if (header.p_type == PT_LOAD && !(header.p_flags & PF_W) && probe->literal >= begin && probe->literal < end)
            probe->segment = {begin, end};
    }
    return 1; // the program comes first; the shared libraries are not wanted
}
#endif

Span program_constants()
{
#ifdef VELMORA_HAS_PROGRAM_HEADERS
    Probe probe{reinterpret_cast<std::uintptr_t>("a literal"), {}};
    dl_iterate_phdr(find_constants_segment, &probe);
    return probe.segment;
#else
    return {};
#endif
}

const Span constants = program_constants();

} // namespace

// Zero, and so containing nothing, until the program's static initialisation
// gets here.
std::uintptr_t StaticText::begin_ = constants.begin;
std::uintptr_t StaticText::size_ = constants.end - constants.begin;
