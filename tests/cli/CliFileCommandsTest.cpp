// Tests of the tool's commands that work on files only: port, dump, import, report, help and usage.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "CliTestSupport.h"
#include "cli/CliExitCode.h"
#include "cli/ConsoleProgress.h"
#include "cli/RecordJson.h"
#include "link/RF_CommunicationSetup.h"
#include "operations/UserPrompt.h"
#include "operations/fileModule.h"
#include "operations/tuningReport.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

using test::fileText;
using test::linesOf;
using test::runCli;
using test::ScratchDirectory;
using test::writeText;

void fillRecord(radioStorage& record) {
    record.setSerialNo("123ABC4567");
    record.setModelNo("P47ABC1234      ");
    record.setDataVersion(35);
    record.setTuningProcedure(1);
    record.setValue(row::Frequency, col::FrequencyBase, 6000);
    for (int p = 0; p < record::kPointCount; ++p) {
        record.setValue(row::Frequency, col::TxPointFirst + p, 40 + p);
        record.setValue(row::Frequency, col::RxPointFirst + p, 60 + p);
        record.setValue(row::TxPower, col::TxPowerHigh + p, 90 + p);
    }
    record.setValue(row::RefOscWarp, col::Single, -17);
    record.markUnsupported(flag::RatedVolume);
}

std::string writeArchive(const ScratchDirectory& dir, const std::string& name) {
    radioStorage record;
    fillRecord(record);
    ScriptedPrompt prompt;
    fileModule files(prompt, [] { return 1234; });
    const std::string path = dir.file(name);
    EXPECT_TRUE(files.writeArchive(path, record));
    return path;
}

TEST(CliUsage, BadCommandLinesExit64WithOneLineOnStderr) {
    ScratchDirectory dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"read", "--port", "9"}, {"port", "7"}, {"dump"}, {"--nope"}}) {
        const auto run = runCli(dir.path(), args);
        EXPECT_EQ(run.exit, exitCode::Usage);
        EXPECT_TRUE(run.out.empty());
        ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
        EXPECT_TRUE(run.err.starts_with("vantrel-cli: ")) << run.err;
    }
}

TEST(CliUsage, HelpGoesToStdoutAndSucceeds) {
    ScratchDirectory dir;
    for (const char* name : {"read", "program", "dump", "import", "report", "port"}) {
        const auto run = runCli(dir.path(), {name, "--help"});
        EXPECT_EQ(run.exit, exitCode::Success) << name;
        EXPECT_TRUE(run.out.starts_with(std::string("Usage: vantrel-cli ") + name)) << run.out;
        EXPECT_TRUE(run.err.empty());
    }
    EXPECT_EQ(runCli(dir.path(), {"--help"}).out, cliUsage());
}

TEST(CliUsage, RadioCommandWithoutAnyPortRefusesBeforeOpeningOne) {
    ScratchDirectory dir;
    const auto run = runCli(dir.path(), {"read"});
    EXPECT_EQ(run.exit, exitCode::Usage);
    EXPECT_NE(run.err.find("no COM port is configured"), std::string::npos) << run.err;
}

TEST(CliPort, ShowsMinusOneWithoutComIniAndThePortAfterWriting) {
    ScratchDirectory dir;
    EXPECT_EQ(runCli(dir.path(), {"port"}).out, "-1\n");

    const auto write = runCli(dir.path(), {"port", "3"});
    EXPECT_EQ(write.exit, exitCode::Success);
    EXPECT_EQ(write.out, "COM Port 3 currently selected\n");
    EXPECT_EQ(fileText(comIni::path(dir.path().string())), "COM Port Id :3\n ");

    const auto show = runCli(dir.path(), {"port"});
    EXPECT_EQ(show.exit, exitCode::Success);
    EXPECT_EQ(show.out, "3\n");
}

TEST(CliPort, ListShowsEachComPortsDeviceAndStateThenTheAdapters) {
    ScratchDirectory dir;
    const std::string plain = dir.file("plain");
    writeText(plain, "x");
    setenv("VANTREL_COM1", "/dev/vantrel-no-such-port", 1);
    setenv("VANTREL_COM2", plain.c_str(), 1);
    setenv("VANTREL_COM3", "/dev/null", 1);
    unsetenv("VANTREL_COM4");
    const auto run = runCli(dir.path(), {"port", "--list"});
    unsetenv("VANTREL_COM1");
    unsetenv("VANTREL_COM2");
    unsetenv("VANTREL_COM3");
    EXPECT_EQ(run.exit, exitCode::Success) << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    ASSERT_GE(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[0], "COM1 /dev/vantrel-no-such-port: no such device");
    EXPECT_EQ(lines[1], "COM2 " + plain + ": not a serial device");
    EXPECT_EQ(lines[2], "COM3 /dev/null: not a serial device");
    EXPECT_EQ(lines[3].rfind("COM4 /dev/ttyS3: ", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind("Serial adapters in /dev/serial/by-id:", 0), 0u) << lines[4];
    EXPECT_EQ(fileText(plain), "x");
    EXPECT_FALSE(std::filesystem::exists(comIni::path(dir.path().string())));  // listing writes no COM.INI
}

TEST(CliPort, UnwritableProgramDirectoryExits6) {
    ScratchDirectory dir;
    const auto run = runCli(dir.file("missing/deeper"), {"port", "2"});
    EXPECT_EQ(run.exit, exitCode::FileFailure);
    EXPECT_EQ(linesOf(run.err).size(), 1u) << run.err;
}

TEST(CliDump, PrintsTheRecordOfAnArchiveAsJson) {
    ScratchDirectory dir;
    const std::string archive = writeArchive(dir, "a.sfp");
    const auto run = runCli(dir.path(), {"dump", archive});
    ASSERT_EQ(run.exit, exitCode::Success) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;  // not even the load note: stdout is the JSON alone
    const nlohmann::json j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["serialNo"], "123ABC4567");
    EXPECT_EQ(j["values"][2][0], -17);
    EXPECT_EQ(j["supported"]["12"], false);
    EXPECT_EQ(j["dataVersion"], 35);
}

TEST(CliDump, LoadFailureGoesToStderrAndExits6) {
    ScratchDirectory dir;
    writeText(dir.file("not.sfp"), "hello, this is no archive");
    const auto notArchive = runCli(dir.path(), {"dump", dir.file("not.sfp")});
    EXPECT_EQ(notArchive.exit, exitCode::FileFailure);
    EXPECT_TRUE(notArchive.out.empty());
    EXPECT_EQ(notArchive.err, "Invalid file format!! File is not an *.SFP file\n");

    const auto missing = runCli(dir.path(), {"dump", dir.file("gone.sfp")});
    EXPECT_EQ(missing.exit, exitCode::FileFailure);
    EXPECT_EQ(missing.err, "Archive File could not be opened!!\n" + dir.file("gone.sfp") +
                               ": No such file or directory\n");
}

TEST(CliImport, DumpThenImportGivesTheSameRecord) {
    ScratchDirectory dir;
    const auto first = runCli(dir.path(), {"dump", writeArchive(dir, "a.sfp")});
    writeText(dir.file("a.json"), first.out);

    const auto import = runCli(dir.path(), {"import", dir.file("a.json"), "-o", dir.file("b.sfp")});
    ASSERT_EQ(import.exit, exitCode::Success) << import.err;
    EXPECT_EQ(import.out, "Tuning data has been saved.\n");
    EXPECT_EQ(runCli(dir.path(), {"dump", dir.file("b.sfp")}).out, first.out);
}

TEST(CliImport, RejectsAProcedureThatDiffersFromTheTable) {
    ScratchDirectory dir;
    nlohmann::json j = nlohmann::json::parse(runCli(dir.path(), {"dump", writeArchive(dir, "a.sfp")}).out);
    j["tuningProcedure"] = 2;
    writeText(dir.file("bad.json"), j.dump());

    const auto run = runCli(dir.path(), {"import", dir.file("bad.json"), "-o", dir.file("out.sfp")});
    EXPECT_EQ(run.exit, exitCode::FileFailure);
    ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find("tuningProcedure (2) differs from values[0][8] (1)"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.sfp")));
}

TEST(CliImport, RefusesWhatAnArchiveCannotCarry) {
    ScratchDirectory dir;
    const nlohmann::json valid =
        nlohmann::json::parse(runCli(dir.path(), {"dump", writeArchive(dir, "a.sfp")}).out);
    nlohmann::json procedure = valid;
    procedure["tuningProcedure"] = 3;
    procedure["values"][0][8] = 3;
    nlohmann::json marker = valid;
    marker["values"][3][0] = 4095;  // transmit power is supported in the archive
    for (const auto& [json, key] :
         {std::pair{procedure, "tuningProcedure"}, std::pair{marker, "values[3][0]"}}) {
        writeText(dir.file("bad.json"), json.dump());
        const auto run = runCli(dir.path(), {"import", dir.file("bad.json"), "-o", dir.file("out.sfp")});
        EXPECT_EQ(run.exit, exitCode::FileFailure) << key;
        ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
        EXPECT_NE(run.err.find(key), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.sfp"))) << key;
    }
}

TEST(CliImport, UnreadableInputAndUnwritableOutputExit6) {
    ScratchDirectory dir;
    EXPECT_EQ(runCli(dir.path(), {"import", dir.file("none.json"), "-o", dir.file("o.sfp")}).exit,
              exitCode::FileFailure);

    writeText(dir.file("a.json"), runCli(dir.path(), {"dump", writeArchive(dir, "a.sfp")}).out);
    const auto run = runCli(dir.path(), {"import", dir.file("a.json"), "-o", dir.file("no/such/dir.sfp")});
    EXPECT_EQ(run.exit, exitCode::FileFailure);
    EXPECT_EQ(run.out, "Archive File could not be saved!!\n" + dir.file("no/such/dir.sfp") +
                           ": No such file or directory\n");
}

TEST(CliReport, WritesTheReportOfTheArchive) {
    ScratchDirectory dir;
    const std::string archive = writeArchive(dir, "a.sfp");
    const auto run = runCli(dir.path(), {"report", archive, "-o", dir.file("r.txt")});
    ASSERT_EQ(run.exit, exitCode::Success) << run.err;

    radioStorage loaded;
    ScriptedPrompt prompt;
    fileModule files(prompt);
    ASSERT_EQ(files.readArchive(archive, loaded), ArchiveLoadResult::Loaded);
    EXPECT_EQ(fileText(dir.file("r.txt")), tuningReport(loaded).text());

    EXPECT_EQ(runCli(dir.path(), {"report", dir.file("gone.sfp")}).exit, exitCode::FileFailure);
    EXPECT_EQ(runCli(dir.path(), {"report", archive, "-o", dir.file("no/dir/r.txt")}).exit,
              exitCode::FileFailure);
}

TEST(CliSave, SpecialFilesAreWrittenInPlaceAndLinksFollowed) {
    ScratchDirectory dir;
    const std::string archive = writeArchive(dir, "a.sfp");
    const std::string expected = runCli(dir.path(), {"report", archive, "-o", "-"}).out;
    ASSERT_FALSE(expected.empty());

    // A FIFO stays a FIFO and its reader gets the report.
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(runCli(dir.path(), {"report", archive, "-o", fifo}).exit, exitCode::Success);
    std::string got(expected.size() + 10, '\0');
    const ssize_t n = read(reader, got.data(), got.size());
    close(reader);
    got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    // The character device /dev/null takes the report and stays a device.
    EXPECT_EQ(runCli(dir.path(), {"report", archive, "-o", "/dev/null"}).exit, exitCode::Success);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    // A symbolic link (relative, through a second link) stays a link; its target is replaced.
    writeText(dir.file("target.txt"), "old");
    std::filesystem::create_symlink("target.txt", dir.file("middle"));
    std::filesystem::create_symlink(dir.file("middle"), dir.file("link"));
    EXPECT_EQ(runCli(dir.path(), {"report", archive, "-o", dir.file("link")}).exit, exitCode::Success);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("middle")));
    EXPECT_EQ(fileText(dir.file("target.txt")), expected);

    // A dangling link gets its target created.
    std::filesystem::create_symlink("new.sfp", dir.file("dangling.sfp"));
    writeText(dir.file("a.json"), runCli(dir.path(), {"dump", archive}).out);
    EXPECT_EQ(runCli(dir.path(), {"import", dir.file("a.json"), "-o", dir.file("dangling.sfp")}).exit,
              exitCode::Success);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling.sfp")));
    EXPECT_EQ(runCli(dir.path(), {"dump", dir.file("new.sfp")}).out,
              runCli(dir.path(), {"dump", archive}).out);
}

TEST(CliSave, ExistingFileKeepsItsModeAndDashMeansStdout) {
    ScratchDirectory dir;
    const std::string archive = writeArchive(dir, "a.sfp");
    writeText(dir.file("a.json"), runCli(dir.path(), {"dump", archive}).out);

    writeText(dir.file("b.sfp"), "old");
    ASSERT_EQ(chmod(dir.file("b.sfp").c_str(), 0640), 0);
    ASSERT_EQ(runCli(dir.path(), {"import", dir.file("a.json"), "-o", dir.file("b.sfp")}).exit,
              exitCode::Success);
    struct stat st {};
    ASSERT_EQ(stat(dir.file("b.sfp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // The archive on stdout, the message on stderr; the archive loads like the file.
    const auto toStdout = runCli(dir.path(), {"import", dir.file("a.json"), "-o", "-"});
    ASSERT_EQ(toStdout.exit, exitCode::Success);
    EXPECT_EQ(toStdout.err, "Tuning data has been saved.\n");
    writeText(dir.file("c.sfp"), toStdout.out);
    EXPECT_EQ(runCli(dir.path(), {"dump", dir.file("c.sfp")}).out, runCli(dir.path(), {"dump", archive}).out);
    EXPECT_FALSE(std::filesystem::exists(dir.file("-")));
}

TEST(CliSave, TemporaryFileOfAKilledSaveIsRemovedByTheNextSave) {
    ScratchDirectory dir;
    const std::string archive = writeArchive(dir, "a.sfp");
    writeText(dir.file("a.json"), runCli(dir.path(), {"dump", archive}).out);

    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    ASSERT_GT(gone, 0);
    waitpid(gone, nullptr, 0);
    const std::string stale = dir.file("b.sfp.~" + std::to_string(gone) + "-7.tmp");
    const std::string alive = dir.file("b.sfp.~" + std::to_string(getppid()) + "-7.tmp");
    const std::string foreign = dir.file("notes.~" + std::to_string(gone) + ".tmp");
    for (const std::string& f : {stale, alive, foreign}) writeText(f, "partial");

    ASSERT_EQ(runCli(dir.path(), {"import", dir.file("a.json"), "-o", dir.file("b.sfp")}).exit,
              exitCode::Success);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(alive));    // its process still runs
    EXPECT_TRUE(std::filesystem::exists(foreign));  // not our name pattern
}

TEST(ConsoleProgressOutput, PipesGetOneLinePerStepText) {
    std::ostringstream out;
    {
        ConsoleProgress progress(out, false);
        progress.SetText("Reading Softpots from radio...");
        progress.SetText("5% Complete");
        progress.SetPercentDone(5);
        progress.SetText("30% Complete");
        progress.SetPercentDone(30);
        progress.SetPercentDone(100);
    }
    EXPECT_EQ(out.str(), "Reading Softpots from radio...\n5% Complete\n30% Complete\n");
}

TEST(ConsoleProgressOutput, TerminalsGetOneRedrawnBarEndedOnce) {
    std::ostringstream out;
    {
        ConsoleProgress progress(out, true);
        progress.SetText("A much longer step text");
        progress.SetText("30% Complete");
        progress.SetPercentDone(30);
        progress.SetPercentDone(100);
    }
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_EQ(text.back(), '\n');
    const std::string last = text.substr(text.rfind('\r') + 1);
    EXPECT_TRUE(last.starts_with("[" + std::string(ConsoleProgress::kBarWidth, '#') + "] 30% Complete"))
        << last;
    // The shorter text blanked out what the longer one left.
    EXPECT_EQ(last.find("text"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
