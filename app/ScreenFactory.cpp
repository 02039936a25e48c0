// The installed screen factory, the empty default and the factory of the tuning screens.
#include "app/ScreenFactory.h"

#include "app/CommandTable.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"

namespace vantrel {

namespace {

std::unique_ptr<ScreenFactory>& slot() {
    static std::unique_ptr<ScreenFactory> factory = std::make_unique<EmptyScreenFactory>();
    return factory;
}

/// Creates the tuning screens of the screens library by command.
class TuningScreenFactory : public ScreenFactory {
  public:
    QWidget* create(const ScreenRequest& request, const ScreenContext& context) override {
        screenEnvironment environment;
        environment.parent = context.parent;
        environment.record = context.record;
        environment.operations = context.operations;
        environment.openScreenCode = context.openScreenCode;
        environment.prompt = context.prompt;
        environment.readRadio = context.readRadio;
        switch (request.commandId) {
            case cmd::TxHighPower:
                return TTuningScreen::create<TTransmitHighPowerWindow>(environment);
            case cmd::TxLowPower:
                return TTuningScreen::create<TTransmitLowPowerWindow>(environment);
            default:
                return nullptr;
        }
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
