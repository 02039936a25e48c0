// The catalogue's screen factory and the seam that holds it.
#include "app/ScreenFactory.h"

#include "app/ProcedureCatalogue.h"

namespace vantrel {

namespace {

std::unique_ptr<ScreenFactory>& slot() {
    static std::unique_ptr<ScreenFactory> factory = std::make_unique<CatalogueScreenFactory>();
    return factory;
}

}  // namespace

QWidget* CatalogueScreenFactory::create(const screenEnvironment& environment) {
    const ProcedureEntry* p = findProcedure(environment.identity.commandId);
    return p && p->create ? p->create(environment) : nullptr;
}

bool CatalogueScreenFactory::provides(int commandId) const {
    const ProcedureEntry* p = findProcedure(commandId);
    return p && p->create;
}

ScreenFactory& screenFactory() {
    return *slot();
}

void setScreenFactory(std::unique_ptr<ScreenFactory> factory) {
    slot() = factory ? std::move(factory) : std::make_unique<CatalogueScreenFactory>();
}

}  // namespace vantrel
