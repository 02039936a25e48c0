// Creation of the utility windows and the checks before the baseband window opens.
#include "utilities/utilityScreens.h"

#include "link/EnhancedSBEP.h"
#include "operations/UserPrompt.h"
#include "operations/bboConfigFileModule.h"
#include "radio/radioStorage.h"
#include "screens/tuningConnection.h"
#include "utilities/TBasebandUpdateWindow.h"
#include "utilities/TSerialProgramWindow.h"
#include "utilities/TTempCompWindow.h"

namespace vantrel {

QWidget* createSerialProgramWindow(const screenEnvironment& environment) {
    auto* window = new TSerialProgramWindow(environment);
    window->open();
    return window;
}

QWidget* createBasebandUpdateWindow(const screenEnvironment& environment) {
    auto* window = new TBasebandUpdateWindow(environment);
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
        const bboLoadResult loaded =
            config.loadFile(bboConfigFileModule::pathIn(environment.programDirectory.toStdString()));
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
