#include "network/RunLogCheck.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "network/RootModule.h"
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

// The fields of a device file: every word outside comments and section
// markers. A model's name is one of them, and so are the file names the
// model's readers make of it.
std::set<std::string> words_of(const std::string& file)
{
    std::set<std::string> words;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line.substr(0, line.find(';')));
        std::string word;
        while (fields >> word)
            if (word.front() != '[')
                words.insert(word);
    }
    return words;
}

class RunInputs {
  public:
    explicit RunInputs(cModule* root)
    {
        if (const cIniFile* ini = simulation.iniFile())
            add_ini(*ini);
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
        std::set<std::string> deviceFiles;
        for (const cIniFile::Entry& e : ini.entries()) {
            if (!names_a_device_file(e))
                continue;
            const std::string file = unquoted(e.value);
            add_named(e.key, file);
            if (deviceFiles.insert(file).second)
                add_models(file);
        }
    }

    void add_models(const std::string& deviceFile)
    {
        for (const std::string& word : words_of(deviceFile))
            for (const char* suffix : {".ini", ".params.ini", ".seek.full.ini"}) {
                const std::string file = word + suffix;
                std::error_code ec;
                if (std::filesystem::is_regular_file(file, ec))
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
