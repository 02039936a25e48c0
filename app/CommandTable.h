// The main window's command table: ids, menu texts, hints, enablers and handlers, kept as data.
#pragma once

#include <span>

namespace vantrel {

class radioStorage;
class TVantrelMDIClient;
class TVantrelApp;

/// Command numbers of the main menu, the toolbar and the help contexts of the commands.
namespace cmd {
inline constexpr int LoadArchive = 24332;
inline constexpr int SaveArchive = 11861;
inline constexpr int ReadRadio = 11842;
inline constexpr int ProgramAll = 18873;
inline constexpr int PrinterSetup = 24338;
inline constexpr int PrintPreview = 24340;
inline constexpr int PrintActive = 24337;
inline constexpr int Exit = 24310;
inline constexpr int FrontEndFilter = 11900;
inline constexpr int RatedVolumeCarrier = 11881;
inline constexpr int RatedVolumeBrightline = 11882;
inline constexpr int Squelch12k5 = 11854;
inline constexpr int Squelch20k = 11855;
inline constexpr int Squelch25k = 11856;
inline constexpr int Rssi = 11848;
inline constexpr int BatteryThreshold = 11865;
inline constexpr int PaBiasHigh = 11863;
inline constexpr int PaBiasLow = 11864;
inline constexpr int PaBiasRxMode = 11878;
inline constexpr int TransmitDac = 11875;
inline constexpr int KmTuning = 11850;
inline constexpr int RefOscWarp = 11910;
inline constexpr int PaVoltageLimit = 11868;
inline constexpr int ModBalance = 11860;
inline constexpr int TxHighPower = 11847;
inline constexpr int TxLowPower = 11849;
inline constexpr int Vco12k5 = 11871;
inline constexpr int Vco20k = 11872;
inline constexpr int Vco25k = 11873;
inline constexpr int Dtmf = 11874;
inline constexpr int Qdt1200 = 11851;
inline constexpr int Hss = 11867;
inline constexpr int Select5 = 11845;
inline constexpr int Mpt1327 = 11844;
inline constexpr int CommSettings = 11920;
inline constexpr int ProgramSerialNo = 11930;
inline constexpr int BasebandOffset = 11857;
inline constexpr int TempCompRead = 11852;
inline constexpr int TempCompWrite = 11877;
inline constexpr int WindowCascade = 24361;
inline constexpr int WindowTile = 24362;
inline constexpr int WindowArrange = 24364;
inline constexpr int WindowCloseAll = 24365;
inline constexpr int SubWindowCascade = 18877;
inline constexpr int SubWindowTile = 18878;
inline constexpr int SubWindowArrange = 18879;
inline constexpr int SubWindowCloseAll = 18880;
inline constexpr int HelpIndex = 2001;
inline constexpr int PortableSetup = 11876;
inline constexpr int MobileSetup = 11869;
inline constexpr int RadioInfo = 11859;
inline constexpr int UsingHelp = 2002;
inline constexpr int About = 2009;
inline constexpr int LinkMonitor = 2012;  ///< the decoded line (not in the original menus)

inline constexpr int CompareArchive = 11940;  ///< an archive against the current record
inline constexpr int CompareRadio = 11941;    ///< the radio, read now, against the current record
// Group enablers: the pull-right menus they govern.
inline constexpr int GroupTransmitPower = 11846;
inline constexpr int GroupPaBias = 11862;
inline constexpr int GroupVco = 11870;
inline constexpr int GroupSquelch = 11853;
inline constexpr int GroupRatedVolume = 11880;
}  // namespace cmd

/// What the enablers look at: the MDI client's flags, the open-screen code and the radio record.
struct ShellState {
    const radioStorage* record = nullptr;
    bool radioRead = false;
    bool archiveLoaded = false;
    bool tuningAllowed = true;
    int openScreenCode = 0;

    bool dataPresent() const { return radioRead || archiveLoaded; }
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

/// Enablers of the screen commands, named after their procedures; the procedure catalogue holds them.
namespace enablers {
bool frontEndFilter(const ShellState& s);
bool ratedVolumeCarrier(const ShellState& s);
bool ratedVolumeBrightline(const ShellState& s);
bool squelch12k5(const ShellState& s);
bool squelch20k(const ShellState& s);
bool squelch25k(const ShellState& s);
bool rssi(const ShellState& s);
bool batteryThreshold(const ShellState& s);
bool paBiasHigh(const ShellState& s);
bool paBiasLow(const ShellState& s);
bool paBiasRxMode(const ShellState& s);
bool transmitDac(const ShellState& s);
bool kmTuning(const ShellState& s);
bool refOscWarp(const ShellState& s);
bool paVoltageLimit(const ShellState& s);
bool modBalance(const ShellState& s);
bool portablePower(const ShellState& s);
bool txHighPower(const ShellState& s);
bool txLowPower(const ShellState& s);
bool vco12k5(const ShellState& s);
bool vco20k(const ShellState& s);
bool vco25k(const ShellState& s);
bool dtmf(const ShellState& s);
bool qdt1200(const ShellState& s);
bool hss(const ShellState& s);
bool select5(const ShellState& s);
bool mpt1327(const ShellState& s);
bool basebandOffset(const ShellState& s);
bool radioRead(const ShellState& s);
}  // namespace enablers

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
