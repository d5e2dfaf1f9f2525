#include "env/tk/LogBuffer.h"

#include "sim/cSimpleModule.h"
#include "sim/cSimulation.h"

LogBuffer::int_type LogBuffer::overflow(int_type c)
{
    if (c == traits_type::eof())
        return traits_type::not_eof(c);
    if (c == '\n')
        endLine();
    else
        pending_ += static_cast<char>(c);
    return c;
}

std::streamsize LogBuffer::xsputn(const char* s, std::streamsize n)
{
    for (std::streamsize i = 0; i < n; ++i)
        overflow(traits_type::to_int_type(s[i]));
    return n;
}

void LogBuffer::endLine()
{
    cSimpleModule* mod = simulation.runningModule();
    if (lines_.size() >= MAX_LINES) {
        lines_.pop_front();
        ++dropped_;
    }
    lines_.push_back({simulation.eventNumber(), simulation.simTime(), mod ? mod->fullPath() : std::string(), pending_});
    pending_.clear();
}

void LogBuffer::clear()
{
    dropped_ = 0;
    lines_.clear();
    pending_.clear();
}

std::vector<const LogBuffer::Line*> LogBuffer::linesOf(const std::string& module, uint64_t first, size_t limit) const
{
    std::vector<const Line*> out;
    size_t start = first > dropped_ ? static_cast<size_t>(first - dropped_) : 0;
    for (size_t i = start; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (module.empty() || l.module == module ||
            (l.module.compare(0, module.size(), module) == 0 && l.module.size() > module.size() &&
             l.module[module.size()] == '.'))
            out.push_back(&l);
    }
    if (limit > 0 && out.size() > limit)
        out.erase(out.begin(), out.end() - static_cast<std::ptrdiff_t>(limit));
    return out;
}
