#pragma once

#include <fstream>
#include <string>

class cModule;

// An output or temporary file of a run that knows its writer and its path,
// so that a write the file system refuses (a full disk, a file-size limit)
// ends the run with a message naming the file and the reason, instead of
// leaving a file cut short behind a run that looks successful.
//
// Writers call end_row() after each row of a file they keep open, so that a
// run that stops leaves whole rows only, and finish() when they are done with
// the file. A stream destroyed without finish() is closed unchecked: that
// happens only when the run is already ending on an error.
class OutputStream : public std::ofstream {
  public:
    OutputStream() = default;
    OutputStream(const cModule* writer, const std::string& path, std::ios::openmode mode);
    // Written out: the stream's virtual base has no move of its own.
    OutputStream(OutputStream&& other) noexcept;
    OutputStream& operator=(OutputStream&& other) noexcept;

    // Hands what was written to the file system and checks that it took it.
    void end_row();

    // Flushes and closes the file, checking both; nothing happens when the
    // file is not open.
    void finish();

    const std::string& path() const { return path_; }

  private:
    void check(const char* what);

    const cModule* writer_ = nullptr;
    std::string path_;
};
