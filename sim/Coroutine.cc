#include "sim/Coroutine.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/cEnvir.h"
#include "sim/cException.h"

#if defined(__x86_64__)
#include "sim/StackSwitch.h"
#else
#include <boost/context/detail/fcontext.hpp>
namespace ctx = boost::context::detail;
#endif

#include "sim/AddressSanitizer.h"
#ifdef VELMORA_ASAN
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// Frames probe their stack page by page, so one page would do; the rest is
// for code built without the probes, whose frames may step over a page.
constexpr size_t kGuardSize = 64 * 1024;

#ifdef VELMORA_ASAN
// The sanitizer clears a stack's marks itself when an exception leaves
// frames, but only on stacks smaller than this.
constexpr size_t kSanitizerCleanupReach = 64 * 1024 * 1024;
#endif

struct GuardRegion {
    const char* lo;
    const char* hi;
    Coroutine* owner;
};
std::vector<GuardRegion>& guards()
{
    static std::vector<GuardRegion> list;
    return list;
}

// What handled the two signals before us (the default action, or the
// sanitizer's report): faults outside the guard regions go back to it.
struct sigaction previousSegv, previousBus;

// Runs on its own stack, with the overflowed coroutine's state beyond repair:
// it writes what the user needs with write(2) and leaves with _exit().
void reportOverflow(int sig, siginfo_t* info, void*)
{
    const char* addr = static_cast<const char*>(info->si_addr);
    for (const GuardRegion& g : guards()) {
        if (addr >= g.lo && addr < g.hi) {
            // Module output still buffered belongs before the error. It is
            // written out unless the overflow struck in the middle of writing it.
            if (!ev.isWriting()) {
                ev.flush();
                std::fflush(stdout);
            }
            char text[1024];
            int n = std::snprintf(text, sizeof text,
                                  "<!> Error in module %s: stack overflow: its coroutine stack of %zu bytes "
                                  "is too small (raise min-stack-size in the [General] section)\n",
                                  g.owner->owner().c_str(), g.owner->stackSize());
            if (n > 0)
                (void)!write(2, text, std::min<size_t>(n, sizeof text - 1));
            _exit(1);
        }
    }
    // Not an overflow of ours: the fault recurs on return, under the handler
    // that was there before.
    sigaction(sig, sig == SIGBUS ? &previousBus : &previousSegv, nullptr);
}

void installOverflowHandler()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    static std::vector<char> altStack(64 * 1024);
    stack_t ss{};
    ss.ss_sp = altStack.data();
    ss.ss_size = altStack.size();
    sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_sigaction = reportOverflow;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGSEGV, &sa, &previousSegv);
    sigaction(SIGBUS, &sa, &previousBus);
}

} // namespace

Coroutine* Coroutine::current_ = nullptr;
Coroutine* Coroutine::previous_ = nullptr;

size_t Coroutine::pageSize()
{
    static size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

Coroutine* Coroutine::main()
{
    static Coroutine mainContext;
    if (!current_) {
        mainContext.owner_ = "(main)";
        current_ = &mainContext;
    }
    return &mainContext;
}

Coroutine::Coroutine(Body body, void* arg, size_t stackSize, std::string owner)
{
    make(body, arg, stackSize, std::move(owner));
}

size_t Coroutine::guardSize()
{
    return kGuardSize;
}

void Coroutine::make(Body body, void* arg, size_t stackSize, std::string owner)
{
    size_t page = pageSize();
    size_t size = (stackSize + page - 1) / page * page;
    size_t mappingSize = size + kGuardSize;
    void* m = mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (m == MAP_FAILED)
        throw cRuntimeError("Cannot allocate a coroutine stack of " + std::to_string(size) + " bytes for " + owner, "",
                            eNOMEM);
    char* mapping = static_cast<char*>(m);
    mprotect(mapping, kGuardSize, PROT_NONE);
    make(body, arg, mapping + kGuardSize, size, std::move(owner));
    mapping_ = mapping;
    mappingSize_ = mappingSize;
}

void Coroutine::make(Body body, void* arg, char* stackBottom, size_t stackSize, std::string owner)
{
    release();
    main();
    installOverflowHandler();
    body_ = body;
    arg_ = arg;
    owner_ = std::move(owner);
    stackBottom_ = stackBottom;
    size_ = stackSize;
    guardSlot_ = guards().size();
    guards().push_back(GuardRegion{stackBottom_ - kGuardSize, stackBottom_, this});
    // Writes the first frame at the top of the stack, so that page is in
    // place before the run starts.
#if defined(__x86_64__)
    ctx_ = StackSwitch::prepare(
        stackBottom_ + size_, [](void*) { entry(); }, nullptr);
#else
    ctx_ = ctx::make_fcontext(stackBottom_ + size_, size_, [](ctx::transfer_t t) {
        static_cast<Coroutine*>(t.data)->ctx_ = t.fctx;
        entry();
    });
#endif
}

void Coroutine::release()
{
    if (!stackBottom_)
        return;
    if (guardSlot_ != kNoGuard) {
        auto& g = guards();
        if (guardSlot_ + 1 != g.size()) {
            g[guardSlot_] = g.back();
            g[guardSlot_].owner->guardSlot_ = guardSlot_;
        }
        g.pop_back();
        guardSlot_ = kNoGuard;
    }
    if (mapping_) {
#ifdef VELMORA_ASAN
        // The sanitizer remembers frames on this stack; a later stack mapped at
        // the same address must not inherit them. Frames below the deepest
        // point the coroutine was suspended at have returned and cleared their
        // own marks; the top 64 MiB also cover what an exception's unwinding
        // leaves, which the sanitizer itself clears only on stacks smaller than
        // that. A huge stack thus costs no more than a small one.
        char* top = stackBottom_ + size_;
        size_t used = std::min(size_, kSanitizerCleanupReach);
        if (deepestSwitch_ && deepestSwitch_ >= stackBottom_ && deepestSwitch_ < top)
            used = std::max(used, std::min(size_, static_cast<size_t>(top - deepestSwitch_) + kGuardSize));
        char* from = used >= size_ ? mapping_ : top - used;
        __asan_unpoison_memory_region(from, static_cast<size_t>(top - from));
#endif
        munmap(mapping_, mappingSize_);
    }
    mapping_ = nullptr;
    mappingSize_ = 0;
    stackBottom_ = nullptr;
    ctx_ = nullptr;
}

void Coroutine::entry()
{
#ifdef VELMORA_ASAN
    const void* bottom;
    size_t size;
    __sanitizer_finish_switch_fiber(nullptr, &bottom, &size);
    noteStackOf(previous_, bottom, size);
#endif
    Coroutine* self = current_;
    self->body_(self->arg_);
    // A body never returns: it hands control away for good when it is done.
    std::fputs("coroutine body returned\n", stderr);
    std::abort();
}

// The main context learns its stack from the sanitizer at its first switch.
void Coroutine::noteStackOf(Coroutine* jumper, const void* bottom, size_t size)
{
    if (!jumper->stackBottom_) {
        jumper->stackBottom_ = static_cast<char*>(const_cast<void*>(bottom));
        jumper->size_ = size;
    }
}

void Coroutine::switchTo(Coroutine* to)
{
    Coroutine* from = current_ ? current_ : main();
    if (to == from)
        return;
    current_ = to;
#ifdef VELMORA_ASAN
    char* here = static_cast<char*>(__builtin_frame_address(0));
    if (!from->deepestSwitch_ || here < from->deepestSwitch_)
        from->deepestSwitch_ = here;
    previous_ = from;
    __sanitizer_start_switch_fiber(&from->fakeStack_, to->stackBottom_, to->size_);
#endif
#if defined(__x86_64__)
    StackSwitch::swap(&from->ctx_, to->ctx_);
#else
    ctx::transfer_t t = ctx::jump_fcontext(to->ctx_, from);
    static_cast<Coroutine*>(t.data)->ctx_ = t.fctx;
#endif
#ifdef VELMORA_ASAN
    const void* bottom;
    size_t size;
    __sanitizer_finish_switch_fiber(from->fakeStack_, &bottom, &size);
    noteStackOf(previous_, bottom, size);
#endif
}
