#pragma once

#include <ostream>

// The model's console: `ev << ...` and `ev.printf(...)` write module output
// lines to the environment's stream. In express mode output is off; the EV
// macro then skips even the evaluation of what would have been printed, so
// logging costs one branch on the hot path.
class cEnvir {
  public:
    cEnvir();
    bool isDisabled() const { return disabled_; }
    void setDisabled(bool disabled) { disabled_ = disabled; }
    std::ostream& stream() { return *out_; }
    void setStream(std::ostream* out);

    template <class T>
    cEnvir& operator<<(const T& value)
    {
        if (!disabled_) {
            ++writing_;
            *out_ << value;
            --writing_;
        }
        return *this;
    }
    cEnvir& operator<<(std::ostream& (*manip)(std::ostream&))
    {
        if (!disabled_) {
            ++writing_;
            *out_ << manip;
            --writing_;
        }
        return *this;
    }
    void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void flush();
    // True while a line is being written: a fatal signal then must not flush
    // the stream, whose buffer may be half updated.
    bool isWriting() const { return writing_ != 0; }

  private:
    bool disabled_ = false;
    volatile int writing_ = 0;
    std::ostream* out_;
};

extern cEnvir ev;

#define EV                                                                                                             \
    if (ev.isDisabled()) {                                                                                             \
    } else                                                                                                             \
        ev
