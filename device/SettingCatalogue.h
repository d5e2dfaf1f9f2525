#pragma once

#include <limits>
#include <string>
#include <vector>

class cModule;

// Where a setting is given: a device's configuration file, a CPU-model
// timing file, a disk model's parameter file, the link-event file or
// omnetpp.ini.
enum class SettingFile { HOST, ARRAY, SWITCH, CPU_MODEL, DISK_MODEL, LINK_EVENTS, INI };

// The type that holds a setting where it is used.
enum class SettingType { INT, LONG, DOUBLE };

// One setting that a reader takes: where it stands, the type that holds it
// and the values it may take. A value outside [min, max] stops the run at the
// reader, naming the file, section, line, field, the value read and the
// range. Some readers refuse some values with messages of their own, which
// stored files and users know ("receiver buffer size should > 0"): values
// below `ownBelow` or above `ownAbove` are left to them.
struct Setting {
    SettingFile file;
    const char* section; // "[2]"; "" in omnetpp.ini and a disk model's file
    const char* name;    // the column header, or the key of omnetpp.ini
    int column;          // the field's place in its row (a disk model's file: in the file), from 0; -1 in omnetpp.ini
    const char* unit;    // "MHz", "ms", "km"; "" for a count or a ratio
    SettingType type;
    double min, max; // both included
    // Why the bound is where it is, when the reader's own check does not say.
    const char* bound;
    double ownBelow = -std::numeric_limits<double>::infinity();
    double ownAbove = std::numeric_limits<double>::infinity();
    // The words the reader's own messages use for the field, when not `name`.
    const char* words = nullptr;
    // What the reader makes of a value below `ownBelow` when it takes one
    // rather than refusing it ("not given"); null when it refuses it.
    const char* ownBelowMeans = nullptr;
    // A reader whose own check applies to some rows only: those whose field
    // `ownIfColumn` reads `ownIfText` (FBR_max bounds the flush of a
    // "Fixed" cache policy alone). Elsewhere the field is not used.
    int ownIfColumn = -1;
    const char* ownIfText = nullptr;
};

// The smallest value above 0: an `ownBelow` of a reader that refuses values
// at or below 0 itself.
inline constexpr double ABOVE_ZERO = std::numeric_limits<double>::denorm_min();

// Every setting of the device files, the CPU-model files and omnetpp.ini.
const std::vector<Setting>& setting_catalogue();

// The setting of `file`, `section` and `name`; a name that the catalogue does
// not hold is a fault of the program, which stops the run.
const Setting& setting(SettingFile file, const char* section, const char* name);

// Whether `value` is one the catalogue leaves to the reader or accepts: not
// outside the range, or outside it on a side the reader words itself.
bool catalogue_accepts(const Setting& s, double value);

// "[1,65535]" or "[0.01,1e+12] ms"; a maximum just below a round bound
// shows the range open there: "[0,1e+12) ms".
std::string range_text(const Setting& s);

// "the file \"host1.conf\"" and the like: what the messages name.
const char* file_kind_name(SettingFile file);

// The files that the readers of a model make of its name: a CPU model's
// timing file, which an FC controller model is too, and a disk model's
// parameter file and seek table.
inline constexpr const char* CPU_MODEL_FILE_SUFFIX = ".ini";
inline constexpr const char* DISK_PARAMS_FILE_SUFFIX = ".params.ini";
inline constexpr const char* DISK_SEEK_FILE_SUFFIX = ".seek.full.ini";

// A field of a device file that names a model whose files the device's
// readers open. Its section is read as its reader reads it: from the first
// line that begins with `section` to the first that begins with `endMarker`
// (null: to the end of the file).
struct ModelField {
    SettingFile file; // HOST, ARRAY or SWITCH
    const char* section;
    const char* endMarker;
    const char* name;  // the column header
    int column;        // from 0
    SettingFile model; // CPU_MODEL (a processor's or an FC controller's) or DISK_MODEL
};

// Every field of the device files that names a model file the run reads.
const std::vector<ModelField>& model_fields();

// The files the readers of `model`, a model of that kind, open.
std::vector<std::string> model_file_names(SettingFile kind, const std::string& model);

// A root parameter read from omnetpp.ini, checked against its entry: a
// value outside the range stops the run with "---> Invalid \"<key>\". Must be
// within <range>. Please check the file \"omnetpp.ini\"", raised by `reader`.
long root_long_setting(const cModule* reader, cModule* root, const char* key);
double root_double_setting(const cModule* reader, cModule* root, const char* key);
