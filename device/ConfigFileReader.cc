#include "device/ConfigFileReader.h"

#include <cstring>
#include <filesystem>

#include "sim/cIniFile.h"
#include "sim/cModule.h"
#include "sim/cSimulation.h"

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
        const cIniFile* ini = simulation.iniFile();
        if (const cIniFile::Entry* line = ini ? ini->findParameterEntry(p.fullPath()) : nullptr)
            text += " in \"" + line->file + "\" line " + std::to_string(line->line);
        return text;
    }
    return "";
}

} // namespace

ConfigFileReader::ConfigFileReader(const cModule* owner, std::string fileName)
    : owner_(owner), name_(std::move(fileName)), in_(name_), lines_(in_, MAX_ROW_LENGTH)
{
    std::error_code ec;
    if (!in_ || std::filesystem::is_directory(name_, ec))
        owner_->error("---> Couldn't open file \"%s\"%s", name_.c_str(), setting_naming(owner_, name_).c_str());
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

bool ConfigFileReader::findMarker(const char* marker)
{
    inSection_ = false;
    std::string line;
    while (readLine(line))
        if (beginsWith(line, marker))
            return true;
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
    if (!nextLine(line)) {
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
