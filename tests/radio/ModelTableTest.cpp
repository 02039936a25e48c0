// Tests of the model table override file: accepted files change the predicates, bad ones change nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "radio/ModelTable.h"
#include "radio/radiomodel.h"

namespace vantrel {
namespace {

class ModelTableFile : public ::testing::Test {
  protected:
    void SetUp() override {
        resetActiveModelTable();
        m_path = std::filesystem::temp_directory_path() /
                 ("vantrel_models_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt");
    }
    void TearDown() override {
        std::filesystem::remove(m_path);
        resetActiveModelTable();
    }
    void write(const std::string& text) { std::ofstream(m_path, std::ios::binary) << text; }

    bool mainPortableM(const char* code) {
        radioStorage r;
        r.setModelNo(std::string(code) + "      ");
        return radiomodel().isMainPortableM(r);
    }

    std::filesystem::path m_path;
    std::string m_error;
};

TEST_F(ModelTableFile, GoodFileChangesThePredicates) {
    write(
        "# replacement portable letter\r\n"
        "formPortable = Q\r\n"
        "\r\n"
        "familyPrefixes = Q47, M47\r\n"
        "uuidList = 000102030405060708090A0B0C0D0E0F\n");
    ASSERT_TRUE(loadModelTable(m_path.string(), m_error)) << m_error;
    EXPECT_TRUE(mainPortableM("Q47MSC6A2T"));
    EXPECT_FALSE(mainPortableM("P47MSC6A2T"));
    EXPECT_EQ(activeModelTable().uuidList.size(), 1u);
    EXPECT_EQ(activeModelTable().uuidList[0][15], 0x0F);
    EXPECT_EQ(activeModelTable().seriesMain, "47");  // keys not named keep the built-in values
}

TEST_F(ModelTableFile, PaBiasVariantIsTableData) {
    radioStorage r;
    r.setModelNo("M52WSC7ENT      ");
    EXPECT_FALSE(radiomodel().isVariantQOrR(r));
    write("variantQ = W\n");
    ASSERT_TRUE(loadModelTable(m_path.string(), m_error)) << m_error;
    EXPECT_TRUE(radiomodel().isVariantQOrR(r));
    write("variantQ = WX\n");
    EXPECT_FALSE(loadModelTable(m_path.string(), m_error));
    EXPECT_NE(m_error.find("variantQ"), std::string::npos) << m_error;
}

TEST_F(ModelTableFile, BadLinesAreRejectedAndLeaveTheTableAlone) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"formPortable = Q\nbogusKey = 1\n", "line 2: unknown key 'bogusKey'"},
        {"formPortable Q\n", "line 1: expected 'key = value'"},
        {"formPortable = QQ\n", "expected exactly one character"},
        {"seriesMain = 4X\n", "expected decimal digits"},
        {"listA = P47MSC6A2L, P47MSC\n", "entry 'P47MSC'"},
        {"uuidList = 0011\n", "32 hexadecimal digits"},
        {"formMobile = N\nformMobile = M\n", "given twice"},
    };
    for (const auto& c : cases) {
        write(c.text);
        EXPECT_FALSE(loadModelTable(m_path.string(), m_error)) << c.text;
        EXPECT_NE(m_error.find(c.expected), std::string::npos) << m_error;
        EXPECT_TRUE(mainPortableM("P47MSC6A2T")) << c.text;
        EXPECT_EQ(activeModelTable().formMobile, 'M');
    }
}

TEST_F(ModelTableFile, MissingFileIsReportedNotFatal) {
    EXPECT_FALSE(loadModelTable((m_path / "absent").string(), m_error));
    EXPECT_NE(m_error.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
