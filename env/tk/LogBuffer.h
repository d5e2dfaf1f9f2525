#pragma once

#include <cstdint>
#include <deque>
#include <streambuf>
#include <string>
#include <vector>

// Collects the model's `ev` output line by line, each line tagged with the
// module that wrote it (empty outside any module), the event number and the
// simulated time, so that the log window can show one module's lines alone.
// The environment points `ev` at a stream over this buffer; it holds at most
// MAX_LINES lines, the oldest dropped.
class LogBuffer : public std::streambuf {
  public:
    struct Line {
        uint64_t event;
        double time;
        std::string module;
        std::string text;
    };

    // Lines are numbered from 0 in the order written; the window asks for
    // those after the last it has shown (it is never called from inside the
    // event loop).
    uint64_t total() const { return dropped_ + lines_.size(); }
    // The lines numbered `first` on written by `module` or a module inside
    // it; every module's for "". With `limit` > 0 only the last `limit` of them.
    std::vector<const Line*> linesOf(const std::string& module, uint64_t first = 0, size_t limit = 0) const;
    void clear();
    // Keeps at most this many lines, dropping the oldest.
    static constexpr size_t MAX_LINES = 50000;

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

  private:
    void endLine();

    std::string pending_;
    std::deque<Line> lines_;
    uint64_t dropped_ = 0;
};
