#include "network/LowMemory.h"

#include <new>

#include "sim/cException.h"

const char* const lowMemoryMessage = "Not enough memory to go on building the network";

namespace {

const size_t reserveSize = 1 << 20;
char* reserve = nullptr;
bool installed = false;
std::new_handler previousHandler = nullptr;

void on_allocation_failure()
{
    if (reserve) {
        delete[] reserve;
        reserve = nullptr;
        return; // the allocation is retried and may now succeed
    }
    if (previousHandler) {
        previousHandler();
        return;
    }
    throw std::bad_alloc();
}

void install()
{
    if (installed)
        return;
    installed = true;
    reserve = new char[reserveSize];
    previousHandler = std::set_new_handler(on_allocation_failure);
}

} // namespace

bool memory_is_low()
{
    install();
    return reserve == nullptr;
}

void check_memory()
{
    if (memory_is_low())
        throw cRuntimeError(lowMemoryMessage, "", eNOMEM);
}

void release_memory_reserve()
{
    install();
    delete[] reserve;
    reserve = nullptr;
}

void restore_memory_reserve()
{
    install();
    if (!reserve)
        reserve = new char[reserveSize];
}
