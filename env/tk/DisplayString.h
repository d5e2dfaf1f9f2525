#pragma once

#include <string>
#include <vector>

// A display string such as "i=eepair;p=60,70,row,75;b=50,50;o=#008080":
// tags separated by ';', each with its arguments separated by ','.
class DisplayString {
  public:
    explicit DisplayString(const char* text);
    bool has(const char* tag) const;
    // The argument `index` of `tag`, or `fallback` when absent or empty.
    std::string arg(const char* tag, int index, const char* fallback = "") const;
    // The same read as a number; `fallback` when absent or not a number.
    double number(const char* tag, int index, double fallback) const;

  private:
    struct Tag {
        std::string name;
        std::vector<std::string> args;
    };
    const Tag* find(const char* tag) const;

    std::vector<Tag> tags_;
};
