// The main window's command table: ids, menu texts, hints, enablers and handlers, kept as data.
#pragma once

#include <span>

#include "operations/commandIds.h"
#include "operations/procedureAvailability.h"

namespace vantrel {

class radioStorage;
class TVantrelMDIClient;
class TVantrelApp;

/// What the enablers look at: the MDI client's flags, the open-screen code and the radio record.
struct ShellState : procedureState {
    int openScreenCode = 0;
};

using Enabler = bool (*)(const ShellState&);
using ClientHandler = void (TVantrelMDIClient::*)(int commandId);
using AppHandler = void (TVantrelApp::*)(int commandId);

/// One menu command. `menu` is the top-level menu; `submenu` the pull-right inside it (nullptr for
/// none). A command without an enabler is always enabled; one without a handler is always greyed.
struct CommandSpec {
    int id;
    const char* menu;
    const char* submenu;
    const char* text;
    const char* hint;  ///< status-bar hint; nullptr for none
    Enabler enabler;
    ClientHandler clientHandler = nullptr;
    AppHandler appHandler = nullptr;
    const char* shortcut = nullptr;  ///< accelerator text shown beside the item
    bool separatorBefore = false;

    bool hasHandler() const { return clientHandler || appHandler; }
};

/// A top-level menu or a pull-right with its hint and (for pull-rights) its group enabler.
struct MenuSpec {
    const char* menu;
    const char* submenu;  ///< nullptr for the top-level menu itself
    const char* title;
    const char* hint;
    int groupId;  ///< 0 for none
    Enabler enabler;
};

/// One toolbar slot: a command, or a separator (id 0).
struct ToolSpec {
    int commandId;
    int bitmap;
    const char* tooltip;
};

/// Every command in menu order.
std::span<const CommandSpec> commandTable();
/// Menus and pull-rights in menu order.
std::span<const MenuSpec> menuTable();
/// Toolbar slots left to right.
std::span<const ToolSpec> toolTable();
/// The command of an id, nullptr when unknown.
const CommandSpec* findCommand(int id);
/// Evaluates the enabler of a command or group id (greyed when there is no handler; always enabled
/// when there is no enabler). An item of a pull-right also needs its group's enabler; a screen command
/// follows its procedure catalogue row and stays greyed while its screen does not exist. Unknown ids
/// answer false.
bool isCommandEnabled(int id, const ShellState& state);

}  // namespace vantrel
