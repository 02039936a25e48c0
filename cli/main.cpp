// Entry point of vantrel-cli: finds the folder of COM.INI and runs one command line.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

#include "VantrelVersion.h"
#include "cli/CliApp.h"
#include "cli/StopSignal.h"
#include "link/LinkContext.h"
#include "link/programFolders.h"

namespace {

// The directory of the executable (COM.INI lives there), falling back to argv[0]'s directory.
std::string programDirectory(const char* argv0) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || exe.empty())
        exe = std::filesystem::absolute(argv0 ? argv0 : ".", error);
    std::filesystem::path directory = exe.parent_path();
    return directory.empty() ? std::string(".") : directory.string();
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(true);
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "vantrel-cli " << vantrel::kVersion << '\n' << vantrel::kLicenceNotice;
        return 0;
    }
    // COM.INI lives beside the program, or in the user's settings folder when the program is installed.
    const vantrel::programFolders folders =
        vantrel::programFolders::resolve(programDirectory(argc > 0 ? argv[0] : nullptr));
    folders.createUserFolders();
    const std::string& directory = folders.settings;
    vantrel::linkContext().programDirectory = directory;
    vantrel::stopSignal::install();
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    vantrel::CliApp app(directory,
                        vantrel::CliIo{std::cout, std::cerr, std::cin, isatty(STDIN_FILENO) == 1,
                                       isatty(STDERR_FILENO) == 1, STDIN_FILENO, nullptr, STDOUT_FILENO});
    // The service history lives in the user's data folder (the work folder when there is no home).
    const std::string data = vantrel::userDataDirectory();
    app.enableHistory(data.empty() ? folders.work : data);
    return app.run(args);
}
