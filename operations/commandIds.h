// The application's command numbers: menu commands, toolbar and help contexts. The core names the
// tuning procedures by them too.
#pragma once

namespace vantrel {

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

inline constexpr int CompareArchive = 11940;   ///< an archive against the current record
inline constexpr int CompareRadio = 11941;     ///< the radio, read now, against the current record
inline constexpr int ServiceHistory = 11942;   ///< a radio's service history (not in the original menus)
inline constexpr int HistorySettings = 11943;  ///< where the service history is kept
/// Options menu, beside "Communication Settings": the bench instruments (not in the original menus).
inline constexpr int BenchInstruments = 11921;
inline constexpr int AlignRadio = 11944;  ///< the whole radio aligned against the bench
// Group enablers: the pull-right menus they govern.
inline constexpr int GroupTransmitPower = 11846;
inline constexpr int GroupPaBias = 11862;
inline constexpr int GroupVco = 11870;
inline constexpr int GroupSquelch = 11853;
inline constexpr int GroupRatedVolume = 11880;
}  // namespace cmd

}  // namespace vantrel
