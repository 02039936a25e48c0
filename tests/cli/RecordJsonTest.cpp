// Tests of the JSON form of the radio record: byte-exact texts, the full shape, and rejected input.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "cli/RecordJson.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

using nlohmann::json;

// A record whose texts hold bytes a naive conversion would lose or mangle.
void fillOddRecord(radioStorage& record) {
    record.setSerialNo(std::string("A\x01\"\\\t\0B\x7f\xff", 9));
    record.setModelNo(std::string("P47XYZ1234 \x80~\x1f\xe9", 15));
    std::string uuid;
    for (int i = 0; i < 16; ++i) uuid += static_cast<char>(i * 17);  // 0x00, 0x11, ... 0xff
    record.setUuid(uuid);
    record.setDataVersion(35);
    for (int r = 0; r < record::kRows; ++r)
        for (int c = 0; c < record::kColumns; ++c) record.setValue(r, c, (r * 31 + c * 7) % 300 - 100);
    record.setTuningProcedure(2);
    record.markUnsupported(flag::Rssi);
    record.markSupported(flag::MobileTxPower);
    record.markUnsupported(flag::BatteryThreshold);
    record.markUnsupported(flag::Last);
}

TEST(RecordJson, OddBytesSurviveTheRoundTripExactly) {
    radioStorage original;
    fillOddRecord(original);
    const std::string text = RecordJson::toJson(original);

    radioStorage copy;
    ASSERT_FALSE(RecordJson::fromJson(text, copy));
    EXPECT_EQ(copy.serialNoBytes(), original.serialNoBytes());
    EXPECT_EQ(copy.modelNoBytes(), original.modelNoBytes());
    EXPECT_EQ(copy.uuidBytes(), original.uuidBytes());
    EXPECT_EQ(copy.getDataVersion(), 35);
    for (int r = 0; r < record::kRows; ++r)
        for (int c = 0; c < record::kColumns; ++c) EXPECT_EQ(copy.getValue(r, c), original.getValue(r, c));
    for (int index = flag::First; index <= flag::Last; ++index)
        EXPECT_EQ(copy.isSupported(index), original.isSupported(index)) << index;
    EXPECT_EQ(RecordJson::toJson(copy), text);
}

TEST(RecordJson, EscapesEveryByteOutsideThePrintableRange) {
    radioStorage record;
    fillOddRecord(record);
    const std::string text = RecordJson::toJson(record);
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_TRUE(b == '\n' || (b >= 0x20 && b <= 0x7e)) << "raw byte " << int(b);
    }
    EXPECT_NE(text.find(R"("serialNo": "A\u0001\"\\\u0009\u0000B\u007f\u00ff")"), std::string::npos) << text;
    EXPECT_NE(text.find(R"(\u0080~\u001f\u00e9)"), std::string::npos) << text;
}

TEST(RecordJson, HasTheDocumentedShape) {
    radioStorage record;
    record.setTuningProcedure(1);
    const json j = json::parse(RecordJson::toJson(record));
    EXPECT_EQ(j["serialNo"], "NULL      ");
    EXPECT_EQ(j["modelNo"], "NULL            ");
    EXPECT_EQ(j["dataVersion"], 0);
    EXPECT_EQ(j["tuningProcedure"], 1);
    ASSERT_EQ(j["values"].size(), 22u);
    for (const json& row : j["values"]) EXPECT_EQ(row.size(), 22u);
    ASSERT_EQ(j["supported"].size(), 27u);
    EXPECT_TRUE(j["supported"].contains("2"));
    EXPECT_TRUE(j["supported"].contains("28"));
    EXPECT_EQ(j.size(), 7u);
}

TEST(RecordJson, RawUtf8TextMeansTheSameBytes) {
    radioStorage source;
    source.setDataVersion(35);
    source.setTuningProcedure(1);
    json j = json::parse(RecordJson::toJson(source));
    j["serialNo"] = "caf\xc3\xa9";  // U+00E9 typed as UTF-8
    radioStorage record;
    ASSERT_FALSE(RecordJson::fromJson(j.dump(), record));
    EXPECT_EQ(record.serialNoBytes(), std::string("caf\xe9\0\0\0\0\0\0", 10));
}

// Each case breaks one thing of a valid JSON record; the import must refuse it with a message that
// names the fault and leave the record as it was.
struct BrokenCase {
    const char* name;
    std::function<void(json&)> breakIt;
    const char* expected;
};

TEST(RecordJson, RejectsIncompleteOrInconsistentRecords) {
    radioStorage source;
    source.setDataVersion(35);
    source.setTuningProcedure(1);
    source.setSerialNo("ABC1234567");
    const json valid = json::parse(RecordJson::toJson(source));

    const std::vector<BrokenCase> cases = {
        {"procedure mismatch", [](json& j) { j["tuningProcedure"] = 2; }, "differs from values[0][8]"},
        {"missing serial", [](json& j) { j.erase("serialNo"); }, "missing field \"serialNo\""},
        {"missing flag", [](json& j) { j["supported"].erase("17"); }, "lacks flag \"17\""},
        {"unknown flag", [](json& j) { j["supported"]["29"] = true; }, "unknown flag \"29\""},
        {"flag not boolean", [](json& j) { j["supported"]["5"] = 1; }, "\"5\" must be true or false"},
        {"unknown field", [](json& j) { j["icVersion"] = "x"; }, "unknown field \"icVersion\""},
        {"short row", [](json& j) { j["values"][3].erase(21); }, "values[3] must hold 22 integers"},
        {"missing row", [](json& j) { j["values"].erase(21); }, "22 rows"},
        {"fractional value", [](json& j) { j["values"][4][5] = 1.5; }, "values[4][5] must be an integer"},
        {"huge value", [](json& j) { j["values"][2][0] = 5'000'000'000LL; }, "values[2][0] is out of range"},
        {"serial too long", [](json& j) { j["serialNo"] = "12345678901"; }, "longer than 10 bytes"},
        {"wide character", [](json& j) { j["uuid"] = "\xe2\x82\xac"; }, "above U+00FF"},
        {"old data version", [](json& j) { j["dataVersion"] = 32; }, "dataVersion must lie in 33..255"},
        {"text not string", [](json& j) { j["modelNo"] = 5; }, "modelNo must be a string"},
        {"two-digit procedure",
         [](json& j) {
             j["tuningProcedure"] = 12;
             j["values"][0][8] = 12;
         },
         "tuningProcedure must be 1 or 2, not 12"},
        {"procedure 3",
         [](json& j) {
             j["tuningProcedure"] = 3;
             j["values"][0][8] = 3;
         },
         "tuningProcedure must be 1 or 2, not 3"},
        {"absence marker heads a supported set",
         [](json& j) {
             j["values"][3][0] = 4095;
             j["supported"]["3"] = true;
         },
         "values[3][0] is 4095, the absence marker, but supported \"3\" is true"},
    };
    for (const BrokenCase& c : cases) {
        json j = valid;
        c.breakIt(j);
        radioStorage record;
        record.setSerialNo("KEEPME");
        const auto error = RecordJson::fromJson(j.dump(), record);
        ASSERT_TRUE(error) << c.name;
        EXPECT_NE(error->message.find(c.expected), std::string::npos) << c.name << ": " << error->message;
        EXPECT_EQ(error->message.find('\n'), std::string::npos) << c.name;
        EXPECT_STREQ(record.getSerialNo(), "KEEPME") << c.name;
    }

    radioStorage record;
    const auto syntax = RecordJson::fromJson("{\"serialNo\": ", record);
    ASSERT_TRUE(syntax);
    EXPECT_EQ(syntax->message.find("[json.exception"), std::string::npos) << syntax->message;
}

// A file nested tens of thousands of levels deep is refused as it is read, before a value that deep exists
// (copying or printing one would exhaust the stack); the record is left alone.
TEST(RecordJson, RefusesNestingTooDeepWithoutBuildingIt) {
    constexpr std::size_t kDepth = 100000;
    std::string objects;
    for (std::size_t i = 0; i < kDepth; ++i) objects += "{\"s\":";
    const std::vector<std::string> texts = {
        "{\"values\": " + std::string(kDepth, '[') + std::string(kDepth, ']') + "}",
        "{\"supported\": " + objects,
        std::string(kDepth, '['),
    };
    for (const std::string& text : texts) {
        radioStorage record;
        record.setSerialNo("KEEPME");
        const auto error = RecordJson::fromJson(text, record);
        ASSERT_TRUE(error);
        EXPECT_NE(error->message.find("nested deeper than"), std::string::npos) << error->message;
        EXPECT_STREQ(record.getSerialNo(), "KEEPME");
    }
}

}  // namespace
}  // namespace vantrel
