// A simulated radio's description: identity, tuning block, softpots, codeplug, offsets, timing and faults.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/SimCodeplug.h"
#include "sim/SimFaults.h"

namespace vantrel {

/// A profile that cannot be found or read. The message names the profile and the faulty field.
class SimProfileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Which point a per-point softpot follows: the transmit or the receive channel of the channel pair.
enum class SimSide { Tx, Rx };

/// How the radio picks one of a softpot's value sets from the current test mode.
enum class SimSetRule {
    None,        ///< one set
    Power,       ///< second test-mode byte: 0 high power (set 0), 2 low power (set 1)
    Spacing,     ///< third test-mode byte 0..2: 12.5, 20, 25 kHz (or the selector) (sets 0..2)
    VolumeMode,  ///< first test-mode byte 18: Brightline (set 1), otherwise set 0
};

/// One softpot of the radio: its shape and the programmed values held in the radio's memory.
struct SimSoftpotSpec {
    int number = 0;
    int width = 1;          ///< bytes of one value in replies
    bool perPoint = false;  ///< one value per frequency point F1..F7
    SimSide side = SimSide::Tx;
    SimSetRule rule = SimSetRule::None;
    bool supported = true;
    std::vector<std::vector<int64_t>> values;  ///< [set][point], one column for single softpots
    std::vector<int64_t> autoTune;             ///< per point: the value auto-tune settles on; 0 = fails
};

/// Timing of the radio's answers, in milliseconds after the last byte of a request.
struct SimTiming {
    uint32_t echoDelayMs = 1;     ///< each byte is echoed this long after it arrived, 1 ms apart at least
    uint32_t ackDelayMs = 2;      ///< after the last echo byte
    uint32_t replyDelayMs = 1;    ///< data reply after the acknowledge
    uint32_t replyPerByteMs = 1;  ///< spacing of the data reply's bytes
    uint32_t frameGapMs = 50;     ///< an incomplete request idle this long is dropped
};

/// One block of the baseband offset configuration file that matches this radio.
struct SimBboConfigRow {
    std::string name;  ///< up to 25 characters
    uint8_t position = 0;
    uint8_t mask = 0x0F;
};
struct SimBboConfigBlock {
    uint32_t word = 0;
    std::string modelKey;  ///< three characters
    char modelChar = ' ';
    uint32_t versionAddress = 2;
    uint32_t lowVersion = 0;
    uint32_t highVersion = 255;
    uint32_t tableAddress = 0;
    std::vector<SimBboConfigRow> rows;
};

/// How the transmitter's output follows its power softpot while keyed: watts = rated × gain of the keyed
/// point × curve(softpot value). The curve maps softpot values to fractions of the rated power and is
/// interpolated linearly between its points; below its first and above its last point it holds the end
/// value. The gain stands for the power amplifier's frequency response, 1.0 where it is flat.
struct SimPowerModel {
    int softpot = 0;          ///< the per-point softpot that drives the output (0 or 28)
    double ratedWatts = 5.0;  ///< nominal output, the power the radio is aligned to
    std::array<double, 7> gain{1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
    /// (softpot value, fraction of rated power): values strictly rising, fractions never falling.
    std::vector<std::pair<int64_t, double>> curve;

    /// The curve at a softpot value (0 for an empty curve).
    double fraction(int64_t value) const;
    /// Output in watts at a softpot value on point 0..6; 0 for any other point.
    double watts(int64_t value, int point) const;
};

/// A curve through (softpot value, quantity) points, linear between them and held beyond its ends.
struct SimCurve {
    std::vector<std::pair<int64_t, double>> points;
    double at(int64_t value) const;
};

/// What the transmitter's modulation is in one test mode: the softpot that sets its deviation, the
/// curve from that softpot to peak deviation in Hz, and the tone it modulates with.
struct SimDeviationModel {
    int mode = 0;  ///< first test-mode byte
    int softpot = 0;
    double toneHz = 1000;
    SimCurve curve;
};

/// How the bench instruments see the radio. Every default profile gets one whose stored values are off
/// the targets, so that alignment has work to do.
struct SimBenchModel {
    /// Carrier = the keyed transmit channel's frequency + (warp value - exactWarp) x hzPerWarpStep.
    int64_t exactWarp = 240;
    double hzPerWarpStep = 4.0;
    /// Deviation per test mode; several entries of one mode are told apart by the softpot last set live.
    std::vector<SimDeviationModel> deviation;
    double idleAmps = 0.12;            ///< receive current
    double ampsPerWatt = 0.32;         ///< keyed current per watt of output, outside PA bias test mode
    std::map<int, SimCurve> biasAmps;  ///< PA bias softpot to amps drawn in PA bias test mode
    /// The radio's supply measurement = round(volts x measurePerVolt + measureOffset).
    double measurePerVolt = 10.0;
    double measureOffset = 0.0;
    /// Receiver: RSSI = rssiAtMinus120 + (dBm + 120) x rssiPerDb within bandwidthHz of the receive channel.
    double rssiAtMinus120 = 20;
    double rssiPerDb = 2.0;
    double bandwidthHz = 7500;
    /// Squelch auto-tune answer moves this many steps per dB above -110 dBm.
    double squelchPerDb = -0.5;
    /// Front end filter: the RSSI DAC reading falls by this much per step away from each point's peak.
    std::array<int64_t, 7> frontEndPeak{40, 44, 48, 52, 56, 60, 64};
    double frontEndPenalty = 0.6;
};

/// Everything a simulated radio is. Fields a profile file leaves out keep the defaults of defaults().
struct SimProfile {
    std::string name;
    std::string description;

    // Identity.
    std::string modelNo;   ///< 16 characters (blank-padded)
    std::string serialNo;  ///< 10 characters
    std::array<uint8_t, 16> uuid{};
    std::array<uint8_t, 4> icVersion{};
    uint8_t powerUpStatus = 0;

    // Tuning block.
    uint16_t base = 0;
    uint8_t option = 0;
    uint8_t procedure = 1;
    std::array<uint16_t, 7> txPoints{};
    std::array<uint16_t, 7> rxPoints{};
    std::array<uint8_t, 2> txDac{};
    uint8_t parameter = 0;

    // Softpots.
    std::map<int, SimSoftpotSpec> softpots;      ///< by softpot number
    bool tableRead = true;                       ///< answers the seven-value read (function 3)
    bool tableWrite = true;                      ///< accepts the seven-value write (function 4)
    std::set<int> refuseSinglePointWrites;       ///< softpots whose function 1 is refused
    std::optional<std::array<uint8_t, 3>> rssi;  ///< none: the radio has no RSSI softpots
    std::array<uint8_t, 3> rssiCalDac26{};
    std::array<uint8_t, 3> rssiCalDac25{};
    /// RSSI of the signal now on the receiver's input: programming RSSI threshold n (softpot 26, function
    /// 1, value n) takes it as threshold n.
    uint8_t rssiLevel = 100;
    /// Successive first bytes of the softpot 26 calibration DAC read, repeated in turn (the detector does
    /// not settle at once); empty: always the first byte of rssiCalDac26.
    std::vector<uint8_t> calDacReadings;
    uint8_t batteryLevel = 0;  ///< first value of the battery multi-value read
    /// What the radio measures of its supply now (second value of the battery read, and what it stores
    /// as its threshold when told to); none: it measures exactly its stored threshold.
    std::optional<uint8_t> batterySupply;

    // Baseband offsets held by the radio itself: [spacing index 0..2][item in order 5, 0, 2, 10, 8].
    std::optional<std::array<std::array<uint8_t, 5>, 3>> bbo;

    // Codeplug.
    std::vector<uint8_t> codeplug;                        ///< the image, built from the description
    std::vector<SimCodeplugTable> tables;                 ///< tables placed in the image
    std::vector<std::pair<uint32_t, uint32_t>> readOnly;  ///< inclusive address ranges that refuse writes
    std::optional<SimBboConfigBlock> bboConfig;           ///< the configuration block that matches this radio

    SimPowerModel power;
    SimBenchModel bench;

    SimTiming timing;
    std::vector<SimFaultRule> faults;

    /// A portable with every default (tuning procedure 1, seven points, all softpots but 17).
    static SimProfile defaults();
    /// Reads a profile from JSON text; `name` appears in error messages. Throws SimProfileError.
    static SimProfile fromJson(const std::string& text, const std::string& name);
    /// Reads a profile file. Throws SimProfileError.
    static SimProfile load(const std::filesystem::path& file);
    /// A profile by name (searched in the profile directories) or by file path. Throws SimProfileError.
    static SimProfile named(const std::string& nameOrPath);
    /// The same, searching `dirs` in order for NAME.json.
    static SimProfile named(const std::string& nameOrPath, const std::vector<std::filesystem::path>& dirs);
    /// Directories searched for profiles by name, the first holding NAME.json wins: $VANTREL_SIM_PROFILES,
    /// then `profiles` in the program's data-file folders (the settings folder, $XDG_DATA_HOME/vantrel,
    /// each $XDG_DATA_DIRS entry + /vantrel, the program folder), then <prefix>/share/vantrel/profiles of
    /// an installed program, or the source tree's profiles of one run from its build tree.
    static std::vector<std::filesystem::path> searchPath();
    /// The same for a given settings folder and program folder (the executable's). An empty settings
    /// folder leaves it out.
    static std::vector<std::filesystem::path> searchPath(const std::string& settingsFolder,
                                                         const std::string& programFolder);
    /// The settings folder searchPath() uses from now on. The tuner sets its own (where its COM.INI is);
    /// unset, it is the program folder when that holds a COM.INI or the program is not installed, else
    /// $XDG_CONFIG_HOME/vantrel (~/.config/vantrel).
    static void useSettingsFolder(std::string folder);
    /// Names of every profile found on the search path.
    static std::vector<std::string> available();
    static std::vector<std::string> available(const std::vector<std::filesystem::path>& dirs);

    /// The softpot, or nullptr when the radio does not know the number.
    const SimSoftpotSpec* softpot(int number) const;
};

/// The text of a baseband offset configuration file holding these blocks, numbers offset by `key`.
/// Characters are stored scrambled; a lower-case 's' scrambles to a carriage return, so names are
/// best kept in capitals.
std::string writeBboConfig(const std::vector<SimBboConfigBlock>& blocks, int key = 1234);

}  // namespace vantrel
