#include "sim/Coroutine.h"

#include <algorithm>
#include <boost/context/detail/fcontext.hpp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "sim/cException.h"

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_ASAN 1
#endif
#endif
#ifdef VELMORA_ASAN
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace ctx = boost::context::detail;

namespace {

// Big enough that no single stack frame of the model jumps over it.
constexpr size_t kGuardSize = 64 * 1024;

#ifdef VELMORA_ASAN
// The sanitizer clears a stack's marks itself when an exception leaves
// frames, but only on stacks smaller than this.
constexpr size_t kSanitizerCleanupReach = 64 * 1024 * 1024;
#endif

struct GuardRegion {
    const char* lo;
    const char* hi;
    const Coroutine* owner;
};
std::vector<GuardRegion>& guards()
{
    static std::vector<GuardRegion> list;
    return list;
}

#ifndef VELMORA_ASAN
void reportOverflow(int sig, siginfo_t* info, void*)
{
    const char* addr = static_cast<const char*>(info->si_addr);
    for (const GuardRegion& g : guards()) {
        if (addr >= g.lo && addr < g.hi) {
            char text[512];
            int n = std::snprintf(text, sizeof text,
                                  "\n<!> Error: stack overflow in module %s: its coroutine stack of %zu bytes "
                                  "is too small (raise min-stack-size in the [General] section)\n",
                                  g.owner->owner().c_str(), g.owner->stackSize());
            if (n > 0)
                (void)!write(2, text, std::min<size_t>(n, sizeof text - 1));
            _exit(3);
        }
    }
    // Not an overflow of ours: let the default action take place.
    signal(sig, SIG_DFL);
}
#endif

void installOverflowHandler()
{
#ifndef VELMORA_ASAN
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
    sigaction(SIGSEGV, &sa, nullptr);
    sigaction(SIGBUS, &sa, nullptr);
#endif
}

} // namespace

Coroutine* Coroutine::current_ = nullptr;

size_t Coroutine::pageSize()
{
    static size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

Coroutine::Coroutine() : owner_("(main)") {}

Coroutine* Coroutine::main()
{
    static Coroutine mainContext;
    if (!current_)
        current_ = &mainContext;
    return &mainContext;
}

Coroutine::Coroutine(Body body, void* arg, size_t stackSize, std::string owner)
    : body_(body), arg_(arg), owner_(std::move(owner))
{
    main();
    installOverflowHandler();
    size_t page = pageSize();
    size_ = (stackSize + page - 1) / page * page;
    mappingSize_ = size_ + kGuardSize;
    void* m = mmap(nullptr, mappingSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
    if (m == MAP_FAILED)
        throw cRuntimeError("Cannot allocate a coroutine stack of " + std::to_string(size_) + " bytes for " +
                                owner_,
                            "", eNOMEM);
    mapping_ = static_cast<char*>(m);
    mprotect(mapping_, kGuardSize, PROT_NONE);
    stackBottom_ = mapping_ + kGuardSize;
    guards().push_back(GuardRegion{mapping_, mapping_ + kGuardSize, this});
    ctx_ = ctx::make_fcontext(stackBottom_ + size_, size_, [](ctx::transfer_t t) { entry(&t); });
}

Coroutine::~Coroutine()
{
    if (!mapping_)
        return;
    auto& g = guards();
    for (size_t i = 0; i < g.size(); ++i) {
        if (g[i].owner == this) {
            g[i] = g.back();
            g.pop_back();
            break;
        }
    }
#ifdef VELMORA_ASAN
    // The sanitizer remembers frames on this stack; a later stack mapped at the
    // same address must not inherit them. Frames below the deepest point the
    // coroutine was suspended at have returned and cleared their own marks;
    // the top 64 MiB also cover what an exception's unwinding leaves, which
    // the sanitizer itself clears only on stacks smaller than that. A huge
    // stack thus costs no more than a small one.
    char* top = stackBottom_ + size_;
    size_t used = std::min(size_, kSanitizerCleanupReach);
    if (deepestSwitch_ && deepestSwitch_ >= stackBottom_ && deepestSwitch_ < top)
        used = std::max(used, std::min(size_, static_cast<size_t>(top - deepestSwitch_) + kGuardSize));
    char* from = used >= size_ ? mapping_ : top - used;
    __asan_unpoison_memory_region(from, static_cast<size_t>(top - from));
#endif
    munmap(mapping_, mappingSize_);
}

void Coroutine::entry(void* transfer)
{
    auto* t = static_cast<ctx::transfer_t*>(transfer);
    Coroutine* from = static_cast<Coroutine*>(t->data);
    from->ctx_ = t->fctx;
#ifdef VELMORA_ASAN
    const void* bottom;
    size_t size;
    __sanitizer_finish_switch_fiber(nullptr, &bottom, &size);
    if (!from->stackBottom_) {
        from->stackBottom_ = static_cast<char*>(const_cast<void*>(bottom));
        from->size_ = size;
    }
#endif
    Coroutine* self = current_;
    self->body_(self->arg_);
    // A body never returns: it hands control away for good when it is done.
    std::fputs("coroutine body returned\n", stderr);
    std::abort();
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
    __sanitizer_start_switch_fiber(&from->fakeStack_, to->stackBottom_, to->size_);
#endif
    ctx::transfer_t t = ctx::jump_fcontext(to->ctx_, from);
    static_cast<Coroutine*>(t.data)->ctx_ = t.fctx;
#ifdef VELMORA_ASAN
    const void* bottom;
    size_t size;
    __sanitizer_finish_switch_fiber(from->fakeStack_, &bottom, &size);
    Coroutine* jumper = static_cast<Coroutine*>(t.data);
    if (!jumper->stackBottom_) {
        jumper->stackBottom_ = static_cast<char*>(const_cast<void*>(bottom));
        jumper->size_ = size;
    }
#endif
}
