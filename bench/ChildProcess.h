#pragma once

#include <cstddef>
#include <functional>
#include <type_traits>

// One benchmark run in a child process of its own, so that each run starts
// from the same clean program and its peak memory is its own: the child's
// peak resident size comes from wait4()'s resource usage.
struct ChildOutcome {
    bool finished = false; // the child ran `body` and exited normally
    double peakMiB = 0;
};

// Runs `body` in a forked child, which fills `result`; the parent gets the
// result back through a pipe. `result` must be trivially copyable.
ChildOutcome run_in_child_bytes(void* result, size_t size, const std::function<void(void*)>& body);

template <class T>
ChildOutcome run_in_child(T& result, const std::function<void(T&)>& body)
{
    static_assert(std::is_trivially_copyable<T>::value, "the result crosses a pipe as bytes");
    return run_in_child_bytes(&result, sizeof(T), [&body](void* r) { body(*static_cast<T*>(r)); });
}
