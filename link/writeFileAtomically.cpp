// Temporary file, fsync and rename: the old file stays whole until the new one is complete.
#include "link/writeFileAtomically.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

namespace vantrel {

namespace {

// Symbolic links followed before a path counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;
constexpr const char* kTempMark = ".~";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr int kTempAttempts = 100;

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes the rename itself durable; a directory that refuses fsync does not undo a completed save.
void syncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

// The path a save really writes: symbolic links followed to their final target, which need not exist.
// Answers an errno value on a loop or a link that cannot be read.
int resolveLinks(std::string& path) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n < 0)
            return errno;
        const std::string text(target, static_cast<std::size_t>(n));
        path = text.starts_with('/') ? text : directoryOf(path) + "/" + text;
    }
    return ELOOP;
}

// Removes temporary files that a killed save left in `dir`: our own name pattern, and no such process.
void removeStaleTemporaries(const std::string& dir) {
    DIR* listing = ::opendir(dir.c_str());
    if (listing == nullptr)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        long pid = 0;
        if (!isOwnTemporaryName(entry->d_name, &pid) || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;  // still running, or someone else's process
        (void)::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::closedir(listing);
}

// A device or FIFO takes the data where it is: replacing it would destroy it.
FileWriteResult writeInPlace(const std::string& path, std::string_view data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {errno};
    int error = writeAll(fd, data) ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return {error};
}

}  // namespace

std::string FileWriteResult::reason() const {
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

bool isOwnTemporaryName(std::string_view name, long* processId) {
    const auto mark = name.rfind(kTempMark);
    if (mark == std::string_view::npos || mark == 0 || !name.ends_with(kTempSuffix))
        return false;
    const std::string_view numbers = name.substr(mark + 2, name.size() - mark - 2 - kTempSuffix.size());
    const auto dash = numbers.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == numbers.size())
        return false;
    long pid = 0;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const char c = numbers[i];
        if (i == dash)
            continue;
        if (c < '0' || c > '9')
            return false;
        if (i < dash && pid < 100'000'000)
            pid = pid * 10 + (c - '0');
    }
    if (processId)
        *processId = pid;
    return true;
}

FileWriteResult checkWritable(const std::string& requested) {
    if (requested.empty() || requested.back() == '/')
        return {EISDIR};
    std::string path = requested;
    if (const int error = resolveLinks(path))
        return {error};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return {EISDIR};
        if (::access(path.c_str(), W_OK) != 0)
            return {errno};
        if (S_ISREG(st.st_mode) && ::access(directoryOf(path).c_str(), W_OK | X_OK) != 0)
            return {errno};
        return {};
    }
    if (errno != ENOENT)
        return {errno};
    if (::access(directoryOf(path).c_str(), W_OK | X_OK) != 0)
        return {errno};
    return {};
}

FileWriteResult writeFileAtomically(const std::string& requested, std::string_view data) {
    if (requested.empty() || requested.back() == '/')
        return {EISDIR};
    std::string path = requested;
    if (const int error = resolveLinks(path))
        return {error};

    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return {EISDIR};
    if (exists && !S_ISREG(existing.st_mode))
        return writeInPlace(path, data);

    const std::string dir = directoryOf(path);
    removeStaleTemporaries(dir);

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < kTempAttempts && fd < 0; ++attempt) {
        temp = dir + "/" + nameOf(path) + kTempMark + std::to_string(::getpid()) + "-" +
               std::to_string(counter++) + std::string(kTempSuffix);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return {errno};
    }
    if (fd < 0)
        return {EEXIST};

    int error = 0;
    if (exists) {
        // Keep who may read the file; ownership only where the system allows it.
        if (::fchmod(fd, existing.st_mode & 07777) != 0)
            error = errno;
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Not the owner and not privileged: the file becomes ours, with the same permissions.
        }
    }
    if (error == 0 && !writeAll(fd, data))
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return {error};
    }
    syncDirectory(dir);
    return {};
}

}  // namespace vantrel
