// The command table and its enablers: small named predicates over the shell's state.
#include "app/CommandTable.h"

#include <array>

#include "app/ProcedureCatalogue.h"
#include "app/ScreenFactory.h"
#include "app/TAlignWindow.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelMDIClient.h"
#include "operations/procedureAvailability.h"

namespace vantrel {

namespace {

// --- Enablers ---------------------------------------------------------------------------------------
bool never(const ShellState&) {
    return false;
}
bool noScreenOpen(const ShellState& s) {
    return s.openScreenCode == 0;
}
bool dataPresent(const ShellState& s) {
    return s.dataPresent();
}
/// Reading the radio for a comparison needs the port, which an open screen holds.
bool dataPresentNoScreenOpen(const ShellState& s) {
    return s.dataPresent() && noScreenOpen(s);
}
/// The alignment needs a radio read, and the port, which an open screen holds.
bool radioReadNoScreenOpen(const ShellState& s) {
    return s.radioRead && noScreenOpen(s);
}
/// Program All would write the values an alignment in progress is changing.
bool dataPresentNotAligning(const ShellState& s) {
    return s.dataPresent() && s.openScreenCode != screenCode::AlignRadio;
}

/// A condition of the core over the data state, as a menu enabler: the core decides, as it does for scripts.
template <bool (*Condition)(const procedureState&)>
bool core(const ShellState& s) {
    return Condition(s);
}

// Menu names (the keys that tie commands to their menus).
constexpr const char* File = "&File";
constexpr const char* Rx = "&Rx Align";
constexpr const char* Tx = "&Tx Align";
constexpr const char* Options = "&Options";
constexpr const char* Utilities = "&Utilities";
constexpr const char* Window = "&Window";
constexpr const char* Help = "&Help";
constexpr const char* RatedVolume = "&Rated Volume";
constexpr const char* Squelch = "&Squelch Attn. ";
constexpr const char* PaBias = "&PA Bias ";
constexpr const char* TransmitPower = "&Transmit Power";
constexpr const char* Vco = "&VCO Attn.";
constexpr const char* SubWindow = "&Window";

using C = TVantrelMDIClient;
using A = TVantrelApp;
constexpr ClientHandler screen = &C::cmOpenScreen;

const CommandSpec kCommands[] = {
    {cmd::LoadArchive, File, nullptr, "&Load Archive File", "Loads softpot archive files", noScreenOpen,
     &C::cmLoadArchive},
    {cmd::SaveArchive, File, nullptr, "&Save Archive File", "Saves softpot archive files.", dataPresent,
     &C::cmSaveArchive},
    {cmd::ReadRadio, File, nullptr, "Read Radio &Information and Softpots",
     "Reads all radio particulars into memory", noScreenOpen, &C::cmReadRadio, nullptr, nullptr, true},
    {cmd::ProgramAll, File, nullptr, "Program &All", "Program all currently stored data into radio",
     dataPresentNotAligning, &C::cmProgramAll},
    {cmd::CompareArchive, File, nullptr, "&Compare with Archive...",
     "Shows the values of an archive file that differ from the current data", dataPresent,
     &C::cmCompareArchive, nullptr, nullptr, true},
    {cmd::CompareRadio, File, nullptr, "Compare with Ra&dio...",
     "Reads the radio and shows the values that differ from the current data", dataPresentNoScreenOpen,
     &C::cmCompareRadio},
    {cmd::AlignRadio, File, nullptr, "Ali&gn Radio...",
     "Aligns every procedure the bench can measure and reports before and after", radioReadNoScreenOpen,
     &C::cmAlignRadio},
    {cmd::ServiceHistory, File, nullptr, "Service &History...",
     "Shows every read, program and tuning of a radio, by serial number", nullptr, &C::cmServiceHistory},
    {cmd::PrinterSetup, File, nullptr, "&Printer Setup", "Sets print characteristics for the active document",
     dataPresent, &C::cmPrinterSetup, nullptr, nullptr, true},
    {cmd::PrintPreview, File, nullptr, "P&rint/Printout Preview",
     "Print most recently loaded archive file/read radio.", dataPresent, &C::cmPrintPreview},
    {cmd::Exit, File, nullptr, "E&xit", "Quits the Tuner for Feldaris Radio application", nullptr, nullptr,
     &A::cmExit, "Alt+F4", true},

    {cmd::FrontEndFilter, Rx, nullptr, "&Front End Filter", "Perform Front End Filter tuning", nullptr,
     screen},
    {cmd::RatedVolumeCarrier, Rx, RatedVolume, "&Carrier Squelch",
     "Perform Rated Volume on Carrier Squelch environment.", nullptr, screen},
    {cmd::RatedVolumeBrightline, Rx, RatedVolume, "&Brightline",
     "Perform Rated Volume on Brightline environment.", nullptr, screen},
    {cmd::Squelch12k5, Rx, Squelch, "&Squelch Attn.12.5KHz",
     "Perform Squelch tuning for 12.5KHz Channel Spacing", nullptr, screen},
    {cmd::Squelch20k, Rx, Squelch, "S&quelch Attn. 20KHz", "Perform Squelch tuning for 20KHz Channel Spacing",
     nullptr, screen},
    {cmd::Squelch25k, Rx, Squelch, "Sq&uelch Attn 25KHz", "Perform Squelch tuning for 25 KHz Channel Spacing",
     nullptr, screen},
    {cmd::Rssi, Rx, nullptr, "RSS&I ", "Perform RSSI tuning for MPT Feldaris radios", nullptr, screen},

    {cmd::BatteryThreshold, Tx, nullptr, "Batt&ery Threshold", "Battery Threshold tuning for Mobile radios.",
     nullptr, screen},
    {cmd::PaBiasHigh, Tx, PaBias, "&High Power", "Perform PA Bias High Voltage tuning", nullptr,
     &C::cmPaBiasHigh},
    {cmd::PaBiasLow, Tx, PaBias, "&Low Power", "Perform PA Bias Low Voltage tuning", nullptr,
     &C::cmPaBiasLow},
    {cmd::PaBiasRxMode, Tx, PaBias, "&Rx Mode", "Perform PA Bias High/Low power voltage tuning in Rx Mode",
     nullptr, screen},
    {cmd::TransmitDac, Tx, nullptr, "&DAC", nullptr, nullptr, screen},
    {cmd::KmTuning, Tx, nullptr, "&K and M Tuning", "K & M tuning method for mobile radios.", nullptr,
     screen},
    {cmd::RefOscWarp, Tx, nullptr, "&Reference Oscillator Warp", "Perform Reference Oscillator Warping",
     nullptr, screen},
    {cmd::PaVoltageLimit, Tx, nullptr, "P&A Voltage Limit", "PA Voltage Limit Auto Tuning", nullptr, screen},
    {cmd::ModBalance, Tx, nullptr, "Mod. &Balance Attn.", "Perform Modulation Balance Attenuation tuning",
     nullptr, screen},
    {cmd::TxHighPower, Tx, TransmitPower, "&High ", "Perform Transmit High Power tuning", nullptr, screen},
    {cmd::TxLowPower, Tx, TransmitPower, "&Low", "Perform Transmit Low Power tuning", nullptr, screen},
    {cmd::Vco12k5, Tx, Vco, "&VCO Attn. 12.5KHz",
     "Perform VCO Attenuation tuning for 12.5KHz Channel Spacing", nullptr, screen},
    {cmd::Vco20k, Tx, Vco, "VCO &Attn. 20KHz", "Perform VCO Attenuation tuning for 20KHz Channel Spacing",
     nullptr, screen},
    {cmd::Vco25k, Tx, Vco, "VCO Att&n. 25KHz", "Perform VCO Attenuation tuning for 25KHz Channel Spacing",
     nullptr, screen},
    {cmd::Dtmf, Tx, nullptr, "&DTMF Deviation", "Perform tuning for DTMF deviation", nullptr, screen},
    {cmd::Qdt1200, Tx, nullptr, "&QDT1200 Signalling", "Perform tuning for QDT1200 Signalling deviation",
     nullptr, screen},
    {cmd::Hss, Tx, nullptr, "&High Speed Trunking Signalling",
     "Perform High Speed Deviation tuning Tessaline Feldaris radios", nullptr, screen},
    {cmd::Select5, Tx, nullptr, "&Select 5 Signalling",
     "Perform Select 5 Deviation tuning for MPT Feldaris radios", nullptr, screen},
    {cmd::Mpt1327, Tx, nullptr, "MPT1327 Si&gnalling ",
     "Perform MPT 1327 Signalling Deviation tuning for MPT Feldaris radios", nullptr, screen},

    {cmd::CommSettings, Options, nullptr, "&Communication Settings", "Select COM port", nullptr,
     &C::cmCommSettings},
    {cmd::BenchInstruments, Options, nullptr, "&Bench Instruments...",
     "Choose and test the bench instruments", nullptr, &C::cmBenchInstruments},
    {cmd::HistorySettings, Options, nullptr, "Service &History Settings...",
     "Where the service history is kept and who the operator is", nullptr, &C::cmHistorySettings},

    {cmd::ProgramSerialNo, Utilities, nullptr, "&Program Serial No.",
     "Program Serial No. for radios which have blank serial no.", nullptr, &C::cmProgramSerialNo},
    {cmd::BasebandOffset, Utilities, nullptr, "&Baseband Offset Update",
     "Change radio baseband offset setting", nullptr, &C::cmBasebandOffset},
    {cmd::TempCompRead, Utilities, nullptr, "Temp Comp Data Rea&d", "Read radio Temp Comp data", nullptr,
     &C::cmTempComp},
    {cmd::TempCompWrite, Utilities, nullptr, "Temp Comp Data Wr&ite", nullptr, nullptr, &C::cmTempComp},

    {cmd::WindowCascade, Window, nullptr, "&Cascade", "Cascades open windows", never},
    {cmd::WindowTile, Window, nullptr, "&Tile", "Tiles open windows", never},
    {cmd::WindowArrange, Window, nullptr, "Arrange &Icons", "Arranges iconic windows along bottom", never},
    {cmd::WindowCloseAll, Window, nullptr, "C&lose All", "Closes all open windows", never},
    {cmd::SubWindowCascade, Window, SubWindow, "&Cascade", nullptr, never},
    {cmd::SubWindowTile, Window, SubWindow, "&Tile", nullptr, never},
    {cmd::SubWindowArrange, Window, SubWindow, "Arrange &Icons", nullptr, never},
    {cmd::SubWindowCloseAll, Window, SubWindow, "C&lose All", nullptr, never},

    {cmd::HelpIndex, Help, nullptr, "&Index", "Help Index table of contents", nullptr, nullptr,
     &A::cmHelpIndex},
    {cmd::PortableSetup, Help, nullptr, "&Portable Radio Setup   ", nullptr, nullptr, &C::cmSetupPicture,
     nullptr, nullptr, true},
    {cmd::MobileSetup, Help, nullptr, "&Mobile Radio Setup", nullptr, nullptr, &C::cmSetupPicture},
    {cmd::RadioInfo, Help, nullptr, "&Radio Hardware Information",
     "Option which displays currently connected radio information", nullptr, &C::cmRadioInfo},
    {cmd::UsingHelp, Help, nullptr, "&Using help", "Help on using online Help", nullptr, nullptr,
     &A::cmUsingHelp, nullptr, true},
    {cmd::LinkMonitor, Help, nullptr, "&Link Monitor", "Shows every frame exchanged with the radio, decoded",
     nullptr, nullptr, &A::cmLinkMonitor, nullptr, true},
    {cmd::About, Help, nullptr, "&About...", "About the Tuner for Feldaris Radio application", nullptr,
     nullptr, &A::cmAbout},

    // Without a menu item: prints the active child's text window directly.
    {cmd::PrintActive, nullptr, nullptr, "Print", nullptr, dataPresent, &C::cmPrintActive},
};

const MenuSpec kMenus[] = {
    {File, nullptr, File, "Perform file/radio related operations", 0, nullptr},
    {Rx, nullptr, Rx, "Perform receive tuning operations", 0, nullptr},
    {Rx, RatedVolume, RatedVolume, nullptr, cmd::GroupRatedVolume, core<availability::groupRatedVolume>},
    {Rx, Squelch, Squelch, nullptr, cmd::GroupSquelch, core<availability::groupSquelch>},
    {Tx, nullptr, Tx, "Perform transmit tuning operations", 0, nullptr},
    {Tx, PaBias, PaBias, nullptr, cmd::GroupPaBias, core<availability::groupPaBias>},
    {Tx, TransmitPower, TransmitPower, nullptr, cmd::GroupTransmitPower,
     core<availability::groupTransmitPower>},
    {Tx, Vco, Vco, nullptr, cmd::GroupVco, core<availability::groupVco>},
    {Options, nullptr, Options, "Edit current communication settings", 0, nullptr},
    {Utilities, nullptr, Utilities, "Perform utility oriented functions for the radio", 0, nullptr},
    {Window, nullptr, Window, "Window arrangement and selection", 0, nullptr},
    {Window, SubWindow, SubWindow, nullptr, 0, never},
    {Help, nullptr, Help, "Access online help", 0, nullptr},
};

const ToolSpec kTools[] = {
    {cmd::LoadArchive, 24332, "Load Archive File"},
    {cmd::SaveArchive, 24333, "Save Archive File"},
    {cmd::ReadRadio, 5, "Read Radio"},
    {cmd::ProgramAll, 7, "Program All"},
    {0, 0, nullptr},
    {0, 0, nullptr},
    {cmd::PrintPreview, 24337, "Print Preview"},
    {0, 0, nullptr},
    {cmd::CommSettings, 8, "Communication Settings"},
    {0, 0, nullptr},
    {cmd::HelpIndex, 2001, "Help Index"},
};

}  // namespace

std::span<const CommandSpec> commandTable() {
    return kCommands;
}
std::span<const MenuSpec> menuTable() {
    return kMenus;
}
std::span<const ToolSpec> toolTable() {
    return kTools;
}

const CommandSpec* findCommand(int id) {
    for (const CommandSpec& c : kCommands) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

bool isCommandEnabled(int id, const ShellState& state) {
    if (const CommandSpec* c = findCommand(id)) {
        if (!c->hasHandler())
            return false;
        // An item of a pull-right needs its group's enabler too.
        if (c->submenu) {
            for (const MenuSpec& m : kMenus) {
                if (m.menu == c->menu && m.submenu == c->submenu && m.groupId != 0 && !m.enabler(state))
                    return false;
            }
        }
        // A screen command follows its catalogue row; a screen not built yet keeps it greyed.
        if (const ProcedureEntry* p = findProcedure(id))
            return screenFactory().provides(id) && (!p->available || p->available(state));
        return !c->enabler || c->enabler(state);
    }
    for (const MenuSpec& m : kMenus) {
        if (m.groupId == id && id != 0)
            return m.enabler(state);
    }
    return false;
}

}  // namespace vantrel
