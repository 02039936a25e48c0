// The lookup order of the data files the program reads.
#include "link/dataFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "link/programFolders.h"

namespace vantrel {

namespace {

std::string trimmed(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

void add(std::vector<std::string>& folders, const std::string& folder) {
    if (folder.empty())
        return;
    const std::string f = trimmed(folder);
    if (std::find(folders.begin(), folders.end(), f) == folders.end())
        folders.push_back(f);
}

}  // namespace

std::vector<std::string> dataFileFolders(const std::string& settingsFolder,
                                         const std::string& programFolder) {
    std::vector<std::string> folders;
    add(folders, settingsFolder);
    add(folders, userDataDirectory());
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = dirs && *dirs ? dirs : "/usr/local/share/:/usr/share/";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string entry = trimmed(list.substr(start, end - start));
        if (!entry.empty() && entry[0] == '/')
            add(folders, (entry == "/" ? std::string() : entry) + "/vantrel");
        start = end + 1;
    }
    add(folders, programFolder);
    return folders;
}

std::vector<std::string> programDataFolders(const std::string& settingsFolder, const std::string& dataFolder,
                                            const std::string& programFolder) {
    std::vector<std::string> folders = dataFileFolders(settingsFolder, programFolder);
    add(folders, dataFolder);
    return folders;
}

std::string findDataFile(const std::string& name, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
        struct stat st {};
        // A folder or a device of that name is no data file: the search goes on past it.
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return path;
    }
    return {};
}

}  // namespace vantrel
