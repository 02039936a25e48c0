// The program's folders: program directory, shared data, per-user settings and work folders.
#include "link/programFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace vantrel {

namespace {

constexpr const char* kName = "vantrel";

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path.empty() ? std::string(".") : path;
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string lastComponent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string join(const std::string& directory, const std::string& name) {
    return directory == "/" ? "/" + name : directory + "/" + name;
}

/// An environment variable that holds an absolute path, else empty.
std::string absoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    return withoutTrailingSlashes(value);
}

std::string homeDirectory() {
    if (std::string home = absoluteFromEnvironment("HOME"); !home.empty())
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return withoutTrailingSlashes(found->pw_dir);
    return {};
}

std::string userDirectory(const char* xdgVariable, const char* homeRelative) {
    std::string base = absoluteFromEnvironment(xdgVariable);
    if (base.empty()) {
        const std::string home = homeDirectory();
        if (home.empty())
            return {};
        base = join(home, homeRelative);
    }
    return join(base, kName);
}

}  // namespace

std::string userConfigDirectory() {
    return userDirectory("XDG_CONFIG_HOME", ".config");
}

std::string userDataDirectory() {
    return userDirectory("XDG_DATA_HOME", ".local/share");
}

bool makeDirectories(const std::string& path, unsigned mode) {
    if (path.empty())
        return false;
    if (isDirectory(path))
        return true;
    const std::string parent = parentOf(path);
    if (parent != path && !makeDirectories(parent, mode))
        return false;
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0)
        return true;
    // Another process may have created it in the meantime.
    return errno == EEXIST && isDirectory(path);
}

programFolders programFolders::resolve(const std::string& programDirectory) {
    programFolders f;
    f.program = withoutTrailingSlashes(programDirectory);
    f.data = f.settings = f.work = f.program;

    const std::string prefix = parentOf(f.program);
    const std::string shared = join(join(prefix, "share"), kName);
    f.installed = lastComponent(f.program) == "bin" && isDirectory(shared);
    if (!f.installed)
        return f;

    f.data = shared;
    // A COM.INI beside the program wins, so an administrator can fix the port for every user.
    const bool programHoldsComIni = exists(join(f.program, "COM.INI")) || exists(join(f.program, "com.ini"));
    if (!programHoldsComIni) {
        if (std::string config = userConfigDirectory(); !config.empty())
            f.settings = config;
    }
    if (std::string work = userDataDirectory(); !work.empty())
        f.work = work;
    return f;
}

bool programFolders::createUserFolders() const {
    bool ok = true;
    if (settings != program)
        ok = makeDirectories(settings) && ok;
    if (work != program)
        ok = makeDirectories(work) && ok;
    return ok;
}

}  // namespace vantrel
