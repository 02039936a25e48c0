// The installed screen factory, the empty default and the factory of the tuning screens.
#include "app/ScreenFactory.h"

#include "app/CommandTable.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"
#include "utilities/utilityScreens.h"

namespace vantrel {

namespace {

std::unique_ptr<ScreenFactory>& slot() {
    static std::unique_ptr<ScreenFactory> factory = std::make_unique<EmptyScreenFactory>();
    return factory;
}

/// Creates the tuning screens of the screens library by command.
class TuningScreenFactory : public ScreenFactory {
  public:
    bool precheck(const ScreenRequest& request, const ScreenContext& context) override {
        if (request.commandId == cmd::BasebandOffset)
            return basebandPrecheck(environmentOf(context));
        return true;
    }

    QWidget* create(const ScreenRequest& request, const ScreenContext& context) override {
        const screenEnvironment environment = environmentOf(context);
        switch (request.commandId) {
            case cmd::TxHighPower:
                return TTuningScreen::create<TTransmitHighPowerWindow>(environment);
            case cmd::TxLowPower:
                return TTuningScreen::create<TTransmitLowPowerWindow>(environment);
            case cmd::ProgramSerialNo:
                return createSerialProgramWindow(environment);
            case cmd::BasebandOffset:
                return createBasebandUpdateWindow(environment);
            case cmd::TempCompRead:
                return createTempCompWindow(environment, false);
            case cmd::TempCompWrite:
                return createTempCompWindow(environment, true);
            default:
                return nullptr;
        }
    }

  private:
    static screenEnvironment environmentOf(const ScreenContext& context) {
        screenEnvironment environment;
        environment.parent = context.parent;
        environment.record = context.record;
        environment.operations = context.operations;
        environment.openScreenCode = context.openScreenCode;
        environment.prompt = context.prompt;
        environment.readRadio = context.readRadio;
        environment.programDirectory = context.programDirectory;
        environment.bboConfig = context.bboConfig;
        return environment;
    }
};

}  // namespace

std::unique_ptr<ScreenFactory> makeTuningScreenFactory() {
    return std::make_unique<TuningScreenFactory>();
}

bool ScreenFactory::precheck(const ScreenRequest&, const ScreenContext&) {
    return true;
}

ScreenFactory& screenFactory() {
    return *slot();
}

void setScreenFactory(std::unique_ptr<ScreenFactory> factory) {
    slot() = factory ? std::move(factory) : std::make_unique<EmptyScreenFactory>();
}

}  // namespace vantrel
