#pragma once

#include <string>
#include <vector>

// The run's configuration file ("omnetpp.ini"): sections in square brackets,
// `key = value` lines, comments from '#' or ';' outside quotes, and
// `include FILE` lines that read another file in place (relative names are
// taken from the including file's folder).
//
// Module parameters are assigned in the [Parameters] and [General] sections by
// full path patterns: '*' matches within one path component, '**' across
// components, '?' one character. The first matching line in file order wins.
class cIniFile {
  public:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
        std::string file;
        int line;
    };

    void readFile(const std::string& fileName);
    void readText(const std::string& text, const std::string& fileName = "(text)");
    void clear()
    {
        entries_.clear();
        fileName_.clear();
    }
    // The first file read, as it was named; empty when none was.
    const std::string& fileName() const { return fileName_; }

    // The value of `key` in `section` (first occurrence), or null.
    const char* get(const char* section, const char* key) const;
    bool exists(const char* section, const char* key) const { return get(section, key) != nullptr; }
    std::string getAsString(const char* section, const char* key, const char* fallback) const;
    bool getAsBool(const char* section, const char* key, bool fallback) const;
    long getAsLong(const char* section, const char* key, long fallback) const;
    double getAsDouble(const char* section, const char* key, double fallback) const;

    // The value assigned to the parameter with this full path, or null.
    const char* findParameter(const std::string& fullPath) const;

    const std::vector<Entry>& entries() const { return entries_; }

    static bool matchPattern(const char* pattern, const char* text);

  private:
    void parse(std::istream& in, const std::string& fileName, int depth);
    [[noreturn]] void syntaxError(const std::string& file, int line, const std::string& what) const;

    std::vector<Entry> entries_;
    std::string fileName_;
};
