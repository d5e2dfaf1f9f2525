// Reading and resolving the workload sections of the host's configuration.
#include <cstring>

#include "device/ConfigFileReader.h"
#include "device/ConfigRow.h"
#include "device/SettingCatalogue.h"
#include "host/DistFunc.h"
#include "host/IoGenerator.h"

namespace {

enum Entry { TOP_LEVEL, IO_PATTERNS, SIZE_PATTERNS, BLOCK_PATTERNS, GAP_PATTERNS };

// A size, block or gap pattern section: its field count and the messages
// about its rows.
struct PatternSection {
    const char* section; // "[3.1.1]"
    int fields;
    const char* tooMany;
    const char* tooFew;
    const char* kind;        // in "Found no ... named"
    const char* nameTooLong; // the pattern's name
    const char* distTooLong; // its dist
    const char* badDist;
    const char* badRng;
    const char* badParams;
};

const PatternSection patternSections[3] = {
    {"[3.1.1]", 6,
     "---> \"%s\" : at most 6 parameters can be setup for Size Pattern Table. Please check section [3.1.1] of the "
     "file \"%s\"",
     "---> \"%s\" : missing parameter(s). Please check section [3.1.1] of the file \"%s\"", "Size Pattern",
     "---> Invalid Size Pattern[%s]. Must not exceed %d char. Please check section [3.1.1] of the file \"%s\"",
     "---> \"%s\" : invalid RNG[%s]. Must not exceed %d char. Please check section [3.1.1] of the file \"%s\"",
     "---> \"%s\" : invalid distribution function  \"%s\". Please check section [3.1.1] of the file \"%s\"",
     "---> \"%s\" : invalid RNG# %ld. Must be within [0,31]. Please check section [3.1.1] of the file \"%s\"",
     "---> \"%s\" : missing or incorrect parameter(s). Please check section [3.1.1] of the file \"%s\""},
    {"[3.1.2]", 6,
     "---> \"%s\" : at most 6 parameters can be setup for Block Pattern Table. Please check section [3.1.2] of the "
     "file \"%s\"",
     "---> \"%s\" : missing parameter(s). Please check section [3.1.2] of the file \"%s\"", "Block Pattern",
     "---> Invalid Block Pattern[%s]. Must not exceed %d char. Please check section [3.1.2] of the file \"%s\"",
     "---> \"%s\" : invalid RNG[%s]. Must not exceed %d char. Please check section [3.1.2] of the file \"%s\"",
     "---> \"%s\" : invalid distribution function  \"%s\". Please check section [3.1.2] of the file \"%s\"",
     "---> \"%s\" : invalid RNG# %ld. Must be within [0,31]. Please check section [3.1.2] of the file \"%s\"",
     "---> \"%s\" : missing or incorrect parameter(s). Please check section [3.1.2] of the file \"%s\""},
    {"[3.1.3]", 11,
     "---> \"%s\" : at most 11 parameters can be setup for Gap Pattern Table. Please check section [3.1.3] of the "
     "file \"%s\"",
     "---> \"%s\" : missing parameter(s). Please check section [3.1.3] of the file \"%s\"", "Gap Pattern",
     "---> Invalid Gap Pattern[%s]. Must not exceed %d char. Please check section [3.1.2] of the file \"%s\"",
     "---> \"%s\" : invalid RNG[%s]. Must not exceed %d char. Please check section [3.1.2] of the file \"%s\"",
     "---> \"%s\" : invalid distribution function  \"%s\". Please check section [3.1.3] of the file \"%s\"",
     "---> \"%s\" : invalid RNG# %ld. Must be within [0,31]. Please check section [3.1.2] of the file \"%s\"",
     "---> \"%s\" : missing or incorrect parameter(s). Please check section [3.1.3] of the file \"%s\""},
};

// Patterns are looked up by name and the first row of a name is the one
// used, so a later row of the same name is warned of.
template <class Record>
void warn_repeated_name(const std::vector<Record>& rows, const ConfigRow& row, const char* kind)
{
    for (const Record& r : rows)
        if (r.name == row.text(0)) {
            row.warn(0, opp_format("names the %s of line %ld again; this row is ignored", kind, r.line));
            return;
        }
}

} // namespace

void IoGenerator::init_ass_tbl()
{
    const char* names[5] = {"IO Generation Top Level", "IO Patterns", "Size Patterns", "Block Patterns",
                            "Gap Patterns"};
    const char* markers[5] = {"[3]", "[3.1]", "[3.1.1]", "[3.1.2]", "[3.1.3]"};
    for (int i = 0; i < 5; ++i) {
        AssTbl& e = assTbl_[i];
        std::strncpy(e.name, names[i], sizeof e.name - 1);
        e.name[sizeof e.name - 1] = '\0';
        e.marker = markers[i];
        e.next = i < 4 ? i + 1 : -1;
        e.found = e.headerSeen = false;
        e.rowNum = 0;
    }
}

void IoGenerator::init_element_tbl()
{
    maxIoGen_ = root_long_setting(this, root_, "maxIoGen");
    if (maxIoGen_ <= 0)
        error("---> Invalid setup for \"maxIoGen\". Must >= 1. Please check the file \"omnetpp.ini\"");
    // Rows are taken as they come, up to maxIoGen per section; the tables
    // do not move once the run starts.
    tables_.clear();
    ioPatterns_.clear();
    for (auto& p : patterns_)
        p.clear();
}

void IoGenerator::assign_iogen_params()
{
    ConfigFileReader file(this, confFile_);
    assTbl_[TOP_LEVEL].found = file.findMarker("[3]");
    for (AssTbl& entry : assTbl_)
        assign_iogen_3xx(&entry, file);
    for (IoGenTable& t : tables_)
        resolve_table(t);
}

void IoGenerator::assign_iogen_3xx(AssTbl* entry, ConfigFileReader& file)
{
    if (!entry->found)
        error("---> IO Generator setting error. Cannot assign %s. Please check section [3] of the file \"%s\"",
              entry->name, confFile_.c_str());
    const char* nextMarker = entry->next >= 0 ? assTbl_[entry->next].marker : nullptr;
    file.enterSection(entry->marker, nextMarker);
    entry->headerSeen = true;
    ConfigRow row;
    while (file.nextRow(row)) {
        row.refuse_section_marker();
        if (++entry->rowNum > maxIoGen_)
            error("---> Cannot allocate a %s table. Must enlarge the value of MaxIoGen. Current value is %d. "
                  "Please check section [1] of the file \"%s\"",
                  entry->name, static_cast<int>(maxIoGen_), confFile_.c_str());
        read_row(static_cast<int>(entry - assTbl_), row);
    }
    std::string line;
    if (nextMarker && file.nextLine(line) && ConfigFileReader::beginsWith(line, nextMarker))
        assTbl_[entry->next].found = true;
}

void IoGenerator::read_row(int entry, const ConfigRow& row)
{
    switch (entry) {
    case TOP_LEVEL: read_table_row(row); break;
    case IO_PATTERNS: read_io_pattern_row(row); break;
    default: read_pattern_row(entry, row);
    }
}

void IoGenerator::check_field_count(const ConfigRow& row, int fields, const char* tooMany, const char* tooFew,
                                    const std::string& rowName) const
{
    row.refuse_above(fields, tooMany, rowName.c_str(), confFile_.c_str());
    row.refuse_below(fields, tooFew, rowName.c_str(), confFile_.c_str());
}

void IoGenerator::check_name(const std::string& name, const char* format, const std::string* rowName) const
{
    if (name.size() <= IOGEN_NAME_MAX)
        return;
    const int most = static_cast<int>(IOGEN_NAME_MAX);
    if (rowName)
        error(format, rowName->c_str(), name.c_str(), most, confFile_.c_str());
    error(format, name.c_str(), most, confFile_.c_str());
}

void IoGenerator::read_table_row(const ConfigRow& row)
{
    check_field_count(row, 4,
                      "---> \"%s\" : at most 4 parameters can be setup for IO Generation Table. Please check "
                      "section [3] of the file \"%s\"",
                      "---> \"%s\" : missing parameter(s). Please check section [3] of the file \"%s\"", row.text(0));
    IoGenTable t;
    t.index = static_cast<int>(tables_.size());
    t.LUN_WWN = row.text(0);
    check_name(t.LUN_WWN,
               "---> Invalid LUN_WWN[%s]. Must not exceed %d char. Please check section [3] of the file \"%s\"",
               nullptr);
    t.IoNum = row.asLongOrDash(1, setting(SettingFile::HOST, "[3]", "IoNum"));
    t.IoNumText = row.isDash(1) ? "-1" : row.text(1);
    t.StartTime = row.asDoubleOrDash(2, setting(SettingFile::HOST, "[3]", "StartTime"));
    t.IoPattern = row.text(3);
    check_name(t.IoPattern,
               "---> LUN_WWN[%s] : invalid IO Pattern[%s]. Must not exceed %d char. Please check section [3] of "
               "the file \"%s\"",
               &t.LUN_WWN);
    tables_.push_back(std::move(t));
}

void IoGenerator::read_io_pattern_row(const ConfigRow& row)
{
    check_field_count(row, 5,
                      "---> \"%s\" : at most 5 parameters can be setup for IO Pattern Table. Please check section "
                      "[3.1] of the file \"%s\"",
                      "---> \"%s\" : missing parameter(s). Please check section [3.1] of the file \"%s\"", row.text(0));
    warn_repeated_name(ioPatterns_, row, "IO Pattern");
    IoPatternRecord p;
    p.name = row.text(0);
    p.line = row.lineNumber();
    check_name(p.name,
               "---> Invalid IO Pattern[%s]. Must not exceed %d char. Please check section [3.1] of the file \"%s\"",
               nullptr);
    p.ratio = row.asLongOrDash(1, setting(SettingFile::HOST, "[3.1]", "R/W"));
    p.size = row.text(2);
    p.block = row.text(3);
    p.gap = row.text(4);
    check_name(p.size,
               "---> \"%s\" : invalid Size Pattern[%s]. Must not exceed %d char. Please check section [3.1] of the "
               "file \"%s\"",
               &p.name);
    check_name(p.block,
               "---> \"%s\" : invalid Block Pattern[%s]. Must not exceed %d char. Please check section [3.1] of "
               "the file \"%s\"",
               &p.name);
    check_name(p.gap,
               "---> \"%s\" : invalid Gap Pattern[%s]. Must not exceed %d char. Please check section [3.1] of the "
               "file \"%s\"",
               &p.name);
    ioPatterns_.push_back(std::move(p));
}

void IoGenerator::read_pattern_row(int entry, const ConfigRow& row)
{
    const PatternSection& s = patternSections[entry - SIZE_PATTERNS];
    check_field_count(row, s.fields, s.tooMany, s.tooFew, row.text(0));
    warn_repeated_name(patterns_[entry - SIZE_PATTERNS], row, s.kind);
    PatternRecord p;
    p.name = row.text(0);
    p.line = row.lineNumber();
    check_name(p.name, s.nameTooLong, nullptr);
    p.dist = row.text(1);
    check_name(p.dist, s.distTooLong, &p.name);
    const char* section = s.section;
    p.rng = row.asLongOrDash(2, setting(SettingFile::HOST, section, "RNG#"));
    int field = 3;
    if (entry == GAP_PATTERNS) {
        p.MinGap = row.asDoubleOrDash(field++, setting(SettingFile::HOST, section, "MinGap"));
        p.OnShape = row.asDoubleOrDash(field++, setting(SettingFile::HOST, section, "OnShape"));
        p.OffShape = row.asDoubleOrDash(field++, setting(SettingFile::HOST, section, "OffShape"));
        p.Load = row.asLongOrDash(field++, setting(SettingFile::HOST, section, "Load"));
        p.Srcs = row.asLongOrDash(field++, setting(SettingFile::HOST, section, "Srcs"));
    }
    p.Par1 = row.asDoubleOrDash(field++, setting(SettingFile::HOST, section, "Par1"));
    p.Par2 = row.asDoubleOrDash(field++, setting(SettingFile::HOST, section, "Par2"));
    p.Par3 = row.asDoubleOrDash(field, setting(SettingFile::HOST, section, "Par3"));
    patterns_[entry - SIZE_PATTERNS].push_back(std::move(p));
}

bool IoGenerator::validate_dist_func(const char* dist)
{
    return dist_func_index(dist) >= 0;
}

bool IoGenerator::validate_func_param(const char* dist, int parNum)
{
    return parNum >= get_func_parnum(dist);
}

int IoGenerator::get_func_parnum(const char* dist)
{
    const int i = dist_func_index(dist);
    if (i < 0)
        error("---> Fatal Error in get_func_parnum");
    return distFunc[i].parNum;
}

int IoGenerator::leading_parameters(const PatternRecord& p)
{
    const double selfSim[5] = {p.MinGap, p.OnShape, p.OffShape, static_cast<double>(p.Load),
                               static_cast<double>(p.Srcs)};
    const double plain[3] = {p.Par1, p.Par2, p.Par3};
    const bool isSelfSim = p.dist == "self_sim";
    const double* values = isSelfSim ? selfSim : plain;
    const int most = isSelfSim ? 5 : 3;
    int n = 0;
    while (n < most && values[n] >= 0)
        ++n;
    return n;
}

void IoGenerator::resolve_table(IoGenTable& t)
{
    const char* file = confFile_.c_str();
    if (t.IoNum < 1)
        error("---> \"%s\" : invalid IoNum %s. Must > 0. Please check section [3] of the file \"%s\"",
              t.LUN_WWN.c_str(), t.IoNumText.c_str(), file);
    if (t.IoNum > MAX_IO_NUM)
        error("---> \"%s\" : invalid IoNum %ld. Must be within [1,%ld]. Please check section [3] of the file \"%s\"",
              t.LUN_WWN.c_str(), t.IoNum, MAX_IO_NUM, file);
    if (t.StartTime < 0)
        error("---> \"%s\" : invalid Start Time %f. Must >= 0ms. Please check section [3] of the file \"%s\"",
              t.LUN_WWN.c_str(), t.StartTime, file);
    const IoPatternRecord* io = nullptr;
    for (const IoPatternRecord& p : ioPatterns_)
        if (p.name == t.IoPattern) {
            io = &p;
            break;
        }
    if (!io)
        error("---> \"%s\" : Found no IO Pattern named \"%s\". Please check section [3] of the file \"%s\"",
              t.LUN_WWN.c_str(), t.IoPattern.c_str(), file);
    t.ratio = io->ratio;
    if (t.ratio < 0 || t.ratio > 100)
        error("---> \"%s\" : invalid R/W ratio %d. Must be within [0,100]. Please check section [3.1] of the file "
              "\"%s\"",
              io->name.c_str(), static_cast<int>(t.ratio), file);
    t.size.name = io->size;
    t.block.name = io->block;
    t.gap.name = io->gap;
    resolve_pattern(t, t.size, io->size, SIZE_PATTERNS);
    resolve_pattern(t, t.block, io->block, BLOCK_PATTERNS);
    resolve_pattern(t, t.gap, io->gap, GAP_PATTERNS);

    if (t.gap.dist == "self_sim") {
        t.gap.selfSim = true;
        const PatternRecord& g = t.gap;
        if (g.MinGap >= 0 && g.OnShape >= 0 && g.OffShape >= 0 && g.Load >= 0 && g.Srcs >= 0) {
            t.generator = std::make_unique<Generator>();
            t.generator->build(g.MinGap, g.OnShape, g.OffShape, static_cast<double>(g.Load), g.Srcs);
        }
        t.previousTime = 0;
    }
}

void IoGenerator::resolve_pattern(IoGenTable& t, PatternRecord& into, const std::string& patternName, int entry)
{
    const PatternSection& s = patternSections[entry - SIZE_PATTERNS];
    const char* file = confFile_.c_str();
    const PatternRecord* found = nullptr;
    for (const PatternRecord& p : patterns_[entry - SIZE_PATTERNS])
        if (p.name == patternName) {
            found = &p;
            break;
        }
    if (!found)
        error("---> \"%s\" : Found no %s named \"%s\". Please check section [3.1] of the file \"%s\"",
              t.IoPattern.c_str(), s.kind, patternName.c_str(), file);
    into = *found;
    if (!validate_dist_func(into.dist.c_str()))
        error(s.badDist, into.name.c_str(), into.dist.c_str(), file);
    if (into.rng < 0 || into.rng > 31)
        error(s.badRng, into.name.c_str(), into.rng, file);
    if (!validate_func_param(into.dist.c_str(), leading_parameters(into)))
        error(s.badParams, into.name.c_str(), file);
    if (const char* fault = dist_param_fault(dist_func_index(into.dist.c_str()), into.Par1, into.Par2, into.Par3))
        error("---> \"%s\" : invalid parameters for %s: %s. Please check section [3.1.%d] of the file \"%s\"",
              into.name.c_str(), into.dist.c_str(), fault, entry - SIZE_PATTERNS + 1, file);
}
