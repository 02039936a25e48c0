// What a tuning screen receives from the shell: the record, the read operation, the open-screen code, the
// prompt.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vantrel {

class radioStorage;
class radioOperations;
class UserPrompt;
class bboConfigFileModule;

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
    QString programDirectory;                  ///< the program's folder (COM.INI, bbo.cfg)
    bboConfigFileModule* bboConfig = nullptr;  ///< the shell's baseband configuration reader
};

}  // namespace vantrel
