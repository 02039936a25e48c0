// Replays the inputs the fuzz targets found, and their seed corpus, through the fuzz entry functions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/FuzzEntries.h"

namespace vantrel::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;  ///< folder under the found inputs and the corpus
    void (*entry)(const uint8_t*, size_t);
};

void PrintTo(const Target& target, std::ostream* out) {
    *out << target.name;
}

std::vector<fs::path> inputsIn(const fs::path& dir) {
    std::vector<fs::path> files;
    if (fs::is_directory(dir))
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file())
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzRegression : public ::testing::TestWithParam<Target> {
  protected:
    void replay(const fs::path& dir) {
        for (const fs::path& file : inputsIn(dir)) {
            SCOPED_TRACE(file.string());
            const std::vector<uint8_t> bytes = bytesOf(file);
            // A copy of exactly the input's size, so a read past its end is caught under the sanitizers.
            std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
            std::copy(bytes.begin(), bytes.end(), exact.get());
            EXPECT_NO_THROW(GetParam().entry(exact.get(), bytes.size()));
        }
    }
};

TEST_P(FuzzRegression, FoundInputsRunClean) {
    replay(fs::path(VANTREL_FUZZ_FOUND) / GetParam().name);
}

TEST_P(FuzzRegression, SeedCorpusRunsClean) {
    const fs::path dir = fs::path(VANTREL_FUZZ_CORPUS) / GetParam().name;
    ASSERT_FALSE(inputsIn(dir).empty()) << "no seed corpus in " << dir;
    replay(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FuzzRegression,
    ::testing::Values(Target{"reply_reader", runReplyReader}, Target{"exchange", runExchange},
                      Target{"radio_command", runRadioCommand}, Target{"archive", runArchiveReader},
                      Target{"com_ini", runComIni}, Target{"record_json", runRecordJson},
                      Target{"model_table", runModelTable}, Target{"bbo_config", runBboConfig}),
    [](const auto& info) { return std::string(info.param.name); });

// A one-byte frame has no payload: copying it into an empty destination copies nothing.
TEST(FuzzFindings, PayloadlessReplyCopiesNothing) {
    const SBEPReply lone(std::vector<uint8_t>{0x50});
    EXPECT_EQ(lone.dataLength(), 0u);
    lone.copyData(nullptr);
    const SBEPReply withPayload(std::vector<uint8_t>{0xF3, 0x8A, 0x05, 0x7D});
    uint8_t out[2] = {0, 0};
    withPayload.copyData(out);
    EXPECT_EQ(out[0], 0x05);
}

// A softpot value wider than four bytes: its first four bytes, in order, and the width as the radio gave it.
TEST(FuzzFindings, WideSoftpotValueGivesItsFirstFourBytes) {
    std::vector<uint8_t> reply = {0x50, 0xF8, 0x8A, 0x05, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    reply.push_back(sbep::checksum(reply.data() + 1, reply.size() - 1));
    std::vector<uint8_t> script = {static_cast<uint8_t>(reply.size())};
    script.insert(script.end(), reply.begin(), reply.end());
    InputCursor input(script.data(), script.size());
    FuzzLine f(input);
    uint8_t buffer[4] = {};
    EXPECT_EQ(f.link.readSoftpotBytes(0x05, buffer), 6u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
}

}  // namespace
}  // namespace vantrel::fuzz
