// K and M of mobile transmitters.
#include "radio/kmPowerModel.h"

#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

constexpr size_t kReadingLength = 19;

/// Truncates toward zero after narrowing to single precision, as the radio's coefficients are computed;
/// none when the value cannot be a byte.
std::optional<int> coefficientByte(double value) {
    const auto narrow = static_cast<float>(value);
    if (!std::isfinite(narrow))
        return std::nullopt;
    const float whole = std::trunc(narrow);
    if (whole < 0.0f || whole > static_cast<float>(kmPowerModel::kMaximum))
        return std::nullopt;
    return static_cast<int>(whole);
}

}  // namespace

kmPowerModel kmPowerModel::forRadio(bool highMobile) {
    return {highMobile, highMobile ? kHighMobileKScale : kKScale, kMScale};
}

double kmPowerModel::power(int k, int m, int level) const {
    const double slope = m / static_cast<double>(mScale);
    const double x = highMobile ? k / kScale - slope * level : slope * level + (k - kKOffset) / kScale;
    return x * x;
}

double kmPowerModel::secondPower(int k, int m, int level1, int level2) const {
    const double step = m / static_cast<double>(mScale) * (static_cast<double>(level1) - level2);
    const double first = std::sqrt(power(k, m, level1));
    const double y = highMobile ? first + step : first - step;
    return y * y;
}

std::optional<kmPair> kmPowerModel::fromReadings(double p1, double p2, int level1, int level2) const {
    const std::int64_t span = static_cast<std::int64_t>(level1) - level2;
    if (span == 0 || !std::isfinite(p1) || !std::isfinite(p2) || p1 < 0.0 || p2 < 0.0)
        return std::nullopt;
    double slope = (std::sqrt(p1) - std::sqrt(p2)) / static_cast<double>(span);
    if (highMobile)
        slope = -slope;
    const double m = mScale * slope + 0.5;
    const double k = highMobile ? kScale * (std::sqrt(p1) + slope * level1) + 0.5
                                : (std::sqrt(p1) - slope * level1) * kScale + kKOffset;
    const std::optional<int> mByte = coefficientByte(m);
    const std::optional<int> kByte = coefficientByte(k);
    if (!mByte || !kByte)
        return std::nullopt;
    return kmPair{*kByte, *mByte};
}

double parsePowerReading(std::string_view text) {
    text = text.substr(0, kReadingLength);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return HUGE_VAL;
    return error == std::errc() ? value : 0.0;
}

}  // namespace vantrel
