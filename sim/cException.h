#pragma once

#include <cstdarg>
#include <stdexcept>
#include <string>

// Error codes of kernel exceptions that callers test for.
enum ErrorCode { eOK = 0, eCUSTOM = 1, eNOMEM = 11 };

// Formats like printf into a string of whatever length the text needs.
std::string opp_vformat(const char* fmt, va_list ap);
std::string opp_format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A fatal error: ends the set-up or the run. `modulePath` names the module
// that raised it, empty for kernel and environment errors.
class cRuntimeError : public std::runtime_error {
  public:
    explicit cRuntimeError(const std::string& message, std::string modulePath = "", int code = eCUSTOM)
        : std::runtime_error(message), modulePath_(std::move(modulePath)), code_(code)
    {
    }
    const std::string& modulePath() const { return modulePath_; }
    int errorCode() const { return code_; }

  private:
    std::string modulePath_;
    int code_;
};

// Thrown by endSimulation(): a normal end of the run.
class cTerminationException {
  public:
    explicit cTerminationException(std::string reason) : reason_(std::move(reason)) {}
    const std::string& reason() const { return reason_; }

  private:
    std::string reason_;
};

// Thrown inside a suspended coroutine when its module is deleted, so that the
// coroutine's stack unwinds and its locals are destroyed. Never catch it.
class cStackCleanupException {};

[[noreturn]] void throwError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
