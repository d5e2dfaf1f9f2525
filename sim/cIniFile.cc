#include "sim/cIniFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

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

} // namespace

void cIniFile::syntaxError(const std::string& file, int line, const std::string& what) const
{
    throwError("Error in ini file %s line %d: %s", file.c_str(), line, what.c_str());
}

void cIniFile::readFile(const std::string& fileName)
{
    std::ifstream in(fileName);
    if (!in)
        throwError("Cannot open ini file %s: %s", fileName.c_str(), std::strerror(errno));
    if (fileName_.empty())
        fileName_ = fileName;
    parse(in, fileName, 0);
}

void cIniFile::readText(const std::string& text, const std::string& fileName)
{
    std::istringstream in(text);
    parse(in, fileName, 0);
}

void cIniFile::parse(std::istream& in, const std::string& fileName, int depth)
{
    if (depth > 16)
        throwError("Ini files include each other too deeply (at %s)", fileName.c_str());
    std::string section = "General";
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = trim(stripComment(raw));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                syntaxError(fileName, lineNo, "section heading lacks its closing ']'");
            section = trim(line.substr(1, line.size() - 2));
            continue;
        }
        if (line.compare(0, 8, "include ") == 0 || line.compare(0, 8, "include\t") == 0) {
            std::string name = unquote(trim(line.substr(8)));
            if (name.empty())
                syntaxError(fileName, lineNo, "include names no file");
            std::string path = name.front() == '/' ? name : folderOf(fileName) + name;
            std::ifstream inc(path);
            if (!inc)
                syntaxError(fileName, lineNo, "cannot open included file " + path);
            parse(inc, path, depth + 1);
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

const char* cIniFile::get(const char* section, const char* key) const
{
    for (const Entry& e : entries_)
        if (e.section == section && e.key == key)
            return e.value.c_str();
    return nullptr;
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
    const char* v = get(section, key);
    if (!v)
        return fallback;
    char* end;
    long l = std::strtol(v, &end, 0);
    if (*end)
        throwError("Value of %s in section [%s] must be an integer, not %s", key, section, v);
    return l;
}

double cIniFile::getAsDouble(const char* section, const char* key, double fallback) const
{
    const char* v = get(section, key);
    if (!v)
        return fallback;
    std::string s = v;
    char* end;
    double d = std::strtod(s.c_str(), &end);
    std::string unit = trim(end);
    if (unit == "s" || unit.empty())
        return d;
    if (unit == "ms")
        return d / 1000;
    if (unit == "us")
        return d / 1e6;
    if (unit == "m" || unit == "min")
        return d * 60;
    if (unit == "h")
        return d * 3600;
    throwError("Value of %s in section [%s] must be a number, not %s", key, section, v);
}

const char* cIniFile::findParameter(const std::string& fullPath) const
{
    for (const Entry& e : entries_) {
        if (e.section != "Parameters" && e.section != "General")
            continue;
        if (e.key.find('.') == std::string::npos)
            continue;
        if (matchPattern(e.key.c_str(), fullPath.c_str()))
            return e.value.c_str();
    }
    return nullptr;
}

bool cIniFile::matchPattern(const char* p, const char* t)
{
    for (;;) {
        if (*p == '\0')
            return *t == '\0';
        if (p[0] == '*' && p[1] == '*') {
            p += 2;
            for (const char* s = t;; ++s) {
                if (matchPattern(p, s))
                    return true;
                if (*s == '\0')
                    return false;
            }
        }
        if (*p == '*') {
            ++p;
            for (const char* s = t;; ++s) {
                if (matchPattern(p, s))
                    return true;
                if (*s == '\0' || *s == '.')
                    return false;
            }
        }
        if (*t == '\0')
            return false;
        if (*p == '?' ? *t == '.' : *p != *t)
            return false;
        ++p;
        ++t;
    }
}
