#include "bench/ChildProcess.h"

#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

bool write_all(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool read_all(int fd, char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = read(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

ChildOutcome run_in_child_bytes(void* result, size_t size, const std::function<void(void*)>& body)
{
    ChildOutcome outcome;
    int fds[2];
    if (pipe(fds) != 0)
        return outcome;
    // Whatever the parent has buffered would otherwise be written twice.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return outcome;
    }
    if (child == 0) {
        close(fds[0]);
        std::vector<char> filled(static_cast<char*>(result), static_cast<char*>(result) + size);
        body(filled.data());
        std::cout.flush();
        std::fflush(nullptr);
        _exit(write_all(fds[1], filled.data(), size) ? 0 : 1);
    }
    close(fds[1]);
    std::vector<char> received(size);
    const bool got = read_all(fds[0], received.data(), size);
    close(fds[0]);
    int status = 0;
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    outcome.finished = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (outcome.finished)
        std::memcpy(result, received.data(), size);
    outcome.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
    return outcome;
}
