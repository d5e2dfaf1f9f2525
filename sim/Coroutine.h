#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A stackful coroutine on its own mmap'ed stack with a guard region below it.
// Control passes only by switchTo(); the coroutine that calls it is suspended
// and the target resumes where it left off (or enters its body). Any
// coroutine may switch straight to any other, so the scheduler needs no
// round trip through its own context between two modules.
//
// A stack overflow hits the guard region; the fault handler then ends the
// program with a message naming the coroutine's owner instead of letting it
// corrupt memory. Every frame probes its stack page by page as it grows (the
// build's stack-clash protection), so no frame, however large, can step over
// the guard into whatever lies below it.
//
// A default-constructed coroutine has no stack yet; make() gives it one. That
// lets a module hold its coroutine inside itself, so that resuming it touches
// the module's own cache lines rather than a separate allocation.
class Coroutine {
  public:
    typedef void (*Body)(void* arg);

    Coroutine() = default;
    Coroutine(Body body, void* arg, size_t stackSize, std::string owner);
    Coroutine(const Coroutine&) = delete;
    Coroutine& operator=(const Coroutine&) = delete;
    ~Coroutine() { release(); }

    // Maps the stack and prepares the body to run at the first switch here.
    void make(Body body, void* arg, size_t stackSize, std::string owner);
    // The same on a stack that its owner mapped, with a guard region of
    // guardSize() bytes below `stackBottom`; release() leaves it mapped.
    void make(Body body, void* arg, char* stackBottom, size_t stackSize, std::string owner);
    bool made() const { return stackBottom_ != nullptr; }
    // Unmaps the stack; the coroutine must not be running or be resumed again.
    void release();

    // The guard region below every coroutine stack.
    static size_t guardSize();

    // Suspends the running coroutine (or the main context) and resumes `to`.
    static void switchTo(Coroutine* to);
    // The main context: the program's own stack.
    static Coroutine* main();
    static Coroutine* current() { return current_; }

    size_t stackSize() const { return size_; }
    const std::string& owner() const { return owner_; }

    static size_t pageSize();

  private:
    static void entry();

    Body body_ = nullptr;
    void* arg_ = nullptr;
    char* stackBottom_ = nullptr;
    size_t size_ = 0;
    char* mapping_ = nullptr;
    size_t mappingSize_ = 0;
    void* fakeStack_ = nullptr;     // AddressSanitizer's per-coroutine state
    char* deepestSwitch_ = nullptr; // lowest stack address left suspended, for the sanitizer
    std::string owner_;
    // Where the coroutine's guard region is in the list the overflow handler
    // searches, so that tearing down thousands of modules finds each at once;
    // the main context has none.
    static constexpr size_t kNoGuard = SIZE_MAX;
    size_t guardSlot_ = kNoGuard;
    // The saved context comes last: it is what a switch reads and writes, and
    // a module that holds its coroutine keeps what delivery touches just after.
    void* ctx_ = nullptr;

    static Coroutine* current_;
    // For the address sanitizer: the coroutine that switched to the running one.
    static Coroutine* previous_;
    static void noteStackOf(Coroutine* jumper, const void* bottom, size_t size);
};
