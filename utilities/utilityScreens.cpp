// Creation of the utility windows and the checks before the baseband window opens.
#include "utilities/utilityScreens.h"

#include "link/EnhancedSBEP.h"
#include "link/LinkContext.h"
#include "link/dataFiles.h"
#include "operations/UserPrompt.h"
#include "operations/bboConfigFileModule.h"
#include "radio/radioStorage.h"
#include "screens/tuningConnection.h"
#include "utilities/TBasebandUpdateWindow.h"
#include "utilities/TSerialProgramWindow.h"
#include "utilities/TTempCompWindow.h"

namespace vantrel {

namespace {

/// The file the shell's configuration reader was loaded from, so the window can name it. The reader
/// stays loaded for the whole run, so this is the file every later opening uses too.
struct LoadedConfig {
    const bboConfigFileModule* reader = nullptr;
    std::string path;
};
LoadedConfig& loadedConfig() {
    static LoadedConfig loaded;
    return loaded;
}

}  // namespace

QWidget* createSerialProgramWindow(const screenEnvironment& environment) {
    auto* window = new TSerialProgramWindow(environment);
    window->open();
    return window;
}

QWidget* createBasebandUpdateWindow(const screenEnvironment& environment) {
    auto* window = new TBasebandUpdateWindow(environment);
    const LoadedConfig& loaded = loadedConfig();
    if (!environment.record->isBboFromRadio() && environment.bboConfig &&
        loaded.reader == environment.bboConfig)
        window->setConfigurationFile(QString::fromStdString(loaded.path));
    window->open();
    return window;
}

QWidget* createTempCompWindow(const screenEnvironment& environment, bool writeMode) {
    auto* window = new TTempCompWindow(environment, writeMode);
    window->open();
    return window;
}

bool basebandPrecheck(const screenEnvironment& environment) {
    radioStorage& record = *environment.record;
    UserPrompt& prompt = *environment.prompt;
    // Radios that hold their own offsets need no configuration file: their nine rows are fixed.
    if (record.isBboFromRadio()) {
        if (record.allocateBboRows())
            return true;
        prompt.show(bboConfigFileModule::messageFor(bboMatchResult::AllocationFailed));
        return false;
    }
    if (!environment.bboConfig)
        return false;
    bboConfigFileModule& config = *environment.bboConfig;
    if (!config.isLoaded()) {
        // The settings folder, the XDG data folders, then the program folder: the first bbo.cfg found.
        const std::string program = environment.programDirectory.toStdString();
        std::string path = findDataFile(bboConfigFileModule::kFileName,
                                        dataFileFolders(linkContext().programDirectory, program));
        if (path.empty())
            path = bboConfigFileModule::pathIn(program);
        const bboLoadResult loaded = config.loadFile(path);
        loadedConfig() = {&config, loaded == bboLoadResult::Loaded ? path : std::string()};
        if (loaded != bboLoadResult::Loaded) {
            prompt.show(bboConfigFileModule::messageFor(loaded));
            return false;
        }
    }
    if (config.version() != 0) {
        prompt.show(bboConfigFileModule::messageFor(bboMatchResult::UnsupportedVersion));
        return false;
    }
    tuningConnection connection(prompt);
    if (!connection.open())
        return false;
    const bboMatchResult matched = config.matchRadio(record, connection.link());
    connection.close();
    if (matched != bboMatchResult::Matched) {
        prompt.show(bboConfigFileModule::messageFor(matched));
        return false;
    }
    return true;
}

}  // namespace vantrel
