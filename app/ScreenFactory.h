// Where the shell gets tuning and utility screens from: a factory the screen folders register.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace vantrel {

class bboConfigFileModule;
class radioOperations;
class radioStorage;
class UserPrompt;

/// Which screen a command asks for, with everything its window needs.
struct ScreenRequest {
    int commandId = 0;
    int code = 0;                 ///< open-screen code the screen publishes while open
    QString windowTitle;          ///< the screen's own title
    QString childCaption;         ///< caption of the MDI child that frames it
    bool defaultVariant = false;  ///< PA bias: the default-value variant after the supply screening
    int kmScale = 0;              ///< K and M screen: the integer it is created with
    double ratedPower = 0.0;      ///< K and M screen: rated power in watts
};

/// What a screen receives from the shell. The record and the open-screen code outlive every screen.
struct ScreenContext {
    QWidget* parent = nullptr;
    radioStorage* record = nullptr;
    int* openScreenCode = nullptr;  ///< the screen writes its code on opening and 0 on closing
    UserPrompt* prompt = nullptr;
    QString programDirectory;
    radioOperations* operations = nullptr;  ///< the shell's read operation (serial number checks)
    /// Runs the "Read Radio Information and Softpots" command as the main window would, enablers aside.
    std::function<void()> readRadio;
    bboConfigFileModule* bboConfig = nullptr;  ///< the shell's baseband configuration reader
};

/// Creates screens by command. The shell frames a created screen in an MDI child; a screen that
/// refuses to open leaves the open-screen code at 0 and is removed again at once.
class ScreenFactory {
  public:
    virtual ~ScreenFactory() = default;
    /// Checks a command needs before its screen opens (configuration files and the like); shows its
    /// own messages and answers false to open nothing. The default passes.
    virtual bool precheck(const ScreenRequest& request, const ScreenContext& context);
    /// A new screen for the request, or nullptr when this factory does not know it.
    virtual QWidget* create(const ScreenRequest& request, const ScreenContext& context) = 0;
};

/// Knows no screen: every request answers nullptr (nothing opens).
class EmptyScreenFactory : public ScreenFactory {
  public:
    QWidget* create(const ScreenRequest&, const ScreenContext&) override { return nullptr; }
};

/// Knows every tuning screen built so far (transmit high and low power) and the utility windows; nullptr
/// for other requests.
std::unique_ptr<ScreenFactory> makeTuningScreenFactory();

/// The factory the application uses; the screen folders install theirs at start-up. Never null.
ScreenFactory& screenFactory();
/// Installs a factory (ownership passes); nullptr restores the empty one.
void setScreenFactory(std::unique_ptr<ScreenFactory> factory);

}  // namespace vantrel
