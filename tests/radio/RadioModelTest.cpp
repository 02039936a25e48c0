// Tests of the model predicates and the channel-spacing feature mask over the built-in model table.
#include <gtest/gtest.h>

#include <string>

#include "radio/ModelTable.h"
#include "radio/radiomodel.h"

namespace vantrel {
namespace {

using Predicate = bool (radiomodel::*)(const radioStorage&) const;

struct PredicateCase {
    const char* name;
    Predicate predicate;
    const char* satisfying;
    const char* failing;
};

// One code that satisfies each predicate and a close one that does not.
const PredicateCase kCases[] = {
    {"isMainPortableM", &radiomodel::isMainPortableM, "P47MSC6A2T", "M47MSC6A2T"},
    {"isMainMobileM", &radiomodel::isMainMobileM, "M47MSC6E1T", "P47MSC6E1T"},
    {"isMainPortableFive", &radiomodel::isMainPortableFive, "P475SC7A3T", "P47MSC7A3T"},
    {"isMainMobileFive", &radiomodel::isMainMobileFive, "M475SC7E2T", "M47RSC7E2T"},
    {"isMainBandGroup", &radiomodel::isMainBandGroup, "M47MSC6E1T", "P47MSC6B1T"},
    {"isMainBandGroupBand", &radiomodel::isMainBandGroup, "P47MSC6A3T", "P47MSC6A4T"},
    {"isHighPortable", &radiomodel::isHighPortable, "P52HSC7A1T", "M52HSC7A1T"},
    {"isHighMobile", &radiomodel::isHighMobile, "M52HSC7E1T", "P52HSC7E1T"},
    {"isHighPortableC", &radiomodel::isHighPortableC, "P52HCC7A1T", "P52HSC7A1T"},
    {"isSinglePointModel", &radiomodel::isSinglePointModel, "P80KSL4A1T", "P80KSL6A1T"},
    {"isHighMobileF", &radiomodel::isHighMobileF, "M52FSC7E1T", "M52KSC7E1T"},
    {"isMainPortableR", &radiomodel::isMainPortableR, "P47RSC4A1T", "P47SSC4A1T"},
    {"isMainPortableS", &radiomodel::isMainPortableS, "P47SSC4A1T", "P47RSC4A1T"},
    {"isMainMobileR", &radiomodel::isMainMobileR, "M47RSC6E1T", "M52RSC6E1T"},
    {"isMainMobileS", &radiomodel::isMainMobileS, "M47SSC6E1T", "P47SSC6E1T"},
    {"isSixPortable", &radiomodel::isSixPortable, "P60MSC4A1T", "M60MSC4A1T"},
    {"isHighMobileK", &radiomodel::isHighMobileK, "M52KSC7E1T", "M52FSC7E1T"},
    {"isHighMobileN", &radiomodel::isHighMobileN, "M52HSC7ENT", "M52HSC7E1T"},
    {"isSixPortableN", &radiomodel::isSixPortableN, "P60MSC4ANT", "P60MSC4A1T"},
    {"inListA", &radiomodel::inListA, "P47MSC6A2L", "P47MSC6A2T"},
    {"inListB", &radiomodel::inListB, "P45TSC4A1W", "P45TSC4A1Q"},
    {"inListC", &radiomodel::inListC, "P45GSC4A1Q", "P45GSC4A1W"},
    {"inListD", &radiomodel::inListD, "M52HSC7A1D", "M52HSC7A1T"},
    {"hasBrightlineVolume", &radiomodel::hasBrightlineVolume, "P47BSC6A2T", "P47USC6A2T"},
    {"hasNoLowPowerPaBias", &radiomodel::hasNoLowPowerPaBias, "P47USC6A2T", "P47MSC6A2T"},
    {"hasNoLowPowerPaBiasBrightline", &radiomodel::hasNoLowPowerPaBias, "P47BSC6A2T", "P475SC6A2T"},
    {"hasNoLowPowerSetting", &radiomodel::hasNoLowPowerSetting, "P60MHC4A1T", "P60MSC4A1T"},
    {"isVariantQOrR", &radiomodel::isVariantQOrR, "M52QSC7ENT", "M52HSC7ENT"},
    {"isVariantQOrRWithR", &radiomodel::isVariantQOrR, "M52RSC7BNW", "M52KSC7BNW"},
};

std::string padded(const std::string& text) {
    return text + std::string(16 - text.size(), ' ');
}

class RadioModel : public ::testing::Test {
  protected:
    void SetUp() override { resetActiveModelTable(); }
    void TearDown() override { resetActiveModelTable(); }

    // Stores a model text as it stands, without code extraction moving it.
    void storeRaw(const std::string& text) {
        ModelTable t = defaultModelTable();
        t.familyPrefixes.clear();
        setActiveModelTable(t);
        m_record.setModelNo(padded(text));
        resetActiveModelTable();
    }

    radioStorage m_record;
    radiomodel m_model;
};

TEST_F(RadioModel, EveryPredicateAcceptsItsCodeAndRejectsANeighbour) {
    for (const PredicateCase& c : kCases) {
        m_record.setModelNo(padded(c.satisfying));
        EXPECT_TRUE((m_model.*c.predicate)(m_record)) << c.name << " " << c.satisfying;
        m_record.setModelNo(padded(c.failing));
        EXPECT_FALSE((m_model.*c.predicate)(m_record)) << c.name << " " << c.failing;
    }
}

TEST_F(RadioModel, MainMobilesAcceptTheLeadInHighMobilesDoNot) {
    storeRaw("LVM47MSC6E1T");
    EXPECT_TRUE(m_model.isMainMobileM(m_record));
    storeRaw("LVM475SC6E1T");
    EXPECT_TRUE(m_model.isMainMobileFive(m_record));
    storeRaw("LVM47RSC6E1T");
    EXPECT_TRUE(m_model.isMainMobileR(m_record));
    storeRaw("LVM52HSC7E1T");
    EXPECT_FALSE(m_model.isHighMobile(m_record));
    storeRaw("LVM52FSC7E1T");
    EXPECT_FALSE(m_model.isHighMobileF(m_record));
    storeRaw("XXM47MSC6E1T");  // any other two characters are no lead-in
    EXPECT_FALSE(m_model.isMainMobileM(m_record));
}

TEST_F(RadioModel, SinglePointNeedsAllSevenPrefixCharacters) {
    m_record.setModelNo(padded("P80KSL4E2T"));
    EXPECT_TRUE(m_model.isSinglePointModel(m_record));
    m_record.setModelNo(padded("P80KSL5E2T"));
    EXPECT_FALSE(m_model.isSinglePointModel(m_record));
}

TEST_F(RadioModel, ListDCodeIsFoundAnywhereInTheText) {
    storeRaw("LVM52HSC7E2D");
    EXPECT_TRUE(m_model.inListD(m_record));
    EXPECT_FALSE(m_model.inListA(m_record));
    storeRaw("      M52HSC7E2");  // cut short: fewer characters remain than the code has
    EXPECT_FALSE(m_model.inListD(m_record));
}

TEST_F(RadioModel, IcFeLooksAtTheSecondVersionByte) {
    m_record.setIcVersion(std::string("\x01\xFE\x00\x00", 4));
    EXPECT_TRUE(m_model.isIcFE(m_record));
    m_record.setIcVersion(std::string("\xFE\x01\x00\x00", 4));
    EXPECT_FALSE(m_model.isIcFE(m_record));
}

TEST_F(RadioModel, FeatureMaskOfListedRadioComesFromTheModelCode) {
    const ModelTable::Uuid id = defaultModelTable().uuidList[2];
    m_record.setUuid(std::string(id.begin(), id.end()));
    m_record.setValue(row::Frequency, col::OptionByte, 2);
    m_record.setModelNo(padded("P47MSC4A2T"));
    EXPECT_EQ(m_model.featureMask(m_record), 1);
    m_record.setModelNo(padded("M47MSC6E1T"));
    EXPECT_EQ(m_model.featureMask(m_record), 6);
    m_record.setModelNo(padded("P52HSC7A1T"));
    EXPECT_EQ(m_model.featureMask(m_record), 7);
    storeRaw("LVM47MSC4E1T");  // the digit six places after the form letter, not after position 0
    EXPECT_EQ(m_model.featureMask(m_record), 1);
    m_record.setModelNo(padded("NOCODE"));
    EXPECT_EQ(m_model.featureMask(m_record), 7);
}

TEST_F(RadioModel, FeatureMaskOfUnlistedRadioIsTheOptionByte) {
    m_record.setUuid("0123456789abcdef");
    m_record.setModelNo(padded("P47MSC4A2T"));
    m_record.setValue(row::Frequency, col::OptionByte, 6);
    EXPECT_EQ(m_model.featureMask(m_record), 6);
    m_record.setValue(row::Frequency, col::OptionByte, 5);
    EXPECT_EQ(m_model.featureMask(m_record), 5);
}

}  // namespace
}  // namespace vantrel
