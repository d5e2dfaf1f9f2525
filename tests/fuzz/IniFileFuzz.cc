// The ini reader on any text: it reads it or refuses it with a message;
// every value converts or is refused; every key matches paths in time
// bounded by the pattern's length times the path's.

#include <cstdint>
#include <cstring>
#include <string>

#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

const char* const paths[] = {"Velmora.DataCtr1.Host1.confFile", "PingPong.Ping.rounds", "", "a.b.c.d.e.f.g.h"};

void check_match(const std::string& pattern, const char* path)
{
    size_t steps = 0;
    cIniFile::matchPattern(pattern.c_str(), path, &steps);
    if (steps > (pattern.size() + 1) * (std::strlen(path) + 1))
        fuzz_failure("a match took more steps than pattern length times path length");
}

void convert(const cIniFile& ini, const cIniFile::Entry& e)
{
    const char* s = e.section.c_str();
    const char* k = e.key.c_str();
    try {
        ini.getAsLong(s, k, 0);
    } catch (const cRuntimeError&) {
    }
    try {
        double d = ini.getAsDouble(s, k, 0);
        if (d != d)
            fuzz_failure("a real number read as NaN");
    } catch (const cRuntimeError&) {
    }
    for (const char* declared : {"LDXFT", "L", "S", "B"}) {
        cPar p("p");
        p.setDeclaredType(declared);
        if (!p.parse(e.value.c_str()) || !p.isNumeric())
            continue;
        try {
            p.longValue();
        } catch (const cRuntimeError&) {
        }
        double d = p.doubleValue();
        if (d != d)
            fuzz_failure("a parameter read as NaN");
    }
}

// A shadowed line lies behind the line that shadows it, which gave a value;
// a repeated setting points back to an earlier one of its key.
void check_shadowing(const cIniFile& ini)
{
    const std::vector<cIniFile::Entry>& entries = ini.entries();
    for (const cIniFile::Entry* e : ini.shadowedParameterLines()) {
        const long at = e - entries.data();
        if (e->shadowedBy < 0 || e->shadowedBy >= at || !entries[static_cast<size_t>(e->shadowedBy)].used || e->used)
            fuzz_failure("a shadowed line that no earlier line shadows");
    }
    for (size_t i = 0; i < entries.size() && i < 64; ++i) {
        const cIniFile::Entry* first = ini.earlierSetting(entries[i]);
        if (first && (first >= &entries[i] || first->key != entries[i].key || first->section != entries[i].section))
            fuzz_failure("a repeated setting whose first is not an earlier one of its key");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    cIniFile ini;
    try {
        ini.readText(std::string(reinterpret_cast<const char*>(data), size), fuzz_path("fuzz.ini"));
    } catch (const cRuntimeError&) {
        return 0;
    }
    for (const cIniFile::Entry& e : ini.entries()) {
        convert(ini, e);
        for (const char* path : paths)
            check_match(e.key, path);
        check_match(e.key, e.value.c_str());
    }
    for (const char* path : paths)
        ini.findParameter(path);
    check_shadowing(ini);
    return 0;
}
