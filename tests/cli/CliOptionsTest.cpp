// Tests of the command-line tool's argument parsing and its usage errors.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"

namespace vantrel {
namespace {

CliOptions parsed(const std::vector<std::string>& args) {
    auto result = parseCliArguments(args);
    if (auto* error = std::get_if<CliUsageError>(&result)) {
        ADD_FAILURE() << "unexpected usage error: " << error->message;
        return {};
    }
    return std::get<CliOptions>(result);
}

TEST(CliArguments, OptionsMayStandBeforeOrAfterTheCommand) {
    const CliOptions before = parsed({"--port", "2", "read", "-o", "a.sfp", "--json"});
    EXPECT_EQ(before.command, CliCommand::Read);
    EXPECT_EQ(before.port, 2);
    EXPECT_EQ(before.output, "a.sfp");
    EXPECT_TRUE(before.json);

    const CliOptions after = parsed({"program", "x.sfp", "--port=4", "-y"});
    EXPECT_EQ(after.command, CliCommand::Program);
    EXPECT_EQ(after.file, "x.sfp");
    EXPECT_EQ(after.port, 4);
    EXPECT_TRUE(after.yes);

    const CliOptions device = parsed({"read", "--device", "/dev/ttyUSB0"});
    EXPECT_EQ(device.device, "/dev/ttyUSB0");
    EXPECT_FALSE(device.port);
}

bool refused(const std::vector<std::string>& args) {
    return std::holds_alternative<CliUsageError>(parseCliArguments(args));
}

TEST(CliArguments, UtilityOperandsFollowTheWindowsRules) {
    EXPECT_EQ(parsed({"serial", "A.*#_~!%&("}).serialNo, "A.*#_~!%&(");
    EXPECT_TRUE(refused({"serial", "ABC123456"}));    // nine characters
    EXPECT_TRUE(refused({"serial", "ABC1234567X"}));  // eleven
    EXPECT_TRUE(refused({"serial", "ABC 234567"}));   // a blank is not in the set
    EXPECT_TRUE(refused({"serial", "ABC\"234567"}));
    const auto bytes = parsed({"temp-comp", "1a2B3c4D"}).tempComp;
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, (std::array<std::uint8_t, 4>{0x1A, 0x2B, 0x3C, 0x4D}));
    EXPECT_FALSE(parsed({"temp-comp"}).tempComp);
    EXPECT_TRUE(refused({"temp-comp", "1a2B3c4"}));
    EXPECT_TRUE(refused({"temp-comp", "1a2B3c4G"}));
}

TEST(CliArguments, BasebandSetsTakeCodesOrOffsetsInHertz) {
    const CliOptions o = parsed({"bbo", "--config", "b.cfg", "--set", "CSQ Offset=3", "--set", "A=B=512Hz",
                                 "--set", "x=1215 Hz", "--set", "y=28", "--spacing", "20", "--port", "2"});
    EXPECT_EQ(o.config, "b.cfg");
    ASSERT_EQ(o.sets.size(), 4u);
    EXPECT_EQ(o.sets[0], (std::pair<std::string, int>{"CSQ Offset", 3}));
    EXPECT_EQ(o.sets[1], (std::pair<std::string, int>{"A=B", 15}));
    EXPECT_EQ(o.sets[2].second, 10);
    EXPECT_EQ(o.sets[3].second, 7);
    EXPECT_EQ(o.spacing, 1);
    EXPECT_TRUE(refused({"bbo", "--set", "x=16"}));
    EXPECT_TRUE(refused({"bbo", "--set", "x=500Hz"}));
    EXPECT_TRUE(refused({"bbo", "--set", "=3"}));
    EXPECT_TRUE(refused({"bbo", "--list", "--set", "x=3"}));
    EXPECT_TRUE(parsed({"port", "--list"}).list);
    EXPECT_TRUE(refused({"port", "--list", "2"}));
    EXPECT_TRUE(refused({"read", "--list"}));
    EXPECT_TRUE(refused({"bbo", "--spacing", "20"}));
    EXPECT_TRUE(refused({"bbo", "--spacing", "15", "--set", "x=1"}));
    EXPECT_TRUE(refused({"read", "--config", "b.cfg"}));
}

TEST(CliArguments, OperandsOfFileAndPortCommands) {
    EXPECT_EQ(parsed({"import", "in.json", "--output", "out.sfp"}).output, "out.sfp");
    EXPECT_EQ(parsed({"report", "a.sfp"}).output, std::nullopt);
    EXPECT_EQ(parsed({"port"}).portToWrite, std::nullopt);
    EXPECT_EQ(parsed({"port", "3"}).portToWrite, 3);
    // "--" lets a file name begin with a dash.
    EXPECT_EQ(parsed({"dump", "--", "-odd.sfp"}).file, "-odd.sfp");
}

TEST(CliArguments, HelpForEveryCommandAndInGeneral) {
    for (const char* name : {"read", "program", "dump", "import", "report", "port"}) {
        const CliOptions options = parsed({name, "--help"});
        EXPECT_TRUE(options.help) << name;
        ASSERT_TRUE(options.helpTopic) << name;
        EXPECT_EQ(cliCommandName(*options.helpTopic), name);
        EXPECT_NE(cliUsage(*options.helpTopic).find(std::string("vantrel-cli ") + name), std::string::npos);
        EXPECT_EQ(parsed({"help", name}).helpTopic, options.helpTopic) << name;
    }
    // --help wins over missing operands, so "program --help" needs no file.
    EXPECT_TRUE(parsed({"program", "-h"}).help);
    const CliOptions general = parsed({"--help"});
    EXPECT_TRUE(general.help);
    EXPECT_FALSE(general.helpTopic);
    EXPECT_NE(cliUsage().find("64 usage error"), std::string::npos);
}

TEST(CliArguments, RejectsBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"--bogus", "read"},
        {"read", "extra.sfp"},
        {"read", "--port", "0"},
        {"read", "--port", "5"},
        {"read", "--port", "1x"},
        {"read", "--port"},
        {"read", "--port", "1", "--device", "/dev/ttyS0"},
        {"read", "--device="},
        {"read", "-o"},
        {"read", "--json=yes"},
        {"read", "--yes"},
        {"program"},
        {"program", "a.sfp", "b.sfp"},
        {"program", "a.sfp", "--json"},
        {"program", "a.sfp", "-o", "b.sfp"},
        {"dump"},
        {"dump", "a.sfp", "--port", "1"},
        {"import", "in.json"},
        {"report", "a.sfp", "--yes"},
        {"port", "0"},
        {"port", "5"},
        {"port", "1", "2"},
        {"port", "--device", "/dev/ttyS0"},
        {"help", "frobnicate"},
    };
    for (const auto& args : bad) {
        auto result = parseCliArguments(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        ASSERT_TRUE(std::holds_alternative<CliUsageError>(result)) << joined;
        const std::string& message = std::get<CliUsageError>(result).message;
        EXPECT_FALSE(message.empty()) << joined;
        EXPECT_EQ(message.find('\n'), std::string::npos) << joined;
    }
}

}  // namespace
}  // namespace vantrel
