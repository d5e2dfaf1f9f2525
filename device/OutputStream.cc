#include "device/OutputStream.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "sim/Sim.h"

OutputStream::OutputStream(const cModule* writer, const std::string& path, std::ios::openmode mode)
    : std::ofstream(path, mode), writer_(writer), path_(path)
{
}

OutputStream::OutputStream(OutputStream&& other) noexcept
    : std::ofstream(std::move(other)), writer_(other.writer_), path_(std::move(other.path_))
{
}

OutputStream& OutputStream::operator=(OutputStream&& other) noexcept
{
    std::ofstream::operator=(std::move(other));
    writer_ = other.writer_;
    path_ = std::move(other.path_);
    return *this;
}

void OutputStream::end_row()
{
    if (!fail()) {
        errno = 0;
        flush();
    }
    check("write");
}

void OutputStream::finish()
{
    if (!is_open())
        return;
    end_row();
    errno = 0;
    close();
    check("close");
}

void OutputStream::check(const char* what)
{
    if (!fail())
        return;
    // The stream keeps no reason of its own; the system call that failed
    // left it in errno.
    const int reason = errno;
    clear();
    const std::string text = std::string("---> Couldn't ") + what + " file \"" + path_ +
                             "\": " + (reason ? std::strerror(reason) : "the write was refused") +
                             ". Please check the file system";
    // In a run the module finishes its event first, so that nothing it holds
    // is lost; the run then ends with the first such failure.
    if (simulation.isRunning())
        simulation.failAfterEvent(cRuntimeError(text, writer_->fullPath()));
    else
        writer_->error("%s", text.c_str());
}
