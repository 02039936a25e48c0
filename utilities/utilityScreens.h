// How the shell creates the utility windows, and its checks before the baseband window opens.
#pragma once

class QWidget;

namespace vantrel {

struct screenEnvironment;

/// Each creates the window and runs its opening; a window that refused to open has set
/// *environment.openScreenCode to 0 and the shell deletes it at once.
QWidget* createSerialProgramWindow(const screenEnvironment& environment);
QWidget* createBasebandUpdateWindow(const screenEnvironment& environment);
QWidget* createTempCompWindow(const screenEnvironment& environment, bool writeMode);
/// The shell's checks before the baseband window opens (file missing / unreadable messages, the configuration
/// checks); false opens nothing.
bool basebandPrecheck(const screenEnvironment& environment);

}  // namespace vantrel
