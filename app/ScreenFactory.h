// Where the shell gets its screens from: the procedure catalogue, behind a seam tests can replace.
#pragma once

#include <memory>

#include "screens/screenEnvironment.h"

class QWidget;

namespace vantrel {

/// Creates screens for the identity in their environment. The shell frames a created screen in an MDI
/// child; a screen that refuses to open leaves the open-screen code at 0 and is closed again at once.
class ScreenFactory {
  public:
    virtual ~ScreenFactory() = default;
    /// A new screen, or nullptr when this factory does not know it.
    virtual QWidget* create(const screenEnvironment& environment) = 0;
    /// Whether this factory has a window for a command; a command without one stays greyed.
    virtual bool provides(int commandId) const = 0;
};

/// Creates every screen the procedure catalogue knows.
class CatalogueScreenFactory : public ScreenFactory {
  public:
    QWidget* create(const screenEnvironment& environment) override;
    bool provides(int commandId) const override;
};

/// The factory the application uses: the catalogue's unless a test installed another. Never null.
ScreenFactory& screenFactory();
/// Installs a factory (ownership passes); nullptr restores the catalogue's.
void setScreenFactory(std::unique_ptr<ScreenFactory> factory);

}  // namespace vantrel
