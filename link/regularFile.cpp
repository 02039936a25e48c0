// Reading the small files the program is given: only regular files, never blocking on a FIFO or device.
#include "link/regularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantrel {

std::string RegularFileText::reason() const {
    switch (status) {
        case Status::Read:
            return {};
        case Status::NotRegular:
            return "not a regular file";
        case Status::TooLarge:
            return "too large";
        case Status::Missing:
        case Status::Failed:
            break;
    }
    return std::strerror(error != 0 ? error : EIO);
}

RegularFileText readRegularFile(const std::string& path, std::size_t limit, bool prefixOnly) {
    RegularFileText result;
    const auto failed = [&](RegularFileText::Status status, int error) {
        result.status = status;
        result.error = error;
        result.text.clear();
        return result;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        return failed(error == ENOENT || error == ENOTDIR ? RegularFileText::Status::Missing
                                                          : RegularFileText::Status::Failed,
                      error);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(RegularFileText::Status::Failed, error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(RegularFileText::Status::NotRegular, 0);
    }
    // A regular file never blocks; reads go back to the usual mode (some file systems answer EAGAIN).
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(RegularFileText::Status::Failed, error);
    }
    // One byte beyond the limit tells a file that is too large.
    char chunk[4096];
    result.text.clear();
    std::size_t have = 0;
    while (have <= limit) {
        const std::size_t want = std::min(sizeof chunk, limit + 1 - have);
        const ssize_t n = ::read(fd, chunk, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failed(RegularFileText::Status::Failed, error);
        }
        if (n == 0)
            break;
        result.text.append(chunk, static_cast<std::size_t>(n));
        have += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (have > limit) {
        if (!prefixOnly)
            return failed(RegularFileText::Status::TooLarge, 0);
        have = limit;
    }
    result.text.resize(have);
    result.status = RegularFileText::Status::Read;
    return result;
}

}  // namespace vantrel
