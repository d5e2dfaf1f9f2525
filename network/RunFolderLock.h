#pragma once

#include <memory>
#include <string>

// The program-data folder of a run, taken for that run alone. Two runs that
// write into one folder would mix their statistics files and trip over each
// other's temporary files, so a run holds an advisory lock on the hidden file
// ".Velmora.lock" in the folder from set-up until its network is deleted (or
// the process ends), and a second run there refuses to start.
class RunFolderLock {
  public:
    // Takes the folder of `progDataDir` (the part up to its last '/', or the
    // current directory), making it when it does not exist yet. Stops the
    // set-up with a message naming the folder when another run holds it or
    // the lock file cannot be made.
    static std::unique_ptr<RunFolderLock> take(const std::string& progDataDir);

    ~RunFolderLock();
    RunFolderLock(const RunFolderLock&) = delete;
    RunFolderLock& operator=(const RunFolderLock&) = delete;

  private:
    explicit RunFolderLock(int fd) : fd_(fd) {}
    int fd_;
};

// The folder that `progDataDir` names, with its trailing '/'; "./" when it
// names none.
std::string prog_data_folder(const std::string& progDataDir);
