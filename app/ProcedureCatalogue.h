// Which window shows each procedure, variant and utility of the core's catalogue: one view per name, and
// the catalogue's facts (command, code, title, caption, help topic, availability) beside it.
#pragma once

#include <span>

#include "app/CommandTable.h"
#include "screens/screenEnvironment.h"

class QWidget;

namespace vantrel {

/// Open-screen codes that the shell itself publishes or tests for.
namespace screenCode {
inline constexpr int None = 0;
inline constexpr int PaBiasHigh = 11;
inline constexpr int PaBiasLow = 12;
inline constexpr int SerialProgram = 30;
inline constexpr int PaBiasHighDefault = 36;
inline constexpr int PaBiasLowDefault = 37;
inline constexpr int TempCompRead = 39;
inline constexpr int TempCompWrite = 40;
inline constexpr int PortableSetup = 41;
inline constexpr int MobileSetup = 42;
}  // namespace screenCode

/// Help contexts besides the per-screen ones.
namespace helpContext {
inline constexpr int Index = -1;      ///< the help index (contents)
inline constexpr int UsingHelp = -2;  ///< help on using help
inline constexpr int PaBiasDefault = 40017;
}  // namespace helpContext

/// Makes (and opens) the window of a screen command; the identity in the environment says which. A window
/// that refused to open has set the open-screen code to 0.
using screenMaker = QWidget* (*)(const screenEnvironment& environment);
/// Checks a command needs before its window opens (configuration files); shows its own messages and
/// answers false to open nothing.

/// One screen command: the core catalogue's row and the view that shows it.
struct ProcedureEntry {
    int commandId;
    const char* screenClass;
    const char* windowTitle;
    const char* childCaption;
    int code;
    int helpContext;  ///< helpContext::Index for none of its own
    bool (*available)(const procedureState& state);
    screenMaker create;  ///< nullptr while the screen does not exist: the command stays greyed
};

/// Every screen command in menu order.
std::span<const ProcedureEntry> procedureCatalogue();
/// The row of a command, nullptr for commands that open no screen.
const ProcedureEntry* findProcedure(int commandId);
/// The help context of an open-screen code; helpContext::Index for 0 and every code without a topic.
int helpContextForScreen(int code);
/// What the catalogue says of a command's screen, for its environment.
screenIdentity identityFor(int commandId);
/// The same for the radio in `record`: the K and M screen gets the K and M scales of the radio's model.
screenIdentity identityFor(int commandId, const radioStorage& record);

}  // namespace vantrel
