// Dialect files: the shipped ones parse and serve their roles; damaged ones are refused with the line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "instruments/Dialect.h"
#include "instruments/InstrumentError.h"

namespace vantrel {
namespace {

TEST(Dialect, EveryShippedFileParsesAndServesTheRolesItsNameSays) {
    const std::vector<std::string> path = {VANTREL_TEST_DIALECTS};
    const auto names = availableDialects(path);
    ASSERT_EQ(names, (std::vector<std::string>{"e364x-power-supply", "epm-power-meter", "generic-scpi",
                                               "psg-signal-generator"}));
    for (const std::string& n : names) {
        const Dialect d = loadDialect(n, path);
        EXPECT_EQ(d.name, n);
        EXPECT_FALSE(d.description.empty()) << n;
    }
    const Dialect generic = loadDialect("generic-scpi", path);
    for (Role r : kRoles) EXPECT_TRUE(generic.serves(r)) << roleKey(r);
    EXPECT_TRUE(loadDialect("epm-power-meter", path).serves(Role::PowerMeter));
    EXPECT_TRUE(loadDialect("e364x-power-supply", path).serves(Role::PowerSupply));
    const Dialect psg = loadDialect("psg-signal-generator", path);
    EXPECT_TRUE(psg.serves(Role::SignalGenerator));
    EXPECT_FALSE(psg.serves(Role::PowerMeter));
    EXPECT_EQ(psg.command(Role::SignalGenerator, "frequency"), ":FREQ:CW {}");
    EXPECT_EQ(psg.errorQuery, ":SYST:ERR?");
}

TEST(Dialect, DamagedFilesAreRefusedNamingTheLineAndTheFault) {
    const std::string head = "dialect = x\n";
    struct Case {
        std::string text;
        std::string expected;  ///< part of the message
    };
    const std::vector<Case> cases = {
        {"[power-meter]\nmeasure = MEAS?\n", "names no dialect"},
        {head, "serves no role"},
        {head + "[power-meter]\n", "needs 'measure'"},
        {head + "[power-meter]\nmeasure = MEAS\n", ":3: 'measure' is a query"},
        {head + "[power-meter]\nmeasure = MEAS?\nmeasure = MEAS?\n", ":4: 'measure' appears twice"},
        {head + "[power-meter]\nmeasure = MEAS?\nunit = mW\n", "W or dBm"},
        {head + "[power-meter]\nmeasure = MEAS?\nfrequency = FREQ\n", "'{}' once"},
        {head + "[power-meter]\nmeasure = MEAS?\nfrequency = FREQ {} {}\n", "'{}' once"},
        {head + "[power-meter]\nmeasure = MEAS? {}\n", "takes no number"},
        {head + "[power-meter]\nmeasure = MEAS?\nsetup = X {\n", "stray brace"},
        {head + "[power-meter]\nmeasure = MEAS?\nbogus = 1\n", ":4: unknown key 'bogus'"},
        {head + "[oscilloscope]\n", ":2: unknown role"},
        {head + "[power-meter]\nmeasure = MEAS?\n[power-meter]\n", "appears twice"},
        {head + "[power-meter\n", "must end with ']'"},
        {head + "just words\n", ":2: expected 'key = value'"},
        {head + "measure =\n", "has no value"},
        {head + "Identify = *IDN?\n", "is no key"},
        {head + "[power-meter]\nmeasure = MEAS\xC3\xA9?\n", ":3: not a text file"},
        {std::string("dialect = x\n\0\n", 14), "not a text file"},
        {head + "[power-meter]\nmeasure = " + std::string(300, 'M') + "?\n", "longer than"},
        {std::string(70 * 1024, '#'), "larger than"},
        {head + "[signal-generator]\nfrequency = F {}\nlevel = P {}\noutput-on = O\n", "needs 'output-off'"},
    };
    for (const Case& c : cases) {
        try {
            parseDialect(c.text, "test.dialect");
            ADD_FAILURE() << "accepted: " << c.text.substr(0, 80);
        } catch (const InstrumentError& e) {
            EXPECT_EQ(e.kind(), InstrumentError::Kind::Config);
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos)
                << e.what() << " / expected " << c.expected;
            EXPECT_EQ(std::string(e.what()).rfind("test.dialect:", 0), 0u) << e.what();
        }
    }
}

TEST(Dialect, NamesAreLookedUpOnlyAsPlainNamesAndNumbersFillSetters) {
    const std::vector<std::string> path = {VANTREL_TEST_DIALECTS};
    EXPECT_THROW(loadDialect("../generic-scpi", path), InstrumentError);
    EXPECT_THROW(loadDialect("no-such-family", path), InstrumentError);
    EXPECT_THROW(loadDialect("", path), InstrumentError);
    EXPECT_EQ(fillCommand("FREQ {}", 150012500.0), "FREQ 150012500");
    EXPECT_EQ(fillCommand("POW {}", -104.5), "POW -104.5");
    EXPECT_EQ(fillCommand("VOLT {};OUTP ON", 7.25), "VOLT 7.25;OUTP ON");
    EXPECT_EQ(roleOfKey("Modulation_Analyzer"), Role::ModulationAnalyser);
    EXPECT_EQ(roleOfKey("power meter"), Role::PowerMeter);
    EXPECT_EQ(roleOfKey("meter"), std::nullopt);
}

// A shop drops its own family into the settings folder or a data folder: found before the shipped one.
TEST(Dialect, AFamilyDroppedIntoTheSettingsOrADataFolderIsFoundFirst) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vantrel-dialects-" + std::to_string(::getpid()));
    const fs::path settings = root / "settings", home = root / "home", shipped = root / "share";
    for (const fs::path& dir :
         {settings / "instruments", home / "vantrel" / "instruments", shipped / "instruments"})
        fs::create_directories(dir);
    const auto write = [](const fs::path& file, const std::string& where) {
        std::ofstream(file) << "dialect = shop-meter\ndescription = " << where
                            << "\n[power-meter]\nmeasure = MEAS:POW?\nunit = W\n";
    };
    const auto found = [](const std::vector<std::string>& path) {
        return loadDialect("shop-meter", path).description;
    };
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", "/nonexistent-share", 1);
    ::unsetenv("VANTREL_INSTRUMENTS_DIR");
    write(shipped / "instruments" / "shop-meter.dialect", "shipped");
    const auto path = [&] {
        return dialectSearchPath(settings.string(), shipped.string(), (root / "bin").string());
    };
    EXPECT_EQ(found(path()), "shipped");
    write(home / "vantrel" / "instruments" / "shop-meter.dialect", "user data");
    EXPECT_EQ(found(path()), "user data");
    write(settings / "instruments" / "shop-meter.dialect", "settings");
    EXPECT_EQ(found(path()), "settings");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_DATA_DIRS");
    fs::remove_all(root);
}

}  // namespace
}  // namespace vantrel
