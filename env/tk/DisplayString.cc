#include "env/tk/DisplayString.h"

#include <cstdlib>
#include <cstring>

namespace {

std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(sep, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

DisplayString::DisplayString(const char* text)
{
    if (!text || !*text)
        return;
    for (const std::string& item : split(text, ';')) {
        size_t eq = item.find('=');
        if (item.empty())
            continue;
        Tag tag;
        tag.name = item.substr(0, eq);
        if (eq != std::string::npos)
            tag.args = split(item.substr(eq + 1), ',');
        tags_.push_back(std::move(tag));
    }
}

const DisplayString::Tag* DisplayString::find(const char* tag) const
{
    for (const Tag& t : tags_)
        if (t.name == tag)
            return &t;
    return nullptr;
}

bool DisplayString::has(const char* tag) const
{
    return find(tag) != nullptr;
}

std::string DisplayString::arg(const char* tag, int index, const char* fallback) const
{
    const Tag* t = find(tag);
    if (!t || index < 0 || index >= static_cast<int>(t->args.size()) || t->args[index].empty())
        return fallback;
    return t->args[index];
}

double DisplayString::number(const char* tag, int index, double fallback) const
{
    std::string text = arg(tag, index);
    if (text.empty())
        return fallback;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    return *end == '\0' ? value : fallback;
}
