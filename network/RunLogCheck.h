#pragma once

class cModule;

// The run logs (RUN_LOG_SETTINGS) are removed at set-up and written over
// during the run, so a log setting that names a file the run reads would
// destroy it: the ini files, every device's `confFile`, the files of the
// processor, FC controller and disk models that the model fields of a test
// bed device's file name (model_fields(): "<model>.ini", "<model>.params.ini",
// "<model>.seek.full.ini"), the zone set (`zoneSetFile`) and the link events
// (`linkEventFile`); and two logs in one file would mix their rows. Such a
// setting stops the run, naming it and the other setting or file, before
// anything is removed or written. A device file that cannot be read is left
// to its reader, which stops the run with its own message.
//
// Files are compared as the file system sees them: two names are one file
// when they are one inode, or, for a file not there yet, when their absolute
// paths are one once normalised ("./ZoneSet.txt" and "ZoneSet.txt"). A log
// that is a device or a folder (/dev/null, say, or a name ending in '/') is
// neither removed nor written over, and is left out.
void refuse_logs_on_run_inputs(cModule* root);
