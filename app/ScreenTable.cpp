// The screen table and the map from open-screen codes to help contexts.
#include "app/ScreenTable.h"

#include "app/CommandTable.h"

namespace vantrel {

namespace {

const ScreenSpec kScreens[] = {
    {cmd::RefOscWarp, "TRefOscWarpWindow", "Reference Oscillator Warp", "Reference Oscillator Warp", 1},
    {cmd::TxHighPower, "TTransmitHighPowerWindow", "Transmit High Power", "Transmit High Power", 2},
    {cmd::TxLowPower, "TTransmitLowPowerWindow", "Transmit Low Power", "Transmit Low Power", 3},
    {cmd::KmTuning, "TMobilePowerTuneHI", "Transmit Power Tuning (Mobile)", "Transmit Power Tuning (Mobile)",
     4},
    {cmd::ModBalance, "TModulationAttnWindow", "Modulation Attenuation", "Mod. Balance Attn.", 5},
    {cmd::Vco12k5, "TVCOAttn125KHzWindow", "VCO Attenuation (12.5KHz)", "VCO Attn. 12.5kHz", 6},
    {cmd::Vco20k, "TVCOAttn20KHzWindow", "VCO Attenuation (20KHz)", "VCO Attn. 20kHz", 7},
    {cmd::Vco25k, "TVCOAttnWindow", "VCO Attenuation", "VCO Attn. 25kHz", 8},
    {cmd::Dtmf, "TDTMFWindow", "DTMF Signalling Deviation", "DTMF Deviation", 9},
    {cmd::Qdt1200, "TQDT1200Window", "QDT1200 Signalling Deviation", "QDT Signalling", 10},
    {cmd::PaBiasHigh, "TPABiasHighVoltageWindow", "PA Bias Voltage 1", "PA Bias Voltage High Power",
     screenCode::PaBiasHigh},
    {cmd::PaBiasLow, "TPABiasLowVoltageWindow", "PA Bias Voltage 1", "PA Bias Voltage Low Power",
     screenCode::PaBiasLow},
    {cmd::PaBiasRxMode, "TPABiasRxModeWindow", "PA Bias Rx Mode", "PA Bias Voltage Rx Mode",
     screenCode::PaBiasHigh},
    {cmd::Select5, "TSelect5Window", "Select 5 Signalling Deviation", "Select 5 Signalling Deviation", 13},
    {cmd::Mpt1327, "TMPT1200Window", "MPT1200 Signalling Deviation", "MPT1327 Signalling Deviation", 14},
    {cmd::FrontEndFilter, "TFrontEndFilterWindow", "Front End Filter", "Front End Filter", 15},
    {cmd::Squelch12k5, "TAutoSquelch125KHzWindow", "Auto Squelch Tuning (12.5KHz)", "Squelch Attn. 12.5KHz",
     16},
    {cmd::Squelch20k, "TAutoSquelch20KHzWindow", "Auto Squelch Tuning (20KHz)", "Squelch Attn. 20KHz", 17},
    {cmd::Squelch25k, "TAutoSquelch25KHzWindow", "Auto Squelch Tuning (25KHz)", "Squelch Attn. 25KHz", 18},
    {cmd::RatedVolumeCarrier, "TRatedVolumeWindow", "Rated Volume Tuning",
     "Rated Volume Tuning (Carrier Squelch environment)", 19},
    {cmd::RatedVolumeBrightline, "TRatedVolumeBrightlineWindow", "Rated Volume Tuning",
     "Rated Volume Tuning (Brightline environment)", 38},
    {cmd::Rssi, "TRSSIWindow", "RSSI Tuning", "RSSI Tuning", 20},
    {cmd::ProgramSerialNo, "TSerialProgramWindow", "Program Serial No", "Program Radio Serial No.",
     screenCode::SerialProgram},
    {cmd::BasebandOffset, "TBasebandUpdateWindow", "Update Baseband Offset", "Update Baseband Offset", 31},
    {cmd::BatteryThreshold, "TBatteryVoltageWindow", "Battery Threshold", "Battery Threshold Tuning", 32},
    {cmd::Hss, "THSSWindow", "High Speed Trunking Signalling Deviation",
     "High Speed Trunking Signalling Deviation", 33},
    {cmd::PaVoltageLimit, "TPAVoltageLimitWindow", "Transmit PA Volatge Limit", "Transmit PA Voltage Limit",
     34},
    {cmd::TransmitDac, "TTransmitDACWindow", "Transmit DAC Tuning (LB Mobile)", "DAC Tuning", 35},
    {cmd::TempCompRead, "TTempCompWindow", "Read Temp Comp", "Read Temp Comp", screenCode::TempCompRead},
    {cmd::TempCompWrite, "TTempCompWindow", "Write Temp Comp", "Write Temp Comp", screenCode::TempCompWrite},
    {cmd::PortableSetup, "tunerSetupWindow", "", "Radio Setup", screenCode::PortableSetup},
    {cmd::MobileSetup, "tunerSetupWindow", "", "Radio Setup", screenCode::MobileSetup},
};

struct HelpEntry {
    int firstCode;
    int lastCode;
    int context;
};

const HelpEntry kHelp[] = {
    {1, 1, 40001},   {2, 3, 40002},   {4, 4, 40013},
    {5, 5, 40003},   {6, 8, 40004},   {9, 9, 40005},
    {10, 10, 40006}, {11, 12, 40008}, {13, 13, 40009},
    {14, 14, 40021}, {15, 15, 40010}, {16, 18, 40011},
    {19, 19, 40012}, {38, 38, 40012}, {20, 20, 40023},
    {30, 31, 40020}, {32, 32, 40014}, {33, 33, 40015},
    {34, 34, 40016}, {35, 35, 40024}, {36, 37, helpContext::PaBiasDefault},
};

}  // namespace

const ScreenSpec* findScreen(int commandId) {
    for (const ScreenSpec& s : kScreens) {
        if (s.commandId == commandId)
            return &s;
    }
    return nullptr;
}

int helpContextForScreen(int code) {
    for (const HelpEntry& h : kHelp) {
        if (code >= h.firstCode && code <= h.lastCode)
            return h.context;
    }
    return helpContext::Index;
}

}  // namespace vantrel
