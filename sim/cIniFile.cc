#include "sim/cIniFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/DecimalNumber.h"
#include "sim/LineReader.h"
#include "sim/TextFile.h"
#include "sim/cException.h"

namespace {

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string stripComment(const std::string& line)
{
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '#' || c == ';'))
            return line.substr(0, i);
    }
    return line;
}

std::string folderOf(const std::string& file)
{
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? "" : file.substr(0, slash + 1);
}

std::string unquote(const std::string& s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

bool isDirectory(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

void refuseUnreadableText(const TextFile::Opening& opening)
{
    if (opening.fault == TextFile::NOT_TEXT)
        throwError("%s", opening.reason.c_str());
}

} // namespace

void cIniFile::syntaxError(const std::string& file, int line, const std::string& what) const
{
    throwError("Error in ini file %s line %d: %s", file.c_str(), line, what.c_str());
}

void cIniFile::badValue(const Entry& e, const char* what) const
{
    throwError("Value of %s in section [%s] (%s line %d) %s, not \"%s\"", e.key.c_str(), e.section.c_str(),
               e.file.c_str(), e.line, what, e.value.c_str());
}

void cIniFile::readFile(const std::string& fileName)
{
    if (isDirectory(fileName))
        throwError("Cannot read ini file %s: it is a directory", fileName.c_str());
    std::ifstream in;
    const TextFile::Opening opening = TextFile::open(in, fileName);
    if (opening.fault == TextFile::NOT_OPENED)
        throwError("Cannot open ini file %s: %s", fileName.c_str(), opening.reason.c_str());
    refuseUnreadableText(opening);
    if (fileName_.empty())
        fileName_ = fileName;
    parse(in, fileName, 0);
}

void cIniFile::readText(const std::string& text, const std::string& fileName)
{
    std::istringstream in(text);
    refuseUnreadableText(TextFile::check(in, fileName));
    parse(in, fileName, 0);
}

void cIniFile::include(const std::string& name, const std::string& fileName, int lineNo, int depth)
{
    if (name.empty())
        syntaxError(fileName, lineNo, "include names no file");
    std::string path = name.front() == '/' ? name : folderOf(fileName) + name;
    if (isDirectory(path))
        syntaxError(fileName, lineNo, "included file " + path + " is a directory");
    std::ifstream inc;
    const TextFile::Opening opening = TextFile::open(inc, path);
    if (opening.fault == TextFile::NOT_OPENED)
        syntaxError(fileName, lineNo, "cannot open included file " + path + ": " + opening.reason);
    refuseUnreadableText(opening);
    parse(inc, path, depth + 1);
}

void cIniFile::parse(std::istream& in, const std::string& fileName, int depth)
{
    if (depth > 16)
        throwError("Ini files include each other too deeply (at %s)", fileName.c_str());
    std::string section = "General";
    std::string raw;
    LineReader reader(in, MAX_LINE_LENGTH);
    for (;;) {
        LineReader::Result got = reader.next(raw);
        int lineNo = static_cast<int>(reader.lineNumber());
        if (got == LineReader::END)
            break;
        if (got == LineReader::TOO_LONG)
            syntaxError(fileName, lineNo, opp_format("line is longer than %zu characters", MAX_LINE_LENGTH));
        // What follows a NUL would be cut from the value without a word.
        if (raw.find('\0') != std::string::npos)
            syntaxError(fileName, lineNo, opp_format("line holds a NUL byte at column %zu", raw.find('\0') + 1));
        std::string line = trim(stripComment(raw));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                syntaxError(fileName, lineNo, "section heading lacks its closing ']'");
            section = trim(line.substr(1, line.size() - 2));
            headings_.push_back(Heading{section, fileName, lineNo});
            continue;
        }
        if (line.compare(0, 8, "include ") == 0 || line.compare(0, 8, "include\t") == 0) {
            include(unquote(trim(line.substr(8))), fileName, lineNo, depth);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            syntaxError(fileName, lineNo, "line is not of the form key = value");
        std::string key = trim(line.substr(0, eq));
        if (key.empty())
            syntaxError(fileName, lineNo, "missing key before '='");
        entries_.push_back(Entry{section, key, trim(line.substr(eq + 1)), fileName, lineNo});
    }
}

const cIniFile::Entry* cIniFile::find(const char* section, const char* key) const
{
    for (const Entry& e : entries_)
        if (e.section == section && e.key == key)
            return &e;
    return nullptr;
}

const char* cIniFile::get(const char* section, const char* key) const
{
    const Entry* e = find(section, key);
    return e ? e->value.c_str() : nullptr;
}

std::string cIniFile::getAsString(const char* section, const char* key, const char* fallback) const
{
    const char* v = get(section, key);
    return v ? unquote(v) : std::string(fallback ? fallback : "");
}

bool cIniFile::getAsBool(const char* section, const char* key, bool fallback) const
{
    const char* v = get(section, key);
    if (!v)
        return fallback;
    std::string s = unquote(v);
    if (s == "true" || s == "yes" || s == "on" || s == "1")
        return true;
    if (s == "false" || s == "no" || s == "off" || s == "0")
        return false;
    throwError("Value of %s in section [%s] must be true or false, not %s", key, section, v);
}

long cIniFile::getAsLong(const char* section, const char* key, long fallback) const
{
    const Entry* e = find(section, key);
    if (!e)
        return fallback;
    std::string text = unquote(e->value);
    long l = 0;
    const char* end;
    DecimalStatus status = readDecimalLong(text.c_str(), l, &end);
    if (status == DecimalStatus::OUT_OF_RANGE)
        badValue(*e, "is out of range");
    if (status != DecimalStatus::OK || *end)
        badValue(*e, "must be a decimal whole number");
    return l;
}

double cIniFile::getAsDouble(const char* section, const char* key, double fallback) const
{
    const Entry* e = find(section, key);
    if (!e)
        return fallback;
    std::string text = unquote(e->value);
    double d = 0;
    const char* end;
    DecimalStatus status = readDecimalDouble(text.c_str(), d, &end);
    if (status == DecimalStatus::OUT_OF_RANGE)
        badValue(*e, "is out of range");
    if (status != DecimalStatus::OK)
        badValue(*e, "must be a decimal number");
    std::string unit = trim(end);
    if (unit == "ms")
        d /= 1000;
    else if (unit == "us")
        d /= 1e6;
    else if (unit == "m" || unit == "min")
        d *= 60;
    else if (unit == "h")
        d *= 3600;
    else if (unit != "s" && !unit.empty())
        badValue(*e, "must be a decimal number with an optional unit s, ms, us, m, min or h");
    if (!std::isfinite(d))
        badValue(*e, "is out of range");
    return d;
}

namespace {

bool isParameterLine(const cIniFile::Entry& e)
{
    return (e.section == "Parameters" || e.section == "General") && e.key.find('.') != std::string::npos;
}

} // namespace

const char* cIniFile::findParameter(const std::string& fullPath) const
{
    const Entry* e = findParameterEntry(fullPath);
    return e ? e->value.c_str() : nullptr;
}

// Every line that matches is marked, not only the first, which gives the
// value: a general line behind a particular one is not a misspelt one.
const cIniFile::Entry* cIniFile::findParameterEntry(const std::string& fullPath) const
{
    const Entry* first = nullptr;
    for (const Entry& e : entries_)
        if (isParameterLine(e) && matchPattern(e.key.c_str(), fullPath.c_str())) {
            e.matched = true;
            if (!first) {
                first = &e;
                first->used = true;
            } else if (e.shadowedBy < 0) {
                e.shadowedBy = static_cast<int>(first - entries_.data());
            }
        }
    return first;
}

std::vector<const cIniFile::Entry*> cIniFile::shadowedParameterLines() const
{
    std::vector<const Entry*> lines;
    for (const Entry& e : entries_)
        if (isParameterLine(e) && !e.used && e.shadowedBy >= 0)
            lines.push_back(&e);
    return lines;
}

const cIniFile::Entry* cIniFile::earlierSetting(const Entry& e) const
{
    for (const Entry& other : entries_) {
        if (&other == &e)
            return nullptr;
        if (other.section == e.section && other.key == e.key)
            return &other;
    }
    return nullptr;
}

std::vector<const cIniFile::Entry*> cIniFile::unmatchedParameterLines() const
{
    std::vector<const Entry*> lines;
    for (const Entry& e : entries_)
        if (isParameterLine(e) && !e.matched)
            lines.push_back(&e);
    return lines;
}

namespace {

// One element of a path pattern.
struct PatternToken {
    enum Kind : char { LITERAL, ANY_CHAR, IN_COMPONENT, ACROSS_COMPONENTS } kind;
    char c;
};

std::vector<PatternToken> tokenize(const char* p)
{
    std::vector<PatternToken> tokens;
    for (; *p; ++p) {
        if (p[0] == '*' && p[1] == '*') {
            tokens.push_back({PatternToken::ACROSS_COMPONENTS, 0});
            ++p;
        } else if (*p == '*') {
            tokens.push_back({PatternToken::IN_COMPONENT, 0});
        } else if (*p == '?') {
            tokens.push_back({PatternToken::ANY_CHAR, 0});
        } else {
            tokens.push_back({PatternToken::LITERAL, *p});
        }
    }
    return tokens;
}

// A star may match nothing: whoever reaches it reaches what follows it too.
// Stars only lead forwards, so one pass in order suffices.
void passOverStars(const std::vector<PatternToken>& tokens, std::vector<char>& reached)
{
    for (size_t k = 0; k < tokens.size(); ++k)
        if (reached[k] &&
            (tokens[k].kind == PatternToken::IN_COMPONENT || tokens[k].kind == PatternToken::ACROSS_COMPONENTS))
            reached[k + 1] = 1;
}

} // namespace

bool cIniFile::matchPattern(const char* p, const char* t, size_t* steps)
{
    if (!std::strpbrk(p, "*?"))
        return std::strcmp(p, t) == 0;
    const std::vector<PatternToken> tokens = tokenize(p);
    const size_t n = tokens.size();
    // reached[k]: the text read so far can bring the pattern to token k
    // (k == n: to its end).
    std::vector<char> reached(n + 1, 0), next(n + 1, 0);
    reached[0] = 1;
    passOverStars(tokens, reached);
    size_t examined = 0;
    for (; *t; ++t) {
        const char c = *t;
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (size_t k = 0; k < n; ++k) {
            if (!reached[k])
                continue;
            ++examined;
            const PatternToken& tok = tokens[k];
            switch (tok.kind) {
            case PatternToken::ACROSS_COMPONENTS: next[k] = 1; break;
            case PatternToken::IN_COMPONENT:
                if (c != '.')
                    next[k] = 1;
                break;
            case PatternToken::ANY_CHAR:
                if (c != '.')
                    next[k + 1] = 1;
                break;
            case PatternToken::LITERAL:
                if (c == tok.c)
                    next[k + 1] = 1;
                break;
            }
            any = any || next[k] || next[k + 1];
        }
        if (!any)
            break;
        passOverStars(tokens, next);
        reached.swap(next);
    }
    if (steps)
        *steps += examined;
    return *t == '\0' && reached[n];
}
