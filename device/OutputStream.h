#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>

class cModule;

// An output or temporary file of a run that knows its writer and its path,
// so that a write the file system refuses (a full disk, a file-size limit)
// ends the run with a message naming the file and the reason, instead of
// leaving a file cut short behind a run that looks successful.
//
// Writers call end_row() after each row of a file they keep open. Rows are
// handed to the file system whole, several at a time: the first at once, so
// that a file the system refuses stops the run at its first row; later ones
// once half the buffer is filled, or a second after the file was last
// written, so that a file watched during a long run keeps up with it. A run
// that is killed leaves whole rows only; one that ends normally or on an
// error leaves every row.
// Writers call finish() when they are done with the file. A stream
// destroyed without finish() is closed unchecked: that happens only when the
// run is already ending on an error.
class OutputStream : public std::ostream {
  public:
    OutputStream();
    OutputStream(const cModule* writer, const std::string& path, std::ios::openmode mode);
    OutputStream(OutputStream&& other) noexcept;
    OutputStream& operator=(OutputStream&& other) noexcept;

    // Opens a file that may be there already to be written from its start
    // without truncating it first, and cuts it to what was written when
    // finished. A file that is there keeps its blocks, and closing it forces
    // no write-back, as closing a file truncated to nothing does on some file
    // systems; a temporary file written over a spare costs no disk write.
    static OutputStream overwriting(const cModule* writer, const std::string& path);

    bool is_open() const { return buffer_.is_open(); }
    // Opens `path`, for writing in any case; a failure sets the fail bit.
    void open(const std::string& path, std::ios::openmode mode);
    // Why the last opening failed, as the system says it.
    std::string openFailure() const;

    // Ends a row: the rows written so far reach the file system when enough
    // of them wait, and what the file system refused ends the run.
    void end_row();

    // Flushes and closes the file, checking both; nothing happens when the
    // file is not open.
    void finish();

    const std::string& path() const { return path_; }

  private:
    class RowBuffer : public std::filebuf {
      public:
        size_t waiting() const { return static_cast<size_t>(pptr() - pbase()); }
    };
    // Rows are written out from this many buffered bytes on: half the file
    // buffer (BUFSIZ), so that no row of the model is cut by the buffer
    // filling up.
    static constexpr size_t kWriteFrom = BUFSIZ / 2;

    bool rowsAreDue() const;
    void write_out();
    void check(const char* what);
    // Where a file written over an older one is to be cut, or -1 when the
    // text written reaches the file's end.
    std::streamoff endOfWrittenText();

    RowBuffer buffer_;
    const cModule* writer_ = nullptr;
    std::string path_;
    std::chrono::steady_clock::time_point lastWritten_;
    bool writtenOnce_ = false;
    bool cutAtFinish_ = false;
    int openErrno_ = 0;
};

// Ends the run with `text`, a file that `writer` could not open or write:
// before the run, at once; in the run, once the writer's event is done.
void stop_for_file_fault(const cModule* writer, const std::string& text);
