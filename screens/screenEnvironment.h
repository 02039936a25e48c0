// What a screen receives from the shell: the record, the read operation, the open-screen code, the prompt,
// and what the shell's procedure catalogue says of the screen being made.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vantrel {

class bboConfigFileModule;
class radioStorage;
class radioOperations;
class UserPrompt;

/// Which screen the shell asks for: one row of its procedure catalogue plus the command's variant.
struct screenIdentity {
    int commandId = 0;
    int code = 0;                 ///< open-screen code the screen publishes while open
    int helpContext = 0;          ///< help topic of the screen
    QString title;                ///< the screen's own title
    QString childCaption;         ///< caption of the MDI child that frames it
    bool defaultVariant = false;  ///< PA bias: the default-value variant after the supply screening
    unsigned mScale = 0;          ///< K and M screen: the M scale it is created with (0: the radio's own)
    double kScale = 0.0;          ///< K and M screen: the K scale it is created with (0: the radio's own)
};

/// Everything a screen is given. Nothing here is owned by the screen; all of it outlives the screen.
struct screenEnvironment {
    QWidget* parent = nullptr;
    radioStorage* record = nullptr;
    radioOperations* operations = nullptr;  ///< its serial number check is used before radio actions
    int* openScreenCode = nullptr;          ///< the screen writes its code on opening and 0 on closing
    UserPrompt* prompt = nullptr;
    /// Runs the main window's "Read Radio Information and Softpots" command (after a serial mismatch
    /// answered with OK). May be empty: nothing is read then.
    std::function<void()> readRadio;
    /// Asks the shell whether the screen's command is still available for the record (after a re-read
    /// brought in another radio). May be empty: always.
    std::function<bool(int commandId)> commandAvailable;
    screenIdentity identity;
    QString programDirectory;                  ///< the program's folder (COM.INI, bbo.cfg)
    bboConfigFileModule* bboConfig = nullptr;  ///< the shell's baseband configuration reader
    /// Makes the modeless "Please Wait.... Auto Tuning...." box over a screen whose radio tunes itself.
    /// The screen shows it before the first auto-tune request and deletes it when tuning ends or fails.
    /// May be empty: no box.
    std::function<QWidget*(QWidget* screen)> makeAutoTuneBox;
};

}  // namespace vantrel
