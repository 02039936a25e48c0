// The command-line tool: runs one command line against the core library and answers its exit code.
#include "cli/CliApp.h"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>

#include "VantrelVersion.h"
#include "alignment/alignment.h"
#include "cli/BenchCommand.h"
#include "cli/CliExitCode.h"
#include "cli/CliSession.h"
#include "cli/ConsoleProgress.h"
#include "cli/ConsolePrompt.h"
#include "cli/HistoryOutput.h"
#include "cli/PortOverrideOpener.h"
#include "cli/RecordJson.h"
#include "cli/StopSignal.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySpool.h"
#include "history/historyExport.h"
#include "history/historySetup.h"
#include "history/storedText.h"
#include "instruments/InstrumentError.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/PosixSerialDevice.h"
#include "link/RF_CommunicationSetup.h"
#include "link/cominit.h"
#include "link/dataFiles.h"
#include "link/portDiscovery.h"
#include "link/portMapping.h"
#include "link/regularFile.h"
#include "link/writeFileAtomically.h"
#include "operations/basebandOffsets.h"
#include "operations/bboConfigFileModule.h"
#include "operations/fileModule.h"
#include "operations/linkMonitor.h"
#include "operations/operationFailure.h"
#include "operations/portInUseMessage.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "operations/recordCompare.h"
#include "operations/serviceHistory.h"
#include "operations/sharedMessages.h"
#include "operations/tuningReport.h"
#include "operations/utilityOperations.h"
#include "operations/utilityRules.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

// Texts the user knows from the application.
constexpr const char* kSaved = "Tuning data has been saved.";
constexpr const char* kSaveFailed = "Archive File could not be saved!!";
constexpr const char* kInvalidSerial = "Invalid";

constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;
constexpr int kProgressDone = 100;
constexpr const char* kPortInUse = kPortInUseText;
constexpr const char* kLinkError = message::LinkError;
constexpr const char* kBlankSerial = "          ";
/// How long a command's end waits for the history store before the events go to the spool.
constexpr std::chrono::milliseconds kHistoryBudget{3000};

// The link context of one radio command: the program directory and the port choice of the command
// line, restored to what it was when the command ends.
class RadioLinkScope {
  public:
    RadioLinkScope(const std::string& programDirectory, const CliOptions& options)
        : m_inner(linkContext().portOpener()) {
        LinkContext context = linkContext();
        context.programDirectory = programDirectory;
        if (options.device) {
            m_fixed.emplace(*options.device);
            context.opener = &*m_fixed;
        } else if (options.port) {
            m_override.emplace(m_inner, static_cast<unsigned>(*options.port));
            context.opener = &*m_override;
        }
        context.stopSignal = &stopSignal::pending;
        m_scope.emplace(std::move(context));
    }

  private:
    // While the radio may be in a test mode or keyed, a signal waits for the reset.
    stopSignal::RadioScope m_radio;
    PortOpener& m_inner;
    std::optional<FixedPathOpener> m_fixed;
    std::optional<PortOverrideOpener> m_override;
    std::optional<ScopedLinkContext> m_scope;  // last: restores the context before the openers go
};

// A record file is a few kilobytes; this bounds what a wrong file name can make the tool hold.
constexpr std::size_t kImportFileLimit = 16 << 20;

}  // namespace

int CliApp::run(const std::vector<std::string>& args) {
    return checkedOutput(runCommand(args));
}

int CliApp::checkedOutput(int code) {
    // A stream that failed once stays failed, so one look after the final flush covers every write.
    errno = 0;
    m_io.out.flush();
    if (m_io.out.good())
        return code;
    const int error = errno;
    fail(std::string("cannot write to standard output") +
         (error != 0 ? std::string(": ") + std::strerror(error) : ""));
    return code == exitCode::Success ? exitCode::FileFailure : code;
}

int CliApp::runCommand(const std::vector<std::string>& args) {
    try {
        if (isBenchCommand(args))
            return runBenchCommand(args, m_programDirectory, m_io.out, m_io.err);
        if (isAlignCommand(args)) {
            auto parsed = parseAlignArguments(args);
            if (auto* error = std::get_if<std::string>(&parsed)) {
                fail(*error);
                return exitCode::Usage;
            }
            m_align = std::get<AlignOptions>(parsed);
            if (m_align.help) {
                m_io.out << alignUsage() << std::flush;
                return exitCode::Success;
            }
            CliOptions options;
            options.command = CliCommand::Align;
            options.port = m_align.port;
            options.device = m_align.device;
            options.history = m_align.history;
            return recordedDispatch(options);
        }
        auto parsed = parseCliArguments(args);
        if (auto* error = std::get_if<CliUsageError>(&parsed)) {
            fail(error->message);
            return exitCode::Usage;
        }
        const CliOptions& options = std::get<CliOptions>(parsed);
        if (options.help) {
            m_io.out << (options.helpTopic ? cliUsage(*options.helpTopic) : cliUsage()) << std::flush;
            return exitCode::Success;
        }
        if (options.trace)
            return tracedDispatch(options);
        return recordedDispatch(options);
    } catch (const Exception& e) {
        fail("link failure: " + e.describe());
    } catch (const std::exception& e) {
        fail(std::string("internal error: ") + e.what());
    } catch (...) {
        fail("internal error");
    }
    return exitCode::InternalError;
}

int CliApp::dispatch(const CliOptions& options) {
    switch (options.command) {
        case CliCommand::Read:
            return readRadioCommand(options);
        case CliCommand::Program:
            return programCommand(options);
        case CliCommand::Dump:
            return dumpCommand(options);
        case CliCommand::Import:
            return importCommand(options);
        case CliCommand::Report:
            return reportCommand(options);
        case CliCommand::Diff:
            return diffCommand(options);
        case CliCommand::Port:
            return portCommand(options);
        case CliCommand::Serial:
            return serialCommand(options);
        case CliCommand::TempComp:
            return tempCompCommand(options);
        case CliCommand::Bbo:
            return bboCommand(options);
        case CliCommand::Session:
            return sessionCommand(options);
        case CliCommand::History:
            return historyCommand(options);
        case CliCommand::Align:
            return alignCommand(options);
        case CliCommand::Help:
            break;
    }
    m_io.out << cliUsage() << std::flush;
    return exitCode::Success;
}

int CliApp::tracedDispatch(const CliOptions& options) {
    // The monitor hears every connection of the command; the trace is written whatever the outcome,
    // as a failing run is what support wants to see.
    linkMonitor monitor;
    monitor.setHeader(VANTREL_VERSION, "", "");
    LinkContext context = linkContext();
    context.tap = &monitor;
    int code = exitCode::InternalError;
    {
        ScopedLinkContext scope(context);
        try {
            code = dispatch(options);
        } catch (const Exception& e) {
            monitor.note("link failure: " + e.what());
            saveTrace(monitor, *options.trace);
            throw;
        }
    }
    monitor.note("exit code " + std::to_string(code));
    if (!saveTrace(monitor, *options.trace) && code == exitCode::Success)
        code = exitCode::FileFailure;
    return code;
}

bool CliApp::saveTrace(const linkMonitor& monitor, const std::string& path) {
    if (monitor.save(path))
        return true;
    fail("the trace could not be written to " + path);
    return false;
}

void CliApp::fail(const std::string& message) {
    m_io.err << "vantrel-cli: " << message << '\n' << std::flush;
}

bool CliApp::havePort(const CliOptions& options) {
    if (options.port || options.device)
        return true;
    const int port = comIni::read(m_programDirectory);
    if (port >= kFirstPort && port <= kLastPort)
        return true;
    if (port < 0)
        fail("no COM port is configured (" + comIni::path(m_programDirectory) +
             "): choose one with `vantrel-cli port N`, --port N or --device PATH");
    else
        fail(comIni::path(m_programDirectory) + " names port " + std::to_string(port) +
             ", but ports are 1 to 4: choose one with `vantrel-cli port N`, --port N or --device PATH");
    return false;
}

std::optional<int> CliApp::readFromRadio(const CliOptions& options, radioStorage& record,
                                         ReadRadioOutcome& outcome) {
    {
        RadioLinkScope scope(m_programDirectory, options);
        ConsoleProgress progress(m_io.err, m_io.errIsTerminal);
        progress.SetText(radioOperations::kProgressTitle);
        radioOperations operations;
        try {
            outcome = operations.readRadioCommand(record, progress);
        } catch (const OperationInterrupted& stop) {
            return interrupted(stop.signal(), operations.lastFailure().detailLines(false));
        }
    }
    // A stop asked for after the last exchange: the read is complete, but nothing is saved.
    if (const int signal = stopSignal::pending(); signal != 0)
        return interrupted(signal, {});
    return std::nullopt;
}

int CliApp::readExitCode(const ReadRadioOutcome& outcome) {
    switch (outcome.kind) {
        case ReadRadioOutcome::Kind::PortInUse:
            return exitCode::PortBusy;
        case ReadRadioOutcome::Kind::LinkFailed:
            return exitCode::LinkFailure;
        case ReadRadioOutcome::Kind::PointsInvalid:
            return exitCode::InvalidFrequency;
        case ReadRadioOutcome::Kind::PowerUpFailed:
            return exitCode::PowerUpFailure;
        case ReadRadioOutcome::Kind::Cancelled:  // the console's progress offers no cancel; signals stop
            return exitCode::NotConfirmed;
        case ReadRadioOutcome::Kind::Read:
            break;
    }
    return exitCode::Success;
}

int CliApp::readRadioCommand(const CliOptions& options) {
    if (!havePort(options))
        return exitCode::Usage;
    // A read takes many seconds: an archive that cannot be saved is refused before it starts.
    if (options.output && *options.output != kStandardOutput) {
        if (const FileWriteResult writable = checkWritable(*options.output); !writable) {
            ConsolePrompt(&m_io.out).show(kSaveFailed, "ERROR", PromptIcon::Exclamation);
            printDetail(m_io.out, *options.output + ": " + writable.reason());
            return exitCode::FileFailure;
        }
    }
    radioStorage record;
    ReadRadioOutcome outcome;
    if (const std::optional<int> stopped = readFromRadio(options, record, outcome))
        return *stopped;
    ConsolePrompt prompt(&messageStream(options));
    for (const PromptMessage& message : radioOperations::messagesFor(outcome)) prompt.show(message);
    for (const std::string& line : outcome.failure.detailLines(false)) printDetail(m_io.err, line);

    if (outcome.kind == ReadRadioOutcome::Kind::PortInUse)
        return exitCode::PortBusy;  // never started: no record
    int code = readExitCode(outcome);
    if (outcome.kind == ReadRadioOutcome::Kind::Read && options.output)
        code = saveArchive(*options.output, record, prompt, messageStream(options));
    if (options.json)
        m_io.out << RecordJson::toJson(record) << std::flush;
    return code;
}

bool CliApp::confirmProgram() {
    if (!m_io.inIsTerminal) {
        fail("not programming without confirmation: stdin is not a terminal (pass --yes)");
        return false;
    }
    m_io.err << radioProgramAll::confirmationPrompt().text << " (y/n) " << std::flush;
    std::string answer;
    if (!std::getline(m_io.in, answer))
        answer.clear();
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES")
        return true;
    fail("Program Radio cancelled");
    return false;
}

int CliApp::programCommand(const CliOptions& options) {
    if (!havePort(options))
        return exitCode::Usage;
    radioStorage record;
    ConsolePrompt prompt(&m_io.out);
    fileModule files(prompt);
    const bool loaded = files.readArchive(*options.file, record) == ArchiveLoadResult::Loaded;
    serviceHistory::recordArchive(EventKind::ArchiveLoad, *options.file, record, loaded,
                                  files.lastFailureDetail());
    if (!loaded) {
        printDetail(m_io.out, files.lastFailureDetail());
        return exitCode::FileFailure;
    }
    if (!options.yes && !confirmProgram())
        return exitCode::NotConfirmed;

    ProgramOutcome outcome = ProgramOutcome::Programmed;
    operationFailure failure;
    {
        RadioLinkScope scope(m_programDirectory, options);
        ConsoleProgress progress(m_io.err, m_io.errIsTerminal);
        progress.SetText(radioProgramAll::kProgressTitle);
        try {
            outcome = radioProgramAll::programRadioCommand(record, progress, &failure);
        } catch (const OperationInterrupted& stop) {
            return interrupted(stop.signal(), failure.detailLines(true));
        }
    }

    prompt.show(radioProgramAll::messageFor(outcome, failure));
    const bool wroteSomething = outcome == ProgramOutcome::LinkFailed;
    for (const std::string& line : failure.detailLines(wroteSomething)) printDetail(m_io.err, line);
    switch (outcome) {
        case ProgramOutcome::Programmed:
            return exitCode::Success;
        case ProgramOutcome::SerialMismatch:
            return exitCode::SerialMismatch;
        case ProgramOutcome::LinkFailed:
            return exitCode::LinkFailure;
        case ProgramOutcome::PortInUse:
            return exitCode::PortBusy;
        case ProgramOutcome::Cancelled:  // the console's progress offers no cancel; signals stop
            return exitCode::NotConfirmed;
    }
    return exitCode::InternalError;
}

bool CliApp::loadQuietly(const std::string& path, radioStorage& record) {
    ConsolePrompt held(nullptr);
    fileModule files(held);
    if (files.readArchive(path, record) == ArchiveLoadResult::Loaded)
        return true;
    held.release(m_io.err);
    printDetail(m_io.err, files.lastFailureDetail());
    return false;
}

int CliApp::interrupted(int signal, const std::vector<std::string>& detail) {
    fail(std::string("stopped by ") +
         (signal == SIGINT    ? "SIGINT"
          : signal == SIGTERM ? "SIGTERM"
          : signal == SIGHUP  ? "SIGHUP"
                              : "a signal") +
         "; the radio was sent a reset and nothing was saved");
    for (const std::string& line : detail) printDetail(m_io.err, line);
    return exitCode::Interrupted + signal;
}

std::ostream& CliApp::messageStream(const CliOptions& options) {
    return options.output == kStandardOutput ? m_io.err : m_io.out;
}

void CliApp::printDetail(std::ostream& stream, const std::string& detail) {
    if (!detail.empty())
        stream << detail << '\n' << std::flush;
}

int CliApp::saveArchive(const std::string& target, const radioStorage& record, UserPrompt& prompt,
                        std::ostream& messages) {
    if (target == kStandardOutput) {
        m_io.out << fileModule::encodeArchive(record, fileModule::timeSeededKey()) << std::flush;
    } else {
        fileModule files(prompt);
        const bool saved = files.writeArchive(target, record);
        serviceHistory::recordArchive(EventKind::ArchiveSave, target, record, saved,
                                      files.lastFailureDetail());
        if (!saved) {
            printDetail(messages, files.lastFailureDetail());
            return exitCode::FileFailure;
        }
    }
    prompt.show(kSaved, "NOTE", PromptIcon::Information);
    return exitCode::Success;
}

int CliApp::dumpCommand(const CliOptions& options) {
    radioStorage record;
    if (!loadQuietly(*options.file, record))
        return exitCode::FileFailure;
    m_io.out << RecordJson::toJson(record) << std::flush;
    return exitCode::Success;
}

int CliApp::importCommand(const CliOptions& options) {
    // A FIFO or device named as the file is refused instead of waiting for a writer that never comes.
    const RegularFileText text = readRegularFile(*options.file, kImportFileLimit);
    if (!text) {
        fail("cannot read " + *options.file + ": " + text.reason());
        return exitCode::FileFailure;
    }
    radioStorage record;
    if (const auto error = RecordJson::fromJson(text.text, record)) {
        fail(*options.file + ": " + error->message);
        return exitCode::FileFailure;
    }
    ConsolePrompt prompt(&messageStream(options));
    return saveArchive(*options.output, record, prompt, messageStream(options));
}

int CliApp::reportCommand(const CliOptions& options) {
    radioStorage record;
    if (!loadQuietly(*options.file, record))
        return exitCode::FileFailure;
    const std::string path = options.output.value_or(std::string(tuningReport::kDefaultFileName));
    tuningReport report(record);
    if (path == kStandardOutput) {
        m_io.out << report.text() << std::flush;
        return exitCode::Success;
    }
    if (const FileWriteResult written = report.write(path); !written) {
        fail("cannot write the report to " + path + ": " + written.reason());
        return exitCode::FileFailure;
    }
    return exitCode::Success;
}

int CliApp::diffCommand(const CliOptions& options) {
    radioStorage a;
    if (!loadQuietly(*options.file, a))
        return exitCode::FileFailure;
    radioStorage b;
    if (options.radio) {
        if (!havePort(options))
            return exitCode::Usage;
        ReadRadioOutcome outcome;
        if (const std::optional<int> stopped = readFromRadio(options, b, outcome))
            return *stopped;
        // stdout carries the differences: the read's messages go to stderr.
        ConsolePrompt prompt(&m_io.err);
        for (const PromptMessage& message : radioOperations::messagesFor(outcome)) prompt.show(message);
        for (const std::string& line : outcome.failure.detailLines(false)) printDetail(m_io.err, line);
        if (const int code = readExitCode(outcome); code != exitCode::Success)
            return code;
    } else if (!loadQuietly(*options.otherFile, b)) {
        return exitCode::FileFailure;
    }
    const std::vector<std::string> lines = recordCompare::lines(a, b);
    if (lines.empty()) {
        m_io.out << "No differences\n" << std::flush;
        return exitCode::Success;
    }
    for (const std::string& line : lines) m_io.out << line << '\n';
    m_io.out << std::flush;
    return exitCode::Different;
}

int CliApp::portCommand(const CliOptions& options) {
    if (options.mapPort || options.unmapPort)
        return portMappingCommand(options);
    if (options.list) {
        std::vector<IgnoredLine> ignored;
        const PortMapping mapping = readPortMapping(m_programDirectory, &ignored);
        tellIgnoredMappingLines(ignored);
        for (unsigned n = 1; n <= 4; ++n)
            m_io.out << portLine(describeComPort(n, routeOf(n, mapping))) << '\n';
        const std::string directory = serialAdapterDirectory();
        const std::vector<SerialAdapter> adapters = listSerialAdapters(directory);
        m_io.out << "Serial adapters in " << directory << ":" << (adapters.empty() ? " none\n" : "\n");
        for (const SerialAdapter& adapter : adapters) {
            m_io.out << "  " << adapter.name << " -> " << adapter.target;
            const std::vector<unsigned> ports = portsMappedTo(adapter, mapping);
            for (std::size_t i = 0; i < ports.size(); ++i)
                m_io.out << (i ? ", COM" : " (mapped to COM") << ports[i];
            m_io.out << (ports.empty() ? "\n" : ")\n");
        }
        m_io.out << std::flush;
        return exitCode::Success;
    }
    if (!options.portToWrite) {
        m_io.out << comIni::read(m_programDirectory) << '\n' << std::flush;
        return exitCode::Success;
    }
    if (!comIni::write(m_programDirectory, *options.portToWrite)) {
        fail("cannot write " + comIni::path(m_programDirectory));
        return exitCode::FileFailure;
    }
    m_io.out << "COM Port " << *options.portToWrite << " currently selected\n" << std::flush;
    return exitCode::Success;
}

void CliApp::tellIgnoredMappingLines(const std::vector<IgnoredLine>& ignored) {
    const std::string path = portMappingPath(m_programDirectory);
    for (const IgnoredLine& line : ignored) {
        m_io.err << "vantrel-cli: " << path;
        if (line.line > 0)
            m_io.err << " line " << line.line;
        m_io.err << " ignored: " << line.reason << '\n';
    }
    m_io.err << std::flush;
}

int CliApp::portMappingCommand(const CliOptions& options) {
    std::vector<IgnoredLine> ignored;
    PortMapping mapping = readPortMapping(m_programDirectory, &ignored);
    tellIgnoredMappingLines(ignored);
    const unsigned port = unsigned(options.mapPort ? *options.mapPort : *options.unmapPort);
    const std::string name = "COM" + std::to_string(port);
    std::string path;
    if (options.mapPort) {
        path = mappedPathFor(*options.mapPath, serialAdapterDirectory());
        if (path.empty()) {
            fail("--map " + name + " " + *options.mapPath + ": not an adapter name or a device path");
            return exitCode::Usage;
        }
        mapping[port] = path;
    } else if (mapping.erase(port) == 0) {
        m_io.out << name << " was not mapped; it opens " << routeOf(port, mapping).device << '\n'
                 << std::flush;
        return exitCode::Success;
    }
    if (std::string reason; !writePortMapping(m_programDirectory, mapping, &reason)) {
        fail("cannot save " + portMappingPath(m_programDirectory) + ": " + reason);
        return exitCode::FileFailure;
    }
    if (options.mapPort) {
        m_io.out << name << " now opens " << path << '\n';
        const ComPortInfo info = describeComPort(port, routeOf(port, PortMapping{{port, path}}));
        if (info.state == PortState::Missing)
            m_io.out << "  (missing: the adapter is not plugged in now)\n";
    } else {
        m_io.out << name << " is no longer mapped; it opens " << routeOf(port, PortMapping{}).device << '\n';
    }
    if (const PortRoute route = routeOf(port, mapping); route.source == PortSource::Environment)
        m_io.out << "  (VANTREL_" << name << " is set: this run's environment still opens " << route.device
                 << ")\n";
    m_io.out << std::flush;
    return exitCode::Success;
}

}  // namespace vantrel

namespace vantrel {

int CliApp::withRadio(const CliOptions& options, const std::string& failure,
                      const std::function<int(EnhancedSBEP&)>& action) {
    if (!havePort(options))
        return exitCode::Usage;
    RadioLinkScope scope(m_programDirectory, options);
    try {
        cominit link;
        return action(link);
    } catch (const PortInUseError& e) {
        m_io.out << kPortInUse << '\n' << std::flush;
        m_io.err << e.detail() << '\n' << std::flush;
        return exitCode::PortBusy;
    } catch (const OperationInterrupted& stop) {
        // Asked to stop between two exchanges: the radio is left safe before the tool ends.
        resetAfterFailure();
        return interrupted(stop.signal(), {});
    } catch (const Exception& e) {
        // The request and what came back: a refusal reads "request not supported by the radio".
        m_io.out << failure << '\n' << std::flush;
        m_io.err << e.describe() << '\n' << std::flush;
        return exitCode::LinkFailure;
    }
}

int CliApp::serialCommand(const CliOptions& options) {
    return withRadio(options, kLinkError, [&](EnhancedSBEP& link) {
        std::string back;
        const serialProgramming::result result =
            serialProgramming::program(link, kBlankSerial, *options.serialNo, true, &back);
        if (result == serialProgramming::result::OtherRadio ||
            result == serialProgramming::result::TooShort) {
            m_io.out << serialRule::NotBlankText << '\n' << std::flush;
            return exitCode::SerialMismatch;
        }
        const bool programmed = result == serialProgramming::result::Programmed;
        serviceHistory::recordUtility(serviceHistory::kSerialSubject, programmed ? back : *options.serialNo,
                                      "", {}, programmed ? eventOutcome::Ok : eventOutcome::Failed,
                                      programmed ? "the serial number was blank"
                                                 : "the radio reads back the serial number \"" + back + "\"");
        if (!programmed) {
            fail("the radio reads back the serial number \"" + back + "\"");
            return exitCode::SerialMismatch;
        }
        m_io.out << serialRule::ProgrammedText << '\n' << std::flush;
        return exitCode::Success;
    });
}

int CliApp::tempCompCommand(const CliOptions& options) {
    if (!options.tempComp) {
        return withRadio(options, tempCompRule::ReadFailedText, [&](EnhancedSBEP& link) {
            m_io.out << tempCompRule::format(link.readTempComp()) << '\n' << std::flush;
            return exitCode::Success;
        });
    }
    return withRadio(options, tempCompRule::WriteFailedText, [&](EnhancedSBEP& link) {
        const tempComp::bytes& bytes = *options.tempComp;
        tempComp::write(link, bytes);
        const tempComp::bytes back = link.readTempComp();
        // The command reads no serial number: its event is found with history --list.
        std::vector<EventValue> values;
        for (std::size_t i = 0; i < back.size(); ++i) {
            const int column = col::TempCompFirst + static_cast<int>(i);
            values.push_back({serviceHistory::valueName(row::Frequency, column), row::Frequency, column,
                              std::nullopt, back[i]});
        }
        serviceHistory::recordUtility(
            serviceHistory::kTempCompSubject, "", "", std::move(values),
            back == bytes ? eventOutcome::Ok : eventOutcome::Failed,
            "written " + tempCompRule::format(bytes) + ", read back " + tempCompRule::format(back));
        if (back != bytes) {
            fail("the radio reads back " + tempCompRule::format(back));
            return exitCode::SerialMismatch;
        }
        m_io.out << tempCompRule::WrittenText << '\n' << tempCompRule::format(back) << '\n' << std::flush;
        return exitCode::Success;
    });
}

int CliApp::bboCommand(const CliOptions& options) {
    bboConfigFileModule config;
    if (options.config) {
        const bboLoadResult loaded = config.loadFile(*options.config);
        if (loaded != bboLoadResult::Loaded) {
            m_io.out << bboConfigFileModule::messageFor(loaded).text << '\n' << std::flush;
            return exitCode::FileFailure;
        }
    }
    return withRadio(options, kLinkError, [&](EnhancedSBEP& link) {
        basebandUpdate offsets(config);
        using result = basebandUpdate::result;
        switch (offsets.prepare(link)) {
            case result::NeedsConfig:
                fail(
                    "this radio keeps its offsets in a codeplug table: name its configuration file with "
                    "--config "
                    "FILE");
                return exitCode::Usage;
            case result::NotMatched:
                m_io.out << bboConfigFileModule::messageFor(offsets.match()).text << '\n' << std::flush;
                return offsets.match() == bboMatchResult::LinkFailed ? exitCode::LinkFailure
                                                                     : exitCode::FileFailure;
            case result::LoadFailed:
                m_io.out << bboText::InitFailed << '\n' << std::flush;
                return exitCode::LinkFailure;
            default:
                break;
        }
        const std::vector<std::string> names = offsets.rowNames();
        if (options.sets.empty()) {
            for (int s = 0; s < bboCode::Spacings; ++s) {
                m_io.out << basebandUpdate::kSpacingNames[s] << '\n';
                for (int j = 0; j < int(names.size()); ++j)
                    m_io.out << "  " << names[std::size_t(j)] << ": "
                             << bboCode::text(offsets.offsets().defaultCode(s, j)) << '\n';
            }
            m_io.out << std::flush;
            return exitCode::Success;
        }
        if (offsets.readChecksum(link) != result::Ok) {
            m_io.out << kLinkError << '\n' << std::flush;
            return exitCode::LinkFailure;
        }
        if (offsets.offsets().interruptedUpdateFound())
            fail(
                "an earlier update of this radio stopped before its codeplug checksum; this update puts it "
                "right");
        for (const auto& [name, code] : options.sets) {
            switch (offsets.choose(name, options.spacing ? *options.spacing : -1, code)) {
                case result::NoSuchRow: {
                    std::string list;
                    for (std::size_t j = 0; j < names.size(); ++j) list += (j ? ", " : "") + names[j];
                    fail("no row named \"" + name + "\" (rows: " + list + ")");
                    return exitCode::Usage;
                }
                case result::EntryError:
                    m_io.out << bboText::EntryError << '\n' << std::flush;
                    return exitCode::SerialMismatch;
                default:
                    break;
            }
        }
        std::string detail;
        switch (offsets.update(link, &detail)) {
            case result::Ok:
                break;
            case result::NotReadBack:
                fail(detail);
                return exitCode::SerialMismatch;
            case result::Inconsistent:
                m_io.out << kLinkError << '\n' << std::flush;
                fail(basebandOffsets::kInconsistentText);
                return exitCode::LinkFailure;
            default:
                m_io.out << kLinkError << '\n' << std::flush;
                return exitCode::LinkFailure;
        }
        m_io.out << (offsets.record().isBboFromRadio() ? bboText::UpdatedRadio : bboText::UpdatedTable)
                 << '\n'
                 << std::flush;
        return exitCode::Success;
    });
}

int CliApp::sessionCommand(const CliOptions& options) {
    if (!havePort(options))
        return exitCode::Usage;
    RadioLinkScope scope(m_programDirectory, options);
    std::optional<StreamSessionInput> streamInput;
    std::optional<DescriptorSessionInput> descriptorInput;
    SessionInput* input = m_io.sessionInput;
    if (!input && m_io.inDescriptor >= 0)
        input = &descriptorInput.emplace(m_io.inDescriptor, stopSignal::wakeDescriptor(),
                                         &stopSignal::pending, m_io.outDescriptor);
    if (!input)
        input = &streamInput.emplace(m_io.in);
    CliSession session(m_io.out, m_io.err, *input,
                       options.watchdogMs.value_or(CliSession::kDefaultWatchdogMs));
    return session.run();
}

}  // namespace vantrel

namespace vantrel {

std::string CliApp::portDescription(const CliOptions& options) const {
    if (options.device)
        return *options.device;
    const int port = options.port ? *options.port : comIni::read(m_programDirectory);
    if (port < kFirstPort || port > kLastPort)
        return {};
    const unsigned n = static_cast<unsigned>(port);
    return "COM" + std::to_string(n) + " " + routeOf(n, readPortMapping(m_programDirectory)).device;
}

int CliApp::recordedDispatch(const CliOptions& options) {
    const bool mayRecord = options.command != CliCommand::History && options.command != CliCommand::Help &&
                           options.command != CliCommand::Port;
    const HistoryTarget target = resolveHistoryTarget({options.history, std::nullopt, m_dataDirectory});
    if (!m_recordHistory || !mayRecord || target.kind == HistoryTarget::Kind::Off)
        return dispatch(options);

    // The recorder's thread tells its trouble here; the lines go to err once the command is over, so
    // they never cut into the command's own output.
    auto notices = std::make_shared<std::pair<std::mutex, std::vector<std::string>>>();
    HistoryRecorderOptions recorderOptions;
    recorderOptions.target = target;
    recorderOptions.spoolDirectory = historySpoolDirectory(target, m_dataDirectory);
    recorderOptions.bench = benchName();
    recorderOptions.operatorName = resolveOperator();
    recorderOptions.program = std::string("vantrel-cli ") + kVersion;
    const std::string port = portDescription(options);
    recorderOptions.port = [port] { return port; };
    recorderOptions.notice = [notices](const std::string& text, bool trouble) {
        if (!trouble)
            return;
        std::lock_guard lock(notices->first);
        notices->second.push_back(text);
    };
    int code = exitCode::InternalError;
    {
        HistoryRecorder recorder(recorderOptions);
        ScopedHistorySink sink(&recorder);
        code = dispatch(options);
        recorder.close(kHistoryBudget);
    }
    std::lock_guard lock(notices->first);
    if (!notices->second.empty())
        fail(notices->second.front());
    return code;
}

int CliApp::historyCommand(const CliOptions& options) {
    const HistoryTarget target = resolveHistoryTarget({options.history, std::nullopt, m_dataDirectory});
    if (target.kind == HistoryTarget::Kind::Off) {
        fail("the service history is off (--history or VANTREL_HISTORY say \"off\")");
        return exitCode::Usage;
    }
    try {
        std::unique_ptr<HistoryStore> store = openHistoryStore(target);
        if (options.check) {
            const HistoryCheck check = store->check();
            const std::string spool = historySpoolDirectory(target, m_dataDirectory);
            m_io.out << "history: " << check.target << '\n'
                     << "schema version: " << check.schemaVersion << '\n'
                     << "events: " << check.events << '\n'
                     << "spool: " << HistorySpool(spool).pending().size() << " event(s) waiting in " << spool
                     << '\n'
                     << std::flush;
            return exitCode::Success;
        }
        const HistoryForm form = options.json  ? HistoryForm::Json
                                 : options.csv ? HistoryForm::Csv
                                               : HistoryForm::Text;
        if (options.list) {
            m_io.out << historyOutput(store->events(options.since.value_or("")), form, false) << std::flush;
            return exitCode::Success;
        }
        std::string serial = *options.historySerial;
        while (!serial.empty() && serial.back() == ' ') serial.pop_back();
        std::vector<StoredEvent> events = store->radioEvents(serial);
        for (StoredEvent& stored : events) stored.event.values = store->values(stored.id);
        if (events.empty() && form == HistoryForm::Text) {
            m_io.out << "No service events of the radio " << serial << " in " << store->describe() << '\n'
                     << std::flush;
            return exitCode::Different;
        }
        m_io.out << historyOutput(events, form, true) << std::flush;
        return events.empty() ? exitCode::Different : exitCode::Success;
    } catch (const HistoryError& error) {
        fail(error.what());
        return exitCode::LinkFailure;
    }
}

}  // namespace vantrel

// --- align ------------------------------------------------------------------------------------------------

namespace vantrel {

namespace {

/// Progress of an alignment on standard error, one line per procedure and per point.
class AlignProgress : public alignmentObserver {
  public:
    explicit AlignProgress(std::ostream& err) : m_err(err) {}
    void procedureStarted(int, const planStep& step) override {
        m_err << "align: " << step.procedure << " (" << step.title << ")\n" << std::flush;
    }
    void procedureFinished(int, const procedureResult& r) override {
        m_err << "align: " << r.procedure << ": " << procedureEndName(r.end) << (r.text.empty() ? "" : ": ")
              << r.text << "\n"
              << std::flush;
        if (r.stillKeyed)
            m_err << "align: " << message::StillKeyed << "\n" << std::flush;
    }
    void stepTaken(const std::string&, const std::string& label, int value,
                   std::optional<double> reading) override {
        m_err << "  " << label << " " << value;
        if (reading)
            m_err << ": " << *reading;
        m_err << "\n" << std::flush;
    }

  private:
    std::ostream& m_err;
};

std::string number(std::optional<double> v, int decimals) {
    if (!v)
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, *v);
    return text;
}

int decimalsOf(const std::string& unit) {
    return unit == "W" || unit == "V" ? 3 : unit == "A" ? 4 : 1;
}

std::string timeTag() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &tm);
    return text;
}

std::string trimmedSerial(const radioStorage& record) {
    std::string s;
    for (char c : record.serialNoBytes())
        if (std::isalnum(static_cast<unsigned char>(c)))
            s += c;
    return s.empty() ? std::string("radio") : s;
}

}  // namespace

int CliApp::alignCommand(const CliOptions& options) {
    const AlignOptions& a = m_align;
    if (!a.from && !havePort(options))
        return exitCode::Usage;

    // The bench, as `bench --check` finds it, or the file given.
    BenchConfig benchConfig;
    alignmentTargets targets = alignmentTargets::defaults();
    try {
        if (a.bench) {
            const RegularFileText read = readRegularFile(*a.bench, 1 << 20);
            if (!read)
                throw InstrumentError(InstrumentError::Kind::Config, *a.bench + ": " + read.reason());
            benchConfig = BenchConfig::parse(read.text, *a.bench);
        } else {
            benchConfig = BenchConfig::load(m_programDirectory);
        }
        benchConfig.applyEnvironment();
    } catch (const InstrumentError& e) {
        fail(e.what());
        return exitCode::FileFailure;
    }
    try {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        const std::string file =
            a.targets ? *a.targets
                      : findDataFile(alignmentTargets::kFileName,
                                     dataFileFolders(m_programDirectory,
                                                     ec ? std::string() : exe.parent_path().string()));
        if (!file.empty())
            targets = alignmentTargets::load(file);
    } catch (const std::exception& e) {
        fail(e.what());
        return exitCode::FileFailure;
    }

    // The instruments: every configured role opened before the radio is touched.
    std::unique_ptr<PowerMeter> meter;
    std::unique_ptr<FrequencyCounter> counter;
    std::unique_ptr<ModulationAnalyser> analyser;
    std::unique_ptr<SignalGenerator> generator;
    std::unique_ptr<PowerSupply> supply;
    alignmentBench bench;
    // The plan counts a configured role as present; --plan opens none.
    const InstrumentContext context = programInstrumentContext();
    auto has = [&](Role role) { return benchConfig.roles.count(role) != 0; };
    if (!a.plan) {
        try {
            if (has(Role::PowerMeter))
                bench.meter = (meter = openPowerMeter(benchConfig.roles.at(Role::PowerMeter), context)).get();
            if (has(Role::FrequencyCounter))
                bench.counter =
                    (counter = openFrequencyCounter(benchConfig.roles.at(Role::FrequencyCounter), context))
                        .get();
            if (has(Role::ModulationAnalyser))
                bench.analyser = (analyser = openModulationAnalyser(
                                      benchConfig.roles.at(Role::ModulationAnalyser), context))
                                     .get();
            if (has(Role::SignalGenerator))
                bench.generator =
                    (generator = openSignalGenerator(benchConfig.roles.at(Role::SignalGenerator), context))
                        .get();
            if (has(Role::PowerSupply))
                bench.supply =
                    (supply = openPowerSupply(benchConfig.roles.at(Role::PowerSupply), context)).get();
        } catch (const InstrumentError& e) {
            fail(e.what());
            return e.kind() == InstrumentError::Kind::Config ? exitCode::FileFailure
                                                             : exitCode::InstrumentFailure;
        }
    }

    radioStorage record;
    if (a.from) {
        // The plan of an archived radio: the radio on the cable is left alone.
        if (!loadQuietly(*a.from, record))
            return exitCode::FileFailure;
    } else {
        ReadRadioOutcome outcome;
        if (const std::optional<int> stopped = readFromRadio(options, record, outcome))
            return *stopped;
        ConsolePrompt prompt(&m_io.err);
        for (const PromptMessage& message : radioOperations::messagesFor(outcome)) prompt.show(message);
        if (outcome.kind != ReadRadioOutcome::Kind::Read)
            return readExitCode(outcome);
    }

    planOptions po;
    po.only = a.only;
    po.program = a.program;
    po.interactive = a.interactive;
    alignmentBench present = bench;
    if (a.plan) {
        present =
            configuredRoles(has(Role::PowerMeter), has(Role::FrequencyCounter), has(Role::ModulationAnalyser),
                            has(Role::SignalGenerator), has(Role::PowerSupply));
    }
    const alignmentPlan plan = makeAlignmentPlan(record, present, targets, po);
    const std::string model = [&] {
        std::string m = record.modelNoBytes();
        while (!m.empty() && (m.back() == ' ' || m.back() == '\0')) m.pop_back();
        return m;
    }();
    auto planJson = [&] {
        auto steps = nlohmann::ordered_json::array();
        for (const planStep& s : plan.steps)
            steps.push_back({{"procedure", s.procedure},
                             {"title", s.title},
                             {"kind", alignmentKindName(s.kind)},
                             {"mode", planModeName(s.mode)},
                             {"instruments", s.instruments},
                             {"note", s.note}});
        return steps;
    };
    if (a.plan) {
        if (a.json) {
            nlohmann::ordered_json j{{"model", model},
                                     {"serial", record.serialNoBytes()},
                                     {"group", plan.group},
                                     {"targets", targets.source()},
                                     {"plan", planJson()}};
            m_io.out << j.dump(2) << "\n" << std::flush;
        } else {
            m_io.out << model << ", serial " << record.serialNoBytes() << " (" << plan.group << "), targets "
                     << targets.source() << "\n";
            for (const planStep& s : plan.steps) {
                char line[160];
                std::snprintf(line, sizeof line, "%-28s %-10s %-20s ", s.procedure.c_str(),
                              planModeName(s.mode), s.instruments.c_str());
                m_io.out << line << s.note << "\n";
            }
            m_io.out << std::flush;
        }
        return exitCode::Success;
    }

    // The archive before anything changes.
    const std::string stem =
        (std::filesystem::path(a.archiveDirectory) / (trimmedSerial(record) + "-" + timeTag())).string();
    ConsolePrompt quiet(&m_io.err);
    if (const int code = saveArchive(stem + "-before.sfp", record, quiet, m_io.err);
        code != exitCode::Success)
        return code;

    AlignProgress progress(m_io.err);
    alignmentEnvironment environment;
    environment.session.record = &record;
    environment.session.openConnection = [] { return std::make_unique<cominit>(); };
    environment.session.programDirectory = m_programDirectory;
    environment.bench = bench;
    environment.targets = targets;
    environment.program = a.program;
    environment.stopRequested = [] { return stopSignal::pending() != 0; };
    environment.stopSignal = [] { return stopSignal::pending(); };
    environment.observer = &progress;
    if (a.interactive) {
        environment.manualReading = [this](const manualRequest& r) -> std::optional<double> {
            m_io.err << r.procedure << " " << r.label << ": " << r.what
                     << (r.unit.empty() ? " (Enter when done, s to skip): "
                                        : " in " + r.unit + " (empty to skip): ")
                     << std::flush;
            std::string line;
            if (!std::getline(m_io.in, line) || stopSignal::pending() != 0)
                return std::nullopt;
            if (r.unit.empty())
                return line == "s" ? std::nullopt : std::optional<double>(0);
            char* end = nullptr;
            const double v = std::strtod(line.c_str(), &end);
            if (line.empty() || end == line.c_str() || !std::isfinite(v))
                return std::nullopt;
            return v;
        };
    }
    alignmentReport report;
    {
        RadioLinkScope scope(m_programDirectory, options);
        report = runAlignment(plan, environment);
    }
    int code = report.allAligned() ? exitCode::Success : exitCode::NotAligned;
    for (const procedureResult& p : report.procedures) {
        if (p.end == procedureEnd::InstrumentFailed && code == exitCode::NotAligned)
            code = exitCode::InstrumentFailure;
        if (p.end == procedureEnd::RadioFailed || p.stillKeyed)
            code = exitCode::LinkFailure;
    }
    if (report.stopped && report.stopSignal != 0)
        code = exitCode::Interrupted + report.stopSignal;

    // The archive after: what the radio holds now.
    const int saved = saveArchive(stem + "-after.sfp", record, quiet, m_io.err);
    if (saved != exitCode::Success && code == exitCode::Success)
        code = saved;

    if (a.json) {
        auto results = nlohmann::ordered_json::array();
        for (const alignmentRow& r : report.rows()) {
            nlohmann::ordered_json row{{"procedure", r.procedure}, {"point", r.point}, {"label", r.label}};
            row["before"] = r.before ? nlohmann::ordered_json(*r.before) : nlohmann::ordered_json();
            row["after"] = r.after ? nlohmann::ordered_json(*r.after) : nlohmann::ordered_json();
            row["measured"] = r.measured ? nlohmann::ordered_json(*r.measured) : nlohmann::ordered_json();
            row["target"] = r.target ? nlohmann::ordered_json(*r.target) : nlohmann::ordered_json();
            row["unit"] = r.unit;
            row["withinTolerance"] = r.withinTolerance;
            row["steps"] = r.steps;
            results.push_back(row);
        }
        auto procedures = nlohmann::ordered_json::array();
        for (const procedureResult& p : report.procedures)
            procedures.push_back({{"procedure", p.procedure},
                                  {"mode", planModeName(p.mode)},
                                  {"end", procedureEndName(p.end)},
                                  {"programmed", p.programmed},
                                  {"text", p.text}});
        nlohmann::ordered_json j{
            {"model", model},
            {"serial", record.serialNoBytes()},
            {"group", plan.group},
            {"targets", targets.source()},
            {"allWithinTolerance", report.allAligned()},
            {"stopped", report.stopped},
            {"archives", {{"before", stem + "-before.sfp"}, {"after", stem + "-after.sfp"}}},
            {"procedures", procedures},
            {"results", results}};
        m_io.out << j.dump(2) << "\n" << std::flush;
    } else {
        char line[256];
        std::snprintf(line, sizeof line, "%-20s %-8s %6s %6s %12s %12s %-4s %s\n", "Procedure", "Point",
                      "Before", "After", "Measured", "Target", "Unit", "Within tolerance");
        m_io.out << model << ", serial " << record.serialNoBytes() << " (" << plan.group << ")\n" << line;
        for (const alignmentRow& r : report.rows()) {
            const int d = decimalsOf(r.unit);
            std::snprintf(line, sizeof line, "%-20s %-8s %6s %6s %12s %12s %-4s %s\n", r.procedure.c_str(),
                          r.label.c_str(), r.before ? std::to_string(*r.before).c_str() : "-",
                          r.after ? std::to_string(*r.after).c_str() : "-", number(r.measured, d).c_str(),
                          number(r.target, d).c_str(), r.unit.c_str(), r.withinTolerance ? "yes" : "NO");
            m_io.out << line;
        }
        for (const procedureResult& p : report.procedures)
            if (p.end != procedureEnd::Aligned)
                m_io.out << p.procedure << ": " << procedureEndName(p.end) << (p.text.empty() ? "" : ": ")
                         << p.text << "\n";
        m_io.out << (report.allAligned() ? "Every procedure run is within tolerance.\n"
                                         : "Not every procedure is within tolerance.\n")
                 << std::flush;
    }
    return code;
}

}  // namespace vantrel
