// A file that appears only once complete: the bytes go to a new file beside
// the target (a rename within one folder is atomic), are flushed to the
// disk, and only then take the target's name. An existing file of that name
// stays as it was until the moment it is replaced, and a failure at any step
// removes the temporary file.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "maker/ProgramFile.h"

namespace maker {
namespace {

std::string Folder(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

}  // namespace

bool WriteFileWhole(const std::string& path, const std::vector<unsigned char>& bytes,
                    std::string* why) {
    // Created new with O_EXCL, so the name is this call's alone (another
    // thread's writing the same path takes the next one); its permissions
    // are the umask's, as for any new file.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = path + ".part" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *why = "cannot write in " + Folder(path) + ": " + std::strerror(errno);
        return false;
    }
    bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        unlink(temporary.c_str());
        *why = "cannot write " + path + ": " + std::strerror(error);
        return false;
    }
    // The new name itself reaches the disk with its folder.
    int folder = open(Folder(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

}  // namespace maker
