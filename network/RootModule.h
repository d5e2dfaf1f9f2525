#pragma once

#include <string>

#include "network/ClosingLine.h"

class cModule;
class cPar;

// Run-wide state lives in parameters of the root module "Velmora". These are
// the shared ways every module reaches and uses it.

// The root: the first module above `module` (starting with its parent) that
// has the parameter `rootFlag`. A module keeps the result for the whole run.
cModule* find_root(const cModule* module);

// Takes a number from the root's long counter `counter`: returns its value v
// and leaves v + 1 behind, so the first taker gets the first value and no two
// takers get the same number.
long take_a_number(cModule* root, const char* counter);
// The same, for a counter found once by a module that takes many numbers.
long take_a_number(cPar& counter);

// The root's `defConCurrSeq`, the sequences a port may have open at once per
// exchange pair before a login agrees on more; a value outside [1,255] stops
// the run on `module`.
long def_con_curr_seq(const cModule* module, cModule* root);

// The name of the next temporary file of a kind: `progDataDir` + prefix + the
// number taken from `counter` + ".tmp", e.g. take_temp_file_name(root,
// "lunListFileId", "LunList") gives the first LUN list ".../LunList10000.tmp".
// The end-of-run clean-up knows each prefix by name (remove_temporary_files):
// a new kind of temporary file is added there too.
std::string take_temp_file_name(cModule* root, const char* counter, const char* prefix);

// The end-of-run summaries that every instance of a kind adds to, each named
// `progDataDir` + `finishDir` + the name + ".Finish".
namespace FinishFile {
inline constexpr const char SCSI_INITIATOR[] = "ScsiInitiator";
inline constexpr const char CTRL_MEM_CCH[] = "CtrlMemCch";
inline constexpr const char DEVICE_LUNS[] = "DeviceLUNs";
inline constexpr const char DISK_STAT[] = "DiskStat";
} // namespace FinishFile

// Adds one SCSI initiator's I/Os to the run's totals, which the run's closing
// line reports; a root that is not the test bed keeps none.
void add_initiator_totals(cModule* root, const InitiatorTotals& ios);

// The root's settings that name the run logs, each a whole path.
extern const char* const RUN_LOG_SETTINGS[6];

// Removes the files that every run shares, the run logs named by the root
// (RUN_LOG_SETTINGS) and the end-of-run summaries, so that
// none left by an earlier run passes for this run's: a run that writes no
// I/O failure leaves no I/O-failure log. Only plain files are removed, and
// nothing else is touched.
void clear_shared_outputs(cModule* root);

// Files shared by all writers of a kind follow the first-writer rule of
// open_shared_output (device/OutputFile.h).

// Removes the run's temporary files, once per run (the root's
// `tmpFilesDeleted`): those whose path is `progDataDir` followed by the name
// of a kind the run makes ("LunList10000.tmp", "Spare3.tmp", "PfOut.tmp"),
// and no other "*.tmp". Called at the end of a run, and when a run is
// abandoned.
void remove_temporary_files(cModule* root);
