#include "network/RunFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "sim/cException.h"

std::string prog_data_folder(const std::string& progDataDir)
{
    const size_t slash = progDataDir.rfind('/');
    return slash == std::string::npos ? std::string("./") : progDataDir.substr(0, slash + 1);
}

namespace {

// One folder to take, opened once however many settings lead into it: a
// second lock on the same file from this process would refuse the first.
struct Folder {
    std::string path;
    std::vector<std::string> settings;
    int fd;
    dev_t device;
    ino_t inode;
};

class FolderList {
  public:
    ~FolderList()
    {
        for (const Folder& f : folders_)
            ::close(f.fd);
    }

    // False, with the message in `why`, when the folder cannot be made or
    // its lock file not opened.
    bool add(const std::string& folder, const std::string& setting, std::string& why)
    {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            why = "---> Couldn't create the program-data folder \"" + folder + "\": " + ec.message() +
                  ". Please check the file \"omnetpp.ini\"";
            return false;
        }
        const std::string path = folder + ".Velmora.lock";
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            why = "---> Couldn't open file \"" + path + "\": " + std::strerror(errno);
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        for (Folder& f : folders_)
            if (f.device == st.st_dev && f.inode == st.st_ino) {
                ::close(fd);
                f.settings.push_back(setting);
                return true;
            }
        folders_.push_back(Folder{folder, {setting}, fd, st.st_dev, st.st_ino});
        return true;
    }

    // Locks every folder; returns the ones another run holds.
    std::vector<const Folder*> lock()
    {
        std::vector<const Folder*> held;
        for (const Folder& f : folders_)
            if (::flock(f.fd, LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK)
                    throwError("---> Couldn't lock file \"%s.Velmora.lock\": %s", f.path.c_str(), std::strerror(errno));
                held.push_back(&f);
            }
        return held;
    }

    std::vector<int> release()
    {
        std::vector<int> fds;
        for (const Folder& f : folders_)
            fds.push_back(f.fd);
        folders_.clear();
        return fds;
    }

  private:
    std::vector<Folder> folders_;
};

bool is_other_than_plain_file(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    return std::filesystem::exists(st) && !std::filesystem::is_regular_file(st);
}

[[noreturn]] void refuse_held_folders(const std::vector<const Folder*>& held)
{
    std::string folders, settings;
    bool progData = false;
    for (const Folder* f : held) {
        folders += (folders.empty() ? "\"" : ", \"") + f->path + "\"";
        for (const std::string& s : f->settings) {
            settings += (settings.empty() ? "\"" : ", \"") + s + "\"";
            progData = progData || s == "progDataDir";
        }
    }
    const bool one = held.size() == 1;
    throwError("---> The %s %s %s in use by another run. Please give each run a folder of its own (%s) or wait for the "
               "other run to end. Please check the file \"omnetpp.ini\"",
               !one       ? "folders"
               : progData ? "program-data folder"
                          : "folder",
               folders.c_str(), one ? "is" : "are", settings.c_str());
}

} // namespace

std::unique_ptr<RunFolderLock> RunFolderLock::take(const std::string& progDataDir, const std::vector<Output>& outputs)
{
    FolderList folders;
    std::string why;
    if (!folders.add(prog_data_folder(progDataDir), "progDataDir", why))
        throwError("%s", why.c_str());
    for (const Output& out : outputs)
        if (!is_other_than_plain_file(out.path))
            folders.add(prog_data_folder(out.path), out.setting, why);
    const std::vector<const Folder*> held = folders.lock();
    if (!held.empty())
        refuse_held_folders(held);
    return std::unique_ptr<RunFolderLock>(new RunFolderLock(folders.release()));
}

RunFolderLock::~RunFolderLock()
{
    for (int fd : fds_)
        ::close(fd);
}
