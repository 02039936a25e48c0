// The installed screen factory and the empty default.
#include "app/ScreenFactory.h"

namespace vantrel {

namespace {
std::unique_ptr<ScreenFactory>& slot() {
    static std::unique_ptr<ScreenFactory> factory = std::make_unique<EmptyScreenFactory>();
    return factory;
}
}  // namespace

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
