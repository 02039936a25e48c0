// Named rows, columns, flag indices and markers of the radio record's value table and support flags.
#pragma once

#include <cstdint>

namespace vantrel {

/// Sizes and markers of the radio record as a whole.
namespace record {
inline constexpr int kRows = 22;       ///< rows of `values`, 0..21
inline constexpr int kColumns = 22;    ///< columns of `values`, 0..21
inline constexpr int kPointCount = 7;  ///< frequency points F1..F7 per side
inline constexpr std::int32_t kAbsentMarker =
    4095;  ///< first archive value of a procedure whose flag is clear
inline constexpr std::uint8_t kCompleteReadVersion = 35;  ///< data version after a complete read
inline constexpr std::uint8_t kMinAcceptedVersion =
    33;                                        ///< lowest stored data version an archive load accepts
inline constexpr int kModelNoLength = 16;      ///< characters of the model number text
inline constexpr int kModelCodeLength = 10;    ///< characters of the model code inside it
inline constexpr int kUuidLength = 16;         ///< bytes of the radio identifier
inline constexpr int kSerialNoLength = 10;     ///< characters of the serial number
inline constexpr int kIcVersionLength = 4;     ///< bytes of the main IC version
inline constexpr int kBboNameLength = 30;      ///< name field of one baseband offset row
inline constexpr int kBboFixedNameWidth = 25;  ///< fixed row names are blank-padded to this width
inline constexpr int kBboRadioRowCount = 9;    ///< rows when the radio holds its own offsets
}  // namespace record

/// The tuning procedure (values[0][8]): which procedures a radio is aligned with. Any other value
/// blocks tuning.
namespace procedureSet {
inline constexpr std::int32_t Portable = 1;
inline constexpr std::int32_t Mobile = 2;
/// Whether `value` names procedures that allow tuning.
constexpr bool allowsTuning(std::int64_t value) {
    return value == Portable || value == Mobile;
}
}  // namespace procedureSet

/// Rows of `values`. Row 9 is not used.
namespace row {
inline constexpr int Frequency = 0;          ///< points, base, procedure, temp comp, option byte
inline constexpr int TxDacMarker = 1;        ///< column 0: 1 once the Transmit DAC screen was set up
inline constexpr int RefOscWarp = 2;         ///< column 0
inline constexpr int TxPower = 3;            ///< high power 0-6, low power 7-13
inline constexpr int ModAttenuation = 4;     ///< three sets of seven
inline constexpr int VcoAttenuation = 5;     ///< three sets of seven
inline constexpr int DtmfDeviation = 6;      ///< column 0
inline constexpr int Qdt1200Deviation = 7;   ///< column 0
inline constexpr int PaBias = 8;             ///< columns 0-5, see col::PaBias*
inline constexpr int FrontEndFilter = 10;    ///< F1..F7
inline constexpr int AutoSquelch = 11;       ///< three sets of seven
inline constexpr int RatedVolume = 12;       ///< columns 0 and 1
inline constexpr int BasebandOffset = 13;    ///< columns 0-14: offset bytes read from the radio
inline constexpr int Select5Deviation = 14;  ///< column 0
inline constexpr int Mpt1327Deviation = 15;  ///< column 0
inline constexpr int Rssi = 16;              ///< columns 0-5 RSSI bytes, 6 front end calibration DAC
inline constexpr int MobilePower = 17;       ///< K and M pairs 0-13, low-band DAC 14-15, low-band flag 16
inline constexpr int Parameters = 18;        ///< parameter byte 0, battery threshold 1
inline constexpr int HssDeviation = 19;      ///< column 0
inline constexpr int PaVoltageLimit = 20;    ///< F1..F7
inline constexpr int TxPowerThird = 21;      ///< F1..F7
}  // namespace row

/// Columns of `values`, grouped by the rows they belong to.
namespace col {
// Row 0 (row::Frequency).
inline constexpr int TxPointFirst = 0;     ///< transmit F1; F7 is column 6
inline constexpr int FrequencyBase = 7;    ///< base of the radio, kHz = base * 25 + channel * 5
inline constexpr int TuningProcedure = 8;  ///< procedureSet::Portable or procedureSet::Mobile
inline constexpr int TempCompFirst = 9;    ///< four temp comp bytes in columns 9..12
inline constexpr int TempCompLast = 12;
inline constexpr int TempCompCount = 4;
inline constexpr int OptionByte = 13;    ///< bits 0,1,2: 12.5, 20, 25 kHz spacing supported
inline constexpr int RxPointFirst = 14;  ///< receive F1; F7 is column 20

// Any row holding one value.
inline constexpr int Single = 0;

// Rows holding up to three sets of seven points (F1 of each set).
inline constexpr int SetFirst = 0;            ///< set of columns 0-6
inline constexpr int SetSecond = 7;           ///< set of columns 7-13
inline constexpr int SetThird = 14;           ///< set of columns 14-20
inline constexpr int TxPowerHigh = SetFirst;  ///< row::TxPower high power F1
inline constexpr int TxPowerLow = SetSecond;  ///< row::TxPower low power F1
inline constexpr int Spacing12k5 = SetFirst;  ///< auto squelch / VCO attenuation 12.5 kHz set
inline constexpr int Spacing20k = SetSecond;  ///< 20 kHz set
inline constexpr int Spacing25k = SetThird;   ///< 25 kHz set

// Row 1 (row::TxDacMarker).
inline constexpr int TxDacMarker = 0;

// Row 8 (row::PaBias): high and low power value of each of the three bias softpots.
inline constexpr int PaBiasFirstHigh = 0;   ///< flag 8
inline constexpr int PaBiasFirstLow = 1;    ///< flag 9
inline constexpr int PaBiasSecondHigh = 2;  ///< flag 17
inline constexpr int PaBiasSecondLow = 3;
inline constexpr int PaBiasThirdHigh = 4;  ///< flag 18
inline constexpr int PaBiasThirdLow = 5;

// Row 12 (row::RatedVolume).
inline constexpr int RatedVolume = 0;
inline constexpr int RatedVolumeBrightline = 1;

// Row 13 (row::BasebandOffset): column = spacing * 5 + item position.
inline constexpr int BasebandOffsetFirst = 0;
inline constexpr int BasebandOffsetCount = 15;
inline constexpr int BasebandItemsPerSpacing = 5;

// Row 16 (row::Rssi).
inline constexpr int RssiFirst = 0;        ///< three bytes of the RSSI request
inline constexpr int RssiCalDacFirst = 3;  ///< three bytes of the RSSI calibration DAC request
inline constexpr int RssiCount = 6;
inline constexpr int FrontEndCalDac = 6;  ///< calibration DAC byte of the front end filter set

// Row 17 (row::MobilePower): K of point n in column 2(n-1), M in 2(n-1)+1.
inline constexpr int KmFirst = 0;
inline constexpr int KmCount = 14;
inline constexpr int LowBandTxDacFirst = 14;
inline constexpr int LowBandTxDacSecond = 15;
inline constexpr int LowBandFlag = 16;  ///< 1 when a transmit point lies in 29.7..50 MHz

// Row 18 (row::Parameters).
inline constexpr int ParameterByte = 0;
inline constexpr int BatteryThreshold = 1;
}  // namespace col

/// Indices of the record's `supported` flags, 2..28.
namespace flag {
inline constexpr int First = 2;
inline constexpr int Last = 28;
inline constexpr int RefOscWarp = 2;
inline constexpr int TxPower = 3;  ///< transmit high and low power
inline constexpr int ModAttenuation = 4;
inline constexpr int VcoAttenuation = 5;
inline constexpr int DtmfDeviation = 6;
inline constexpr int Qdt1200Deviation = 7;
inline constexpr int PaBiasFirstHigh = 8;  ///< first bias softpot at high power
inline constexpr int PaBiasFirstLow = 9;   ///< first bias softpot at low power
inline constexpr int FrontEndFilter = 10;
inline constexpr int AutoSquelch = 11;
inline constexpr int RatedVolume = 12;
inline constexpr int Select5Deviation = 13;
inline constexpr int Mpt1327Deviation = 14;
inline constexpr int Rssi = 15;
inline constexpr int MobileTxPower = 16;  ///< K and M power tuning of mobiles
inline constexpr int PaBiasSecond = 17;
inline constexpr int PaBiasThird = 18;
inline constexpr int BatteryThreshold = 19;
inline constexpr int MultiValueRead = 20;   ///< radio answers all seven points in one read
inline constexpr int MultiValueWrite = 21;  ///< radio accepts all seven points in one write
inline constexpr int HssDeviation = 22;
inline constexpr int Unused23 = 23;
inline constexpr int Unused24 = 24;
inline constexpr int PaVoltageLimit = 25;
inline constexpr int TxPowerThird = 26;           ///< third power softpot
inline constexpr int SinglePointPowerWrite = 27;  ///< radio accepts single-point transmit power writes
inline constexpr int PaVoltageBias = 28;          ///< PA voltage softpot as the PA bias procedures use it
inline constexpr int Count = Last - First + 1;
}  // namespace flag

}  // namespace vantrel
