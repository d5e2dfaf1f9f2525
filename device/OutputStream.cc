#include "device/OutputStream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "sim/Sim.h"

OutputStream::OutputStream() : std::ostream(&buffer_) {}

OutputStream::OutputStream(const cModule* writer, const std::string& path, std::ios::openmode mode)
    : std::ostream(&buffer_), writer_(writer), path_(path)
{
    open(path, mode);
}

OutputStream::OutputStream(OutputStream&& other) noexcept
    : std::ostream(std::move(other)), buffer_(std::move(other.buffer_)), writer_(other.writer_),
      path_(std::move(other.path_)), lastWritten_(other.lastWritten_), writtenOnce_(other.writtenOnce_),
      cutAtFinish_(other.cutAtFinish_), openErrno_(other.openErrno_)
{
    set_rdbuf(&buffer_);
}

OutputStream& OutputStream::operator=(OutputStream&& other) noexcept
{
    std::ostream::operator=(std::move(other));
    buffer_ = std::move(other.buffer_);
    writer_ = other.writer_;
    path_ = std::move(other.path_);
    lastWritten_ = other.lastWritten_;
    writtenOnce_ = other.writtenOnce_;
    cutAtFinish_ = other.cutAtFinish_;
    openErrno_ = other.openErrno_;
    return *this;
}

OutputStream OutputStream::overwriting(const cModule* writer, const std::string& path)
{
    OutputStream out(writer, path, std::ios::in | std::ios::out);
    if (!out.is_open())
        return OutputStream(writer, path, std::ios::out | std::ios::trunc);
    out.cutAtFinish_ = true;
    return out;
}

void OutputStream::open(const std::string& path, std::ios::openmode mode)
{
    errno = 0;
    if (buffer_.open(path, mode | std::ios::out)) {
        clear();
        openErrno_ = 0;
    } else {
        setstate(std::ios::failbit);
        openErrno_ = errno;
    }
    writtenOnce_ = false;
}

std::string OutputStream::openFailure() const
{
    return openErrno_ ? std::strerror(openErrno_) : "the system gave no reason";
}

bool OutputStream::rowsAreDue() const
{
    return !writtenOnce_ || buffer_.waiting() >= kWriteFrom ||
           std::chrono::steady_clock::now() - lastWritten_ >= std::chrono::seconds(1);
}

void OutputStream::write_out()
{
    if (!fail()) {
        errno = 0;
        flush();
    }
    writtenOnce_ = true;
    lastWritten_ = std::chrono::steady_clock::now();
}

void OutputStream::end_row()
{
    if (rowsAreDue())
        write_out();
    check("write");
}

void OutputStream::finish()
{
    if (!is_open())
        return;
    write_out();
    check("write");
    const std::streamoff cutAt = cutAtFinish_ ? endOfWrittenText() : -1;
    errno = 0;
    if (!buffer_.close() || (cutAt >= 0 && ::truncate(path_.c_str(), cutAt) != 0))
        setstate(std::ios::failbit);
    check("close");
}

std::streamoff OutputStream::endOfWrittenText()
{
    const std::streamoff written = buffer_.pubseekoff(0, std::ios::cur, std::ios::out);
    // Most temporary files are as long as the spare they were written over:
    // cutting a file to its own length still makes the file system walk its
    // blocks.
    const std::streamoff length = buffer_.pubseekoff(0, std::ios::end, std::ios::out);
    return written >= 0 && length > written ? written : -1;
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
    stop_for_file_fault(writer_, text);
}

// In a run the module finishes its event first, so that nothing it holds is
// lost; the run then ends with the first such failure.
void stop_for_file_fault(const cModule* writer, const std::string& text)
{
    if (simulation.isRunning())
        simulation.failAfterEvent(cRuntimeError(text, writer->fullPath()));
    else
        writer->error("%s", text.c_str());
}
