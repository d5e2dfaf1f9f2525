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
//
// A line may hold up to MAX_LINE_LENGTH characters and no NUL byte; files are
// opened as TextFile opens every input (a byte-order mark is passed over).
class cIniFile {
  public:
    static constexpr size_t MAX_LINE_LENGTH = 65536;

    struct Entry {
        std::string section;
        std::string key;
        std::string value;
        std::string file;
        int line;
        // Whether a parameter look-up's path matched this line.
        mutable bool matched = false;
        // Whether a parameter took its value from this line.
        mutable bool used = false;
        // The first line that gave its value to a parameter this line also
        // matches (an index into entries()), or -1.
        mutable int shadowedBy = -1;
    };
    // A section heading, where it stands.
    struct Heading {
        std::string section;
        std::string file;
        int line;
    };

    void readFile(const std::string& fileName);
    void readText(const std::string& text, const std::string& fileName = "(text)");
    void clear()
    {
        entries_.clear();
        headings_.clear();
        fileName_.clear();
    }
    // The first file read, as it was named; empty when none was.
    const std::string& fileName() const { return fileName_; }

    // The first occurrence of `key` in `section`, or null.
    const Entry* find(const char* section, const char* key) const;
    // The value of `key` in `section` (first occurrence), or null.
    const char* get(const char* section, const char* key) const;
    bool exists(const char* section, const char* key) const { return get(section, key) != nullptr; }
    std::string getAsString(const char* section, const char* key, const char* fallback) const;
    bool getAsBool(const char* section, const char* key, bool fallback) const;
    // Numbers are decimal; a value that is not one, or does not fit, ends
    // the run with a message naming the key, its section and its line. A
    // real number may carry a time unit (s, ms, us, m or min, h) and reads
    // in seconds.
    long getAsLong(const char* section, const char* key, long fallback) const;
    double getAsDouble(const char* section, const char* key, double fallback) const;

    // The value assigned to the parameter with this full path, or null.
    const char* findParameter(const std::string& fullPath) const;
    // The line that assigns it, or null. Every line whose pattern matches
    // the path is marked matched.
    const Entry* findParameterEntry(const std::string& fullPath) const;
    // The parameter lines no look-up has matched so far, in file order.
    std::vector<const Entry*> unmatchedParameterLines() const;
    // The parameter lines that matched only parameters an earlier line had
    // already given a value, in file order: each is shadowed by its
    // `shadowedBy`.
    std::vector<const Entry*> shadowedParameterLines() const;
    // The setting before `e` with its key in its section, or null: the one
    // that is used when a setting is repeated.
    const Entry* earlierSetting(const Entry& e) const;

    // Ends the run: the value of `e` `what` ("must be at least 0").
    [[noreturn]] void badValue(const Entry& e, const char* what) const;

    const std::vector<Entry>& entries() const { return entries_; }
    const std::vector<Heading>& headings() const { return headings_; }

    // Matches in time proportional to the pattern's length times the
    // text's: every position of the pattern that the text so far can reach
    // is followed at once, with no backtracking. `steps`, when given, is
    // increased by the number of positions examined.
    static bool matchPattern(const char* pattern, const char* text, size_t* steps = nullptr);

  private:
    void parse(std::istream& in, const std::string& fileName, int depth);
    void include(const std::string& name, const std::string& fileName, int lineNo, int depth);
    [[noreturn]] void syntaxError(const std::string& file, int line, const std::string& what) const;

    std::vector<Entry> entries_;
    std::vector<Heading> headings_;
    std::string fileName_;
};
