#include "network/RunFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
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

std::unique_ptr<RunFolderLock> RunFolderLock::take(const std::string& progDataDir)
{
    const std::string folder = prog_data_folder(progDataDir);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throwError("---> Couldn't create the program-data folder \"%s\": %s. Please check the file \"omnetpp.ini\"",
                   folder.c_str(), ec.message().c_str());
    const std::string path = folder + ".Velmora.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throwError("---> Couldn't open file \"%s\": %s", path.c_str(), std::strerror(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int reason = errno;
        ::close(fd);
        if (reason == EWOULDBLOCK)
            throwError("---> The program-data folder \"%s\" is in use by another run. Please give each run a folder "
                       "of its own (\"progDataDir\") or wait for the other run to end. Please check the file "
                       "\"omnetpp.ini\"",
                       folder.c_str());
        throwError("---> Couldn't lock file \"%s\": %s", path.c_str(), std::strerror(reason));
    }
    return std::unique_ptr<RunFolderLock>(new RunFolderLock(fd));
}

RunFolderLock::~RunFolderLock()
{
    ::close(fd_);
}
