// Tests of the record comparison: each kind of difference, its line, and the table against the archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "operations/ArchiveLayout.h"
#include "operations/recordCompare.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

using Lines = std::vector<std::string>;

/// A portable radio with transmit points F1..F3, receive points F1..F2 and a few data sets.
void fillPortable(radioStorage& r) {
    r.setSerialNo("ABC1234567");
    r.setModelNo("H25KKF9PW5AN   X");
    r.setDataVersion(35);
    r.setTuningProcedure(1);
    r.setValue(row::Frequency, col::FrequencyBase, 16000);  // 400 MHz
    for (int i = 0; i < 3; ++i) r.setValue(row::Frequency, col::TxPointFirst + i, 100 * (i + 1));
    for (int i = 0; i < 2; ++i) r.setValue(row::Frequency, col::RxPointFirst + i, 150 * (i + 1));
    for (int f = flag::First; f <= flag::Last; ++f) r.markUnsupported(f);  // a fresh record claims most
    for (const int f : {flag::TxPower, flag::Rssi, flag::MobileTxPower, flag::MultiValueRead})
        r.markSupported(f);
    for (int i = 0; i < record::kPointCount; ++i) {
        r.setValue(row::TxPower, col::TxPowerHigh + i, 100 + i);
        r.setValue(row::TxPower, col::TxPowerLow + i, 50 + i);
    }
    for (int i = 0; i < col::RssiCount; ++i) r.setValue(row::Rssi, col::RssiFirst + i, 20 + i);
    for (int i = 0; i < col::KmCount; ++i) r.setValue(row::MobilePower, col::KmFirst + i, 130 + i);
}

Lines compared(const radioStorage& a, const radioStorage& b) {
    return recordCompare::lines(a, b);
}

TEST(RecordCompare, EqualRecordsHaveNoDifferences) {
    radioStorage a, b;
    fillPortable(a);
    fillPortable(b);
    EXPECT_TRUE(compared(a, b).empty());
    radioStorage emptyA, emptyB;
    EXPECT_TRUE(compared(emptyA, emptyB).empty());
}

TEST(RecordCompare, IdentityDifferencesComeFirst) {
    radioStorage a, b;
    fillPortable(a);
    fillPortable(b);
    b.setValue(row::TxPower, col::TxPowerHigh, 7);
    b.setSerialNo(std::string("XYZ\x01", 4));
    b.setModelNo("H25KKF9PW5BN   X");
    b.setDataVersion(34);
    b.setTuningProcedure(2);
    EXPECT_EQ(compared(a, b),
              (Lines{"Serial Number: \"ABC1234567\" -> \"XYZ\\x01\"",
                     "Model Number: \"H25KKF9PW5AN\" -> \"H25KKF9PW5BN\"", "Data Version: 35 -> 34",
                     "Tuning Procedure: 1 (portable) -> 2 (mobile)", "Transmit High Power F1: 100 -> 7"}));
}

TEST(RecordCompare, ModelCharacterThatCarriesTheArchiveVersionIsNotCompared) {
    // A loaded archive has a blank there, a radio read whatever the radio sent.
    radioStorage a, b;
    fillPortable(a);
    fillPortable(b);
    b.setModelNo("H25KKF9PW5AN    ");
    EXPECT_TRUE(compared(a, b).empty());
}

TEST(RecordCompare, FrequencyPointsShowTheirFrequencies) {
    radioStorage a, b;
    fillPortable(a);
    fillPortable(b);
    b.setValue(row::Frequency, col::TxPointFirst + 1, 201);  // F2: 401.000 -> 401.005
    b.setValue(row::Frequency, col::TxPointFirst + 3, 400);  // F4 newly required
    b.setValue(row::Frequency, col::RxPointFirst + 1, 0);    // receive F2 no longer required
    EXPECT_EQ(compared(a, b), (Lines{"Transmit F2: 401.000000 MHz -> 401.005000 MHz",
                                     "Transmit F4: not required -> 402.000000 MHz",
                                     "Receive F2: 401.500000 MHz -> not required"}));

    // Another base moves every required point; points not required stay quiet.
    radioStorage c;
    fillPortable(c);
    c.setValue(row::Frequency, col::FrequencyBase, 16004);
    const Lines lines = compared(a, c);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Base Frequency: 400.000000 MHz -> 400.100000 MHz");
    EXPECT_EQ(lines[1], "Transmit F1: 400.500000 MHz -> 400.600000 MHz");
    EXPECT_EQ(lines[5], "Receive F2: 401.500000 MHz -> 401.600000 MHz");
}

TEST(RecordCompare, ValuesThatDifferAreNamedByDataSetAndPoint) {
    radioStorage a, b;
    fillPortable(a);
    fillPortable(b);
    b.setValue(row::TxPower, col::TxPowerHigh + 2, 110);
    b.setValue(row::TxPower, col::TxPowerLow + 6, 1);
    b.setValue(row::Rssi, col::RssiCalDacFirst + 1, 99);
    b.setValue(row::MobilePower, col::KmFirst + 2, 5);      // K of F2
    b.setValue(row::MobilePower, col::KmFirst + 13, 6);     // M of F7
    b.setValue(row::Frequency, col::TempCompFirst + 3, 8);  // held by every record
    const auto differences = recordCompare::differences(a, b);
    Lines lines;
    for (const auto& d : differences) lines.push_back(d.line());
    EXPECT_EQ(lines, (Lines{"Transmit High Power F3: 102 -> 110", "Transmit Low Power F7: 56 -> 1",
                            "Temp Comp 4: 0 -> 8", "RSSI Calibration DAC 2: 24 -> 99",
                            "Mobile K F2: 132 -> 5", "Mobile M F7: 143 -> 6"}));
    // The places let a window mark the changed cells.
    EXPECT_EQ(differences[0].row, row::TxPower);
    EXPECT_EQ(differences[0].column, col::TxPowerHigh + 2);
    EXPECT_EQ(differences[0].flag, flag::TxPower);
    EXPECT_EQ(differences[5].column, col::KmFirst + 13);
}

TEST(RecordCompare, DataSetsOneSideLacksAreNamedOnceAndTheirValuesSkipped) {
    radioStorage a, b;
    fillPortable(a);
    fillPortable(b);
    a.markUnsupported(flag::Rssi);
    b.markUnsupported(flag::MobileTxPower);
    b.markSupported(flag::AutoSquelch);
    for (int i = 0; i < col::RssiCount; ++i) b.setValue(row::Rssi, i, 0);
    b.setValue(row::MobilePower, col::LowBandTxDacFirst, 77);
    // Neither side holds front end filter values: what the table keeps there does not count.
    b.setValue(row::FrontEndFilter, col::SetFirst, 12);
    // Flags that say how the radio is talked to are not data sets.
    b.markUnsupported(flag::MultiValueRead);
    b.markSupported(flag::SinglePointPowerWrite);
    EXPECT_EQ(compared(a, b),
              (Lines{"Auto Squelch: only in B", "RSSI: only in B", "Mobile K & M: only in A"}));
}

// Every value an archive holds is compared once, with the flag the archive stores it under; every
// archived flag has its data set name.
TEST(RecordCompare, TableCoversEveryArchiveEntry) {
    std::map<std::pair<int, int>, int> compared;
    for (const ComparedValues& v : recordCompare::comparedValues())
        for (int i = 0; i < v.count; ++i) {
            const auto place = std::make_pair(v.row, v.firstColumn + i * v.stride);
            EXPECT_EQ(compared.count(place), 0u) << v.name;
            compared[place] = v.flag;
        }
    std::set<int> archivedFlags;
    std::size_t frequencyPlaces = 0;
    for (const archive::EntryPlace& place : archive::kEntryPlaces) {
        if (place.row == row::Frequency &&
            (place.column <= col::FrequencyBase ||
             (place.column >= col::RxPointFirst && place.column < col::RxPointFirst + record::kPointCount))) {
            ++frequencyPlaces;  // compared as frequency points
            continue;
        }
        const auto it = compared.find({place.row, place.column});
        ASSERT_NE(it, compared.end()) << "row " << place.row << " column " << place.column;
        EXPECT_EQ(it->second, place.flag) << "row " << place.row << " column " << place.column;
        if (place.flag != archive::kNoFlag)
            archivedFlags.insert(place.flag);
    }
    EXPECT_EQ(frequencyPlaces, 15u);
    EXPECT_EQ(compared.size() + frequencyPlaces, static_cast<std::size_t>(archive::kEntryCount));

    std::set<int> named;
    for (const ComparedSet& set : recordCompare::comparedSets()) named.insert(set.flag);
    EXPECT_EQ(named, archivedFlags);

    // One set's values follow each other, so its "only in" line comes once.
    std::set<int> finished;
    int current = archive::kNoFlag;
    for (const ComparedValues& v : recordCompare::comparedValues()) {
        if (v.flag == archive::kNoFlag || v.flag == current)
            continue;
        finished.insert(current);
        EXPECT_EQ(finished.count(v.flag), 0u) << v.name;
        current = v.flag;
    }
}

}  // namespace
}  // namespace vantrel
