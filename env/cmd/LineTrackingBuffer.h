#pragma once

#include <streambuf>

// A stream buffer that passes everything on to another and remembers
// whether what it passed last ended a line, so that a banner never starts
// in the middle of a module's unfinished line.
class LineTrackingBuffer : public std::streambuf {
  public:
    explicit LineTrackingBuffer(std::streambuf* target) : target_(target) {}
    bool atLineStart() const { return atLineStart_; }

  protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        atLineStart_ = traits_type::to_char_type(c) == '\n';
        return target_->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        if (n > 0)
            atLineStart_ = s[n - 1] == '\n';
        return target_->sputn(s, n);
    }
    int sync() override { return target_->pubsync(); }

  private:
    std::streambuf* target_;
    bool atLineStart_ = true;
};
