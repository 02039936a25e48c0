// K and M of mobile transmitters: the power each pair describes and the pair two power readings give.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel {

/// The coefficients of one transmit point: K in the high byte of the softpot value, M in the low byte.
struct kmPair {
    int k = 0;  ///< 0..255
    int m = 0;  ///< 0..255
    std::uint16_t softpotValue() const { return static_cast<std::uint16_t>((k << 8) | m); }
};

/// A mobile's power model: at power level L a point with coefficients K and M transmits P(L) = x² watts,
/// where on a high series mobile x = K / kScale − (M / mScale) · L, and on other mobiles
/// x = (M / mScale) · L + (K − 128) / kScale (K stored offset by 128).
struct kmPowerModel {
    static constexpr unsigned kMScale = 2500;
    static constexpr double kHighMobileKScale = 6.25;
    static constexpr double kKScale = 25.0;
    static constexpr int kKOffset = 128;
    static constexpr int kMaximum = 255;  ///< K and M are one byte each

    bool highMobile = false;
    double kScale = kKScale;
    unsigned mScale = kMScale;

    /// The model of a high series mobile (K scale 6.25) or of any other mobile (25).
    static kmPowerModel forRadio(bool highMobile);

    /// Power in watts at `level` of a point with coefficients `k` and `m`.
    double power(int k, int m, int level) const;
    /// The power expected at `level2` from the amplitude at `level1`, as the second reading is shown.
    double secondPower(int k, int m, int level1, int level2) const;
    /// K and M from the reading `p1` watts at `level1` and `p2` watts at `level2`. None when they cannot
    /// be held by the radio: equal levels, a negative or non-finite reading, or K or M outside 0..255 after
    /// truncation toward zero.
    std::optional<kmPair> fromReadings(double p1, double p2, int level1, int level2) const;
};

/// A power reading as typed: the leading decimal real number of at most the first 19 characters, after
/// leading blanks; 0 when there is none (an empty box). "inf" and "nan" read as such, so that the caller
/// refuses them. Independent of the process locale.
double parsePowerReading(std::string_view text);

}  // namespace vantrel
