#include "device/OutputFile.h"

#include <filesystem>
#include <system_error>

#include "sim/cModule.h"
#include "sim/cPar.h"
#include "sim/cSimulation.h"

void set_output_format(std::ostream& out)
{
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.setf(std::ios::showpoint);
    out.setf(std::ios::left, std::ios::adjustfield);
}

std::string output_path(cModule* root, const char* dirPar, const std::string& fileName, const char* suffix)
{
    return std::string(root->par("progDataDir").stringValue()) + root->par(dirPar).stringValue() + fileName + suffix;
}

OutputStream open_output_file(const cModule* writer, const std::string& path, bool truncate, const char* failFormat)
{
    const std::ios::openmode mode = std::ios::out | (truncate ? std::ios::trunc : std::ios::app);
    OutputStream out(writer, path, mode);
    if (!out) {
        // The usual cause on a fresh output folder: the directories are not
        // there yet.
        const std::filesystem::path dir = std::filesystem::path(path).parent_path();
        std::error_code ec;
        if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
            std::filesystem::create_directories(dir, ec);
            if (ec)
                writer->error("---> Couldn't create the directory \"%s\" for the file \"%s\": %s", dir.string().c_str(),
                              path.c_str(), ec.message().c_str());
            out.clear();
            out.open(path, mode);
        }
    }
    if (!out)
        writer->error(failFormat, path.c_str());
    set_output_format(out);
    return out;
}

OutputStream open_shared_output(const cModule* writer, const std::string& path, cPar& newFlag,
                                const std::function<void(std::ostream&)>& writeHeader, const char* failFormat)
{
    if (!newFlag.boolValue())
        return open_output_file(writer, path, false, failFormat);
    OutputStream out = open_output_file(writer, path, true, failFormat);
    newFlag.setBoolValue(false);
    if (writeHeader)
        writeHeader(out);
    return out;
}

double time_scale_seconds(const cModule* reader, cModule* root, const char* name)
{
    const double ms = root->par(name).doubleValue();
    if (!(ms > 0))
        reader->error("---> Invalid \"%s\". Must > 0ms. Please check the file \"omnetpp.ini\"", name);
    if (!(ms >= MIN_TIME_SCALE_MS && ms <= MAX_TIME_SCALE_MS))
        reader->error("---> Invalid \"%s\". Must be within [%g,%g]ms. Please check the file \"omnetpp.ini\"", name,
                      MIN_TIME_SCALE_MS, MAX_TIME_SCALE_MS);
    return ms / 1000.0;
}

double sim_time_ms()
{
    return simulation.simTime() * 1000.0;
}
