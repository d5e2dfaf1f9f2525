#include "network/RunLogCheck.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "network/NetworkTestBed.h"
#include "network/RootModule.h"
#include "network/SiteLayout.h"
#include "sim/LineReader.h"
#include "sim/TextFile.h"
#include "sim/cException.h"
#include "sim/cIniFile.h"
#include "sim/cModule.h"
#include "sim/cSimulation.h"

namespace {

struct FileIdentity {
    bool there = false;
    bool plain = true; // a regular file, or nothing there yet
    dev_t device = 0;
    ino_t inode = 0;
    std::string path; // absolute and normalised, links resolved as far as they are there
};

FileIdentity identify(const std::string& name)
{
    FileIdentity id;
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) {
        id.there = true;
        id.plain = S_ISREG(st.st_mode);
        id.device = st.st_dev;
        id.inode = st.st_ino;
    }
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
    id.path = (ec ? absolute.lexically_normal() : resolved).string();
    return id;
}

bool same_file(const FileIdentity& a, const FileIdentity& b)
{
    if (a.there && b.there)
        return a.device == b.device && a.inode == b.inode;
    return a.path == b.path;
}

// A file the run reads, with the words that tell the user where its name
// comes from.
struct RunInput {
    std::string source;
    FileIdentity id;
};

std::string setting_text(const std::string& name, const std::string& value)
{
    return name + " = \"" + value + "\"";
}

std::string unquoted(const std::string& value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

bool names_a_device_file(const cIniFile::Entry& e)
{
    const size_t dot = e.key.rfind('.');
    return (e.section == "Parameters" || e.section == "General") &&
           e.key.compare(dot == std::string::npos ? 0 : dot + 1, std::string::npos, "confFile") == 0;
}

// The kind of device file a module type of the test bed reads, if any.
std::optional<SettingFile> device_file_kind(const char* type)
{
    if (std::strcmp(type, "ClientHost") == 0)
        return SettingFile::HOST;
    if (std::strcmp(type, "StorageDevice") == 0)
        return SettingFile::ARRAY;
    if (std::strcmp(type, "FcSwitch") == 0)
        return SettingFile::SWITCH;
    return std::nullopt;
}

// One model field's section, followed line by line as its reader reads it
// (ConfigFileReader::openSection and nextRow): from the first line that
// begins with the marker, past the column header, to the end marker.
class ModelFieldScan {
  public:
    explicit ModelFieldScan(const ModelField& field) : field_(field) {}

    bool done() const { return state_ == DONE; }

    // Takes the next line of the file; the files of the model a row names
    // go to `files`.
    void take(const std::string& line, std::vector<std::string>& files)
    {
        switch (state_) {
        case BEFORE:
            if (ConfigFileReader::beginsWith(line, field_.section))
                state_ = HEADER;
            return;
        case HEADER:
        case ROWS:
            if (ConfigFileReader::isSkipped(line))
                return;
            if (field_.endMarker && ConfigFileReader::beginsWith(line, field_.endMarker))
                state_ = DONE;
            else if (state_ == HEADER)
                state_ = ROWS;
            else if (const ConfigRow row(line, 0); !row.text(field_.column).empty())
                for (std::string& file : model_file_names(field_.model, row.text(field_.column)))
                    files.push_back(std::move(file));
            return;
        case DONE: return;
        }
    }

  private:
    enum State { BEFORE, HEADER, ROWS, DONE };
    const ModelField& field_;
    State state_ = BEFORE;
};

// The model files that the model fields of a device file of `kind` name, in
// the order the file holds them. Only the model sections' rows are split, and
// reading stops once they are over. A file that does not open as text, or
// a line too long for any reader, ends the reading: the device's reader
// refuses the file with its own message.
std::vector<std::string> model_files_named(const std::string& file, SettingFile kind)
{
    std::vector<ModelFieldScan> scans;
    for (const ModelField& field : model_fields())
        if (field.file == kind)
            scans.emplace_back(field);
    std::vector<std::string> files;
    std::ifstream in;
    if (scans.empty() || TextFile::open(in, file).fault != TextFile::NONE)
        return files;
    LineReader lines(in, ConfigFileReader::MAX_ROW_LENGTH);
    std::string line;
    for (LineReader::Result got; (got = lines.next(line)) != LineReader::END;) {
        if (got == LineReader::TOO_LONG && !lines.skipRest(ConfigFileReader::MAX_LINE_LENGTH))
            break;
        bool open = false;
        for (ModelFieldScan& scan : scans) {
            scan.take(line, files);
            open = open || !scan.done();
        }
        if (!open)
            break;
    }
    return files;
}

class RunInputs {
  public:
    explicit RunInputs(cModule* root)
    {
        if (const cIniFile* ini = simulation.iniFile()) {
            add_ini(*ini);
            if (dynamic_cast<NetworkTestBed*>(root))
                add_test_bed_models(*ini, root->fullPath());
        }
        for (const char* setting : {"zoneSetFile", "linkEventFile"})
            if (root->hasPar(setting))
                add_named(setting, root->par(setting).stringValue());
    }

    const RunInput* find(const FileIdentity& id) const
    {
        for (const RunInput& input : inputs_)
            if (same_file(input.id, id))
                return &input;
        return nullptr;
    }

  private:
    void add(std::string source, const std::string& file)
    {
        if (!file.empty())
            inputs_.push_back({std::move(source), identify(file)});
    }

    void add_named(const std::string& setting, const std::string& file)
    {
        add("the file of " + setting_text(setting, file), file);
    }

    void add_ini(const cIniFile& ini)
    {
        std::set<std::string> iniFiles{ini.fileName()};
        for (const cIniFile::Heading& h : ini.headings())
            iniFiles.insert(h.file);
        for (const cIniFile::Entry& e : ini.entries())
            iniFiles.insert(e.file);
        for (const std::string& file : iniFiles)
            add("the ini file \"" + file + "\"", file);
        for (const cIniFile::Entry& e : ini.entries())
            if (names_a_device_file(e))
                add_named(e.key, unquoted(e.value));
    }

    // The model files of every device of the test bed, found through the
    // device's confFile as the run will look it up, patterns and all, and
    // the model fields of its kind of file.
    void add_test_bed_models(const cIniFile& ini, const std::string& rootPath)
    {
        std::set<std::pair<std::string, SettingFile>> read;
        std::set<std::string> models;
        for (const TestBedSite& site : test_bed_sites())
            for (const SiteDevice& device : site.table->devices) {
                const std::optional<SettingFile> kind = device_file_kind(device.type);
                if (!kind)
                    continue;
                const cIniFile::Entry* setting =
                    ini.findParameterEntry(rootPath + "." + site.name + "." + device.name + ".confFile");
                if (!setting)
                    continue;
                const std::string deviceFile = unquoted(setting->value);
                if (!read.emplace(deviceFile, *kind).second)
                    continue;
                for (const std::string& file : model_files_named(deviceFile, *kind))
                    if (models.insert(file).second)
                        add("the model file \"" + file + "\" that \"" + deviceFile + "\" names", file);
            }
    }

    std::vector<RunInput> inputs_;
};

} // namespace

void refuse_logs_on_run_inputs(cModule* root)
{
    const cIniFile* ini = simulation.iniFile();
    const std::string iniName = ini && !ini->fileName().empty() ? ini->fileName() : "omnetpp.ini";
    const RunInputs inputs(root);
    std::vector<std::pair<const char*, FileIdentity>> logs;
    for (const char* log : RUN_LOG_SETTINGS) {
        const std::string file = root->par(log).stringValue();
        const FileIdentity id = identify(file);
        // A name ending in '/' is a folder's: no file is removed or written there.
        if (file.empty() || file.back() == '/' || !id.plain)
            continue;
        const std::string setting = setting_text(log, file);
        if (const RunInput* input = inputs.find(id))
            throwError("---> %s names a file the run reads, %s: a log is removed at set-up and written over, so it "
                       "needs a file of its own. Please check the file \"%s\"",
                       setting.c_str(), input->source.c_str(), iniName.c_str());
        for (const auto& [other, otherId] : logs)
            if (same_file(otherId, id))
                throwError("---> %s names the file of %s: each log needs a file of its own. Please check the file "
                           "\"%s\"",
                           setting.c_str(), setting_text(other, root->par(other).stringValue()).c_str(),
                           iniName.c_str());
        logs.emplace_back(log, id);
    }
}
