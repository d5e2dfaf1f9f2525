#pragma once

#include <cstddef>
#include <string>

// A stackful coroutine on its own mmap'ed stack with a guard region below it.
// Control passes only by switchTo(); the coroutine that calls it is suspended
// and the target resumes where it left off (or enters its body). Any
// coroutine may switch straight to any other, so the scheduler needs no
// round trip through its own context between two modules.
//
// A stack overflow hits the guard region; the fault handler then ends the
// program with a message naming the coroutine's owner instead of letting it
// corrupt memory.
class Coroutine {
  public:
    typedef void (*Body)(void* arg);

    Coroutine(Body body, void* arg, size_t stackSize, std::string owner);
    Coroutine(const Coroutine&) = delete;
    Coroutine& operator=(const Coroutine&) = delete;
    ~Coroutine();

    // Suspends the running coroutine (or the main context) and resumes `to`.
    static void switchTo(Coroutine* to);
    // The main context: the program's own stack.
    static Coroutine* main();
    static Coroutine* current() { return current_; }

    size_t stackSize() const { return size_; }
    const std::string& owner() const { return owner_; }

    static size_t pageSize();

  private:
    Coroutine(); // the main context
    static void entry(void* transfer);

    void* ctx_ = nullptr;
    char* mapping_ = nullptr;
    size_t mappingSize_ = 0;
    char* stackBottom_ = nullptr;
    size_t size_ = 0;
    Body body_ = nullptr;
    void* arg_ = nullptr;
    std::string owner_;
    void* fakeStack_ = nullptr; // AddressSanitizer's per-coroutine state
    char* deepestSwitch_ = nullptr; // lowest stack address left suspended, for the sanitizer

    static Coroutine* current_;
};
