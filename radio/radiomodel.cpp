// Model predicates over the record's model code, identifier and IC version.
#include "radio/radiomodel.h"

#include <cstring>
#include <string>

namespace vantrel {

namespace {

// Positions inside the 10-character model code.
constexpr int kFormPos = 0;
constexpr int kSeriesPos = 1;
constexpr int kVariantPos = 3;
constexpr int kSecondVariantPos = 4;
constexpr int kFeatureDigitOffset = 6;
constexpr int kBandGroupPos = 7;
constexpr int kBandPos = 8;
constexpr int kLeadInLength = 2;
constexpr std::size_t kSeriesLength = 2;
constexpr std::size_t kNoLowPowerFamilyLength = 4;  // characters 0, 1, 2 and 4
constexpr unsigned char kIcFeMarker = 0xFE;
constexpr int kIcMarkerPos = 1;

// Feature digits and the spacing masks they stand for.
constexpr char kFeatureOnly12k5 = '4';
constexpr char kFeature20And25 = '6';
constexpr std::int32_t kMask12k5 = 0x1;
constexpr std::int32_t kMask20And25 = 0x6;
constexpr std::int32_t kMaskAll = 0x7;

constexpr char kAnyVariant = 0;

const ModelTable& table() {
    return activeModelTable();
}

const char* code(const radioStorage& r) {
    return r.getModelNo();
}

// `text` (NUL-terminated, at most 16 characters) holds form, series and, unless kAnyVariant, the variant
// at character 3 of a code starting at `start`.
bool familyAt(const char* text, int start, char form, const std::string& series, char variant) {
    if (series.size() != kSeriesLength)
        return false;
    const char* c = text + start;
    return c[kFormPos] == form && c[kSeriesPos] == series[0] && c[kSeriesPos + 1] == series[1] &&
           (variant == kAnyVariant || c[kVariantPos] == variant);
}

bool portable(const radioStorage& r, const std::string& series, char variant = kAnyVariant) {
    return familyAt(code(r), 0, table().formPortable, series, variant);
}

bool mobile(const radioStorage& r, const std::string& series, char variant, bool leadInAccepted) {
    const char* text = code(r);
    if (familyAt(text, 0, table().formMobile, series, variant))
        return true;
    const std::string& leadIn = table().mobileLeadIn;
    return leadInAccepted && leadIn.size() == kLeadInLength &&
           std::strncmp(text, leadIn.data(), kLeadInLength) == 0 &&
           familyAt(text, kLeadInLength, table().formMobile, series, variant);
}

bool inFixedList(const radioStorage& r, const std::vector<std::string>& list) {
    for (const std::string& entry : list) {
        if (entry.size() == record::kModelCodeLength &&
            std::memcmp(code(r), entry.data(), record::kModelCodeLength) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool radiomodel::isMainPortableM(const radioStorage& r) const {
    return portable(r, table().seriesMain, table().variantM);
}

bool radiomodel::isMainMobileM(const radioStorage& r) const {
    return mobile(r, table().seriesMain, table().variantM, true);
}

bool radiomodel::isMainPortableFive(const radioStorage& r) const {
    return portable(r, table().seriesMain, table().variantFive);
}

bool radiomodel::isMainMobileFive(const radioStorage& r) const {
    return mobile(r, table().seriesMain, table().variantFive, true);
}

bool radiomodel::isMainBandGroup(const radioStorage& r) const {
    const ModelTable& t = table();
    const char* c = code(r);
    if (t.seriesMain.size() != kSeriesLength)
        return false;
    const bool series = c[kSeriesPos] == t.seriesMain[0] && c[kSeriesPos + 1] == t.seriesMain[1];
    const bool group = c[kBandGroupPos] == t.bandG1 || c[kBandGroupPos] == t.bandG2;
    const bool band = c[kBandPos] == t.bandB1 || c[kBandPos] == t.bandB2 || c[kBandPos] == t.bandB3;
    return series && group && band;
}

bool radiomodel::isHighPortable(const radioStorage& r) const {
    return portable(r, table().seriesHigh);
}

bool radiomodel::isHighMobile(const radioStorage& r) const {
    return mobile(r, table().seriesHigh, kAnyVariant, false);
}

bool radiomodel::isHighPortableC(const radioStorage& r) const {
    return portable(r, table().seriesHigh) && code(r)[kSecondVariantPos] == table().variantC;
}

bool radiomodel::isSinglePointModel(const radioStorage& r) const {
    const std::string& prefix = table().singlePointPrefix;
    return !prefix.empty() && std::strncmp(code(r), prefix.c_str(), prefix.size()) == 0;
}

bool radiomodel::isHighMobileF(const radioStorage& r) const {
    return mobile(r, table().seriesHigh, table().variantF, false);
}

bool radiomodel::isIcFE(const radioStorage& r) const {
    return static_cast<unsigned char>(r.getIcVersion()[kIcMarkerPos]) == kIcFeMarker;
}

bool radiomodel::isMainPortableR(const radioStorage& r) const {
    return portable(r, table().seriesMain, table().variantR);
}

bool radiomodel::isMainPortableS(const radioStorage& r) const {
    return portable(r, table().seriesMain, table().variantS);
}

bool radiomodel::isMainMobileR(const radioStorage& r) const {
    return mobile(r, table().seriesMain, table().variantR, true);
}

bool radiomodel::isMainMobileS(const radioStorage& r) const {
    return mobile(r, table().seriesMain, table().variantS, true);
}

bool radiomodel::isSixPortable(const radioStorage& r) const {
    return portable(r, table().seriesSix);
}

bool radiomodel::isHighMobileK(const radioStorage& r) const {
    return mobile(r, table().seriesHigh, table().variantK, false);
}

bool radiomodel::isHighMobileN(const radioStorage& r) const {
    return isHighMobile(r) && code(r)[kBandPos] == table().variantN;
}

bool radiomodel::isSixPortableN(const radioStorage& r) const {
    return isSixPortable(r) && code(r)[kBandPos] == table().variantN;
}

bool radiomodel::inListA(const radioStorage& r) const {
    return inFixedList(r, table().listA);
}

bool radiomodel::inListB(const radioStorage& r) const {
    return inFixedList(r, table().listB);
}

bool radiomodel::inListC(const radioStorage& r) const {
    return inFixedList(r, table().listC);
}

bool radiomodel::inListD(const radioStorage& r) const {
    const std::string text = code(r);
    for (const std::string& entry : table().listD) {
        if (!entry.empty() && text.find(entry) != std::string::npos)
            return true;
    }
    return false;
}

bool radiomodel::hasBrightlineVolume(const radioStorage& r) const {
    return code(r)[kVariantPos] == table().variantBrightline;
}

bool radiomodel::hasNoLowPowerPaBias(const radioStorage& r) const {
    const char v = code(r)[kVariantPos];
    return v == table().variantBrightline || v == table().variantU;
}

bool radiomodel::isVariantQOrR(const radioStorage& r) const {
    const char v = code(r)[kVariantPos];
    return v == table().variantQ || v == table().variantR;
}

bool radiomodel::hasNoLowPowerSetting(const radioStorage& r) const {
    const std::string& family = table().noLowPowerFamily;
    const char* c = code(r);
    return family.size() == kNoLowPowerFamilyLength && c[0] == family[0] && c[1] == family[1] &&
           c[2] == family[2] && c[kSecondVariantPos] == family[3];
}

std::int32_t radiomodel::featureMask(const radioStorage& r) const {
    const ModelTable& t = table();
    bool listed = false;
    for (const ModelTable::Uuid& id : t.uuidList) {
        if (std::memcmp(r.getUuid(), id.data(), id.size()) == 0)
            listed = true;
    }
    if (!listed)
        return r.getValue(row::Frequency, col::OptionByte);

    const std::string text = code(r);
    for (std::size_t p = 0; p + kFeatureDigitOffset < text.size(); ++p) {
        const char form = text[p];
        const char next = text[p + 1];
        if ((form == t.formPortable || form == t.formMobile) && next >= '0' && next <= '9') {
            const char digit = text[p + kFeatureDigitOffset];
            if (digit == kFeatureOnly12k5)
                return kMask12k5;
            if (digit == kFeature20And25)
                return kMask20And25;
            return kMaskAll;
        }
    }
    return kMaskAll;
}

}  // namespace vantrel
