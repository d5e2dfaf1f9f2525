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
        if (!disabled_)
            *out_ << value;
        return *this;
    }
    cEnvir& operator<<(std::ostream& (*manip)(std::ostream&))
    {
        if (!disabled_)
            *out_ << manip;
        return *this;
    }
    void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void flush();

  private:
    bool disabled_ = false;
    std::ostream* out_;
};

extern cEnvir ev;

#define EV                 \
    if (ev.isDisabled()) { \
    } else                 \
        ev
