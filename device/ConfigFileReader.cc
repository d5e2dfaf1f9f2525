#include "device/ConfigFileReader.h"

#include <cstring>

#include "device/InputFile.h"
#include "device/WarningsLog.h"
#include "sim/cException.h"
#include "sim/cModule.h"

namespace {

// The device's `confFile` setting that names `fileName`, with its line in
// "omnetpp.ini", for a message from a module deep inside the device.
std::string setting_naming(const cModule* owner, const std::string& fileName)
{
    for (const cModule* m = owner; m; m = m->parentModule()) {
        if (!m->hasPar("confFile"))
            continue;
        const cPar& p = const_cast<cModule*>(m)->par("confFile");
        if (fileName != p.stringValue())
            return "";
        std::string text = ", the value of " + p.fullPath();
        if (const cPar::IniLine set = p.iniLine(); set.file)
            text += " in \"" + std::string(set.file) + "\" line " + std::to_string(set.line);
        return text;
    }
    return "";
}

// The refusal of a file that cannot be opened, with the setting that named it;
// a '%' of the setting's path is kept as text.
std::string open_fail_format(const cModule* owner, const std::string& fileName)
{
    std::string format = OpenFailText::QUOTED;
    for (char c : setting_naming(owner, fileName)) {
        format += c;
        if (c == '%')
            format += '%';
    }
    return format;
}

// The file opened, or the run stopped naming it and the setting that named
// it. Only a file that does not open pays for finding that setting and
// wording it.
std::ifstream open_config_file(const cModule* owner, const std::string& fileName)
{
    std::ifstream in;
    const TextFile::Opening opening = TextFile::open(in, fileName);
    if (opening.fault != TextFile::NONE)
        stop_unless_opened(owner, fileName, opening, open_fail_format(owner, fileName).c_str());
    return in;
}

} // namespace

ConfigFileReader::ConfigFileReader(const cModule* owner, std::string fileName)
    : owner_(owner), name_(std::move(fileName)), in_(open_config_file(owner, name_)), lines_(in_, MAX_ROW_LENGTH)
{
}

bool ConfigFileReader::isSkipped(const std::string& line)
{
    if (line.empty())
        return true;
    switch (line[0]) {
    case '\0':
    case '\t':
    case '\n':
    case '\r':
    case ' ':
    case ';': return true;
    default: return false;
    }
}

bool ConfigFileReader::beginsWith(const std::string& line, const char* marker)
{
    return line.compare(0, std::strlen(marker), marker) == 0;
}

bool ConfigFileReader::readLine(std::string& line)
{
    if (hasPending_) {
        line = std::move(pending_);
        hasPending_ = false;
        return true;
    }
    tooLong_ = false;
    LineReader::Result got = lines_.next(line);
    if (got == LineReader::END)
        return false;
    ++lineNumber_;
    tooLong_ = got == LineReader::TOO_LONG;
    if (tooLong_ && !lines_.skipRest(MAX_LINE_LENGTH)) {
        if (inSection_)
            owner_->error("---> Line %ld is longer than %zu characters. Please check section %s of the file \"%s\"",
                          lineNumber_, MAX_LINE_LENGTH, label_.c_str(), name_.c_str());
        owner_->error("---> Line %ld is longer than %zu characters. Please check the file \"%s\"", lineNumber_,
                      MAX_LINE_LENGTH, name_.c_str());
    }
    return true;
}

void ConfigFileReader::unreadLine(std::string line)
{
    pending_ = std::move(line);
    hasPending_ = true;
}

bool ConfigFileReader::nextLine(std::string& line)
{
    while (readLine(line))
        if (!isSkipped(line))
            return true;
    return false;
}

bool ConfigFileReader::holdsIndentedRow(const std::string& line)
{
    if (line.empty() || (line[0] != ' ' && line[0] != '\t'))
        return false;
    const size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] != ';' && line[first] != '\r' && line[first] != '\n';
}

const char* ConfigFileReader::hiddenText(const std::string& line)
{
    const size_t cut = line.find_first_of(std::string("\0\r", 2));
    if (cut == std::string::npos || line.find_first_not_of(std::string(" \t\r\0", 4), cut) == std::string::npos)
        return nullptr;
    if (cut == 0 && line[0] == '\0')
        return "begins with a NUL byte, so it is ignored";
    return line[cut] == '\0' ? "holds a NUL byte, so what follows it is ignored"
                             : "holds a CR that ends no line, so what follows it is ignored";
}

bool ConfigFileReader::nextDataLine(std::string& line)
{
    while (readLine(line)) {
        const char* hidden = hiddenText(line);
        if (!hidden && holdsIndentedRow(line))
            hidden = "begins with a blank or a TAB, so it is ignored";
        if (hidden)
            user_warning_once(owner_, opp_format("---> Line %ld %s. Please check section %s of the file \"%s\"",
                                                 lineNumber_, hidden, label_.c_str(), name_.c_str()));
        if (!isSkipped(line))
            return true;
    }
    return false;
}

bool ConfigFileReader::findMarker(const char* marker)
{
    inSection_ = false;
    std::string line;
    while (readLine(line))
        if (beginsWith(line, marker)) {
            markerLine_ = lineNumber_;
            return true;
        }
    return false;
}

bool ConfigFileReader::openSection(const char* marker, const char* endMarker)
{
    if (!findMarker(marker))
        return false;
    enterSection(marker, endMarker);
    return true;
}

void ConfigFileReader::enterSection(const char* label, const char* endMarker)
{
    label_ = label;
    endMarker_ = endMarker ? endMarker : "";
    inSection_ = true;
    std::string header;
    if (!nextLine(header)) {
        inSection_ = false;
        return;
    }
    if (!endMarker_.empty() && beginsWith(header, endMarker_.c_str())) {
        unreadLine(std::move(header));
        inSection_ = false;
    }
}

bool ConfigFileReader::nextRow(ConfigRow& row)
{
    if (!inSection_)
        return false;
    std::string line;
    if (!nextDataLine(line)) {
        inSection_ = false;
        return false;
    }
    if (!endMarker_.empty() && beginsWith(line, endMarker_.c_str())) {
        unreadLine(std::move(line));
        inSection_ = false;
        return false;
    }
    if (tooLong_)
        owner_->error("---> Line %ld is longer than %zu characters. Please check section %s of the file \"%s\"",
                      lineNumber_, MAX_ROW_LENGTH, label_.c_str(), name_.c_str());
    row = ConfigRow(std::move(line), lineNumber_, this);
    return true;
}
