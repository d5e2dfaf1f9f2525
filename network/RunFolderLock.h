#pragma once

#include <memory>
#include <string>
#include <vector>

// The folders a run writes into, taken for that run alone. Two runs that
// write into one folder would mix their statistics files and logs and trip
// over each other's temporary files, so a run holds an advisory lock on the
// hidden file ".Velmora.lock" in each of its folders from set-up until its
// network is deleted (or the process ends), and a second run there refuses to
// start.
class RunFolderLock {
  public:
    // A file the run writes outside the program-data folder, and the setting
    // that names it.
    struct Output {
        std::string setting;
        std::string path;
    };

    // Takes the folder of `progDataDir` (the part up to its last '/', or the
    // current directory), making it when it does not exist yet, and the
    // folders of `outputs`. An output that already exists as something other
    // than a plain file (/dev/null, say), or whose folder cannot be made,
    // leaves its folder untaken: nothing of the run can be mixed into it.
    // Stops the set-up with a message naming every folder another run holds
    // and every setting that names a file in one, or naming the folder of
    // `progDataDir` when its lock file cannot be made.
    static std::unique_ptr<RunFolderLock> take(const std::string& progDataDir, const std::vector<Output>& outputs = {});

    ~RunFolderLock();
    RunFolderLock(const RunFolderLock&) = delete;
    RunFolderLock& operator=(const RunFolderLock&) = delete;

  private:
    explicit RunFolderLock(std::vector<int> fds) : fds_(std::move(fds)) {}
    std::vector<int> fds_;
};

// The folder that `progDataDir` names, with its trailing '/'; "./" when it
// names none.
std::string prog_data_folder(const std::string& progDataDir);
