// The command-line tool: runs one command line against the core library and answers its exit code.
#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/AlignCommand.h"
#include "cli/CliOptions.h"
#include "link/portMapping.h"
#include "operations/UserPrompt.h"

namespace vantrel {

class linkMonitor;
class SessionInput;

class EnhancedSBEP;
class radioStorage;
struct ReadRadioOutcome;

/// The streams of one run and what they are connected to.
struct CliIo {
    std::ostream& out;           ///< outcome messages, JSON, `port` answers
    std::ostream& err;           ///< errors, details, progress, the confirmation question
    std::istream& in;            ///< the answer to "Program Radio?"
    bool inIsTerminal = false;   ///< the question is only asked on a terminal
    bool errIsTerminal = false;  ///< progress as a bar rather than lines
    /// `session`: the descriptor its requests are read from, waited for with poll() (-1: read `in`).
    int inDescriptor = -1;
    /// `session`: where its requests come from instead (tests); not owned.
    SessionInput* sessionInput = nullptr;
    /// `session`: the descriptor behind `out`, watched so the session ends when its reader goes away
    /// (-1: not watched).
    int outDescriptor = -1;
};

/// Runs commands of the command-line tool. Everything goes through the given streams, so tests run it
/// in-process. The program directory is where COM.INI lives; a run sets it in the link context, with
/// the port choice, for the duration of a radio command and restores the context after.
/// Never throws: every failure becomes one line on `err` and an exit code (cli/CliExitCode.h).
class CliApp {
  public:
    CliApp(std::string programDirectory, CliIo io)
        : m_programDirectory(std::move(programDirectory)), m_io(io) {}

    /// Runs the arguments after the program name; answers the exit code.
    int run(const std::vector<std::string>& args);

    /// Makes radio commands record their service events (the program does; tests that do not ask
    /// record nothing). `dataDirectory` is the user's data folder: the default history file and the
    /// spool live there. `history` reads the same history whether or not recording is on.
    void enableHistory(std::string dataDirectory) {
        m_dataDirectory = std::move(dataDirectory);
        m_recordHistory = true;
    }

  private:
    AlignOptions m_align;  ///< the options of an `align` run
    int runCommand(const std::vector<std::string>& args);
    /// `align`: reads the radio, runs the plan, saves the archives, prints the report.
    int alignCommand(const CliOptions& options);
    /// Flushes stdout; when any write to it failed (a full disk, a closed pipe) tells so on stderr and
    /// turns a success into exit 6.
    int checkedOutput(int code);
    int dispatch(const CliOptions& options);
    /// Runs the command with the link monitor listening and writes its trace to --trace FILE.
    int tracedDispatch(const CliOptions& options);
    bool saveTrace(const linkMonitor& monitor, const std::string& path);
    int readRadioCommand(const CliOptions& options);
    int programCommand(const CliOptions& options);
    int dumpCommand(const CliOptions& options);
    int importCommand(const CliOptions& options);
    int reportCommand(const CliOptions& options);
    /// `diff A B` and `diff A --radio`: the differences on stdout; 0 same, 1 different.
    int diffCommand(const CliOptions& options);
    /// Reads the connected radio into `record` as `read` does, progress on err. Answers the exit code
    /// when a signal stopped the read (told on err); otherwise nullopt and the outcome, not yet told.
    std::optional<int> readFromRadio(const CliOptions& options, radioStorage& record,
                                     ReadRadioOutcome& outcome);
    /// The exit code of a read's outcome; Success when the radio was read.
    static int readExitCode(const ReadRadioOutcome& outcome);
    int portCommand(const CliOptions& options);
    /// `port --map COMn ADAPTER` and `port --unmap COMn`: rewrites the mapping file of the program
    /// directory; exit 6 when it cannot be saved (the previous file is kept).
    int portMappingCommand(const CliOptions& options);
    /// One line on err for each line of the mapping file that is not used.
    void tellIgnoredMappingLines(const std::vector<IgnoredLine>& ignored);
    int serialCommand(const CliOptions& options);
    int tempCompCommand(const CliOptions& options);
    int bboCommand(const CliOptions& options);
    /// `session`: the JSON line protocol for scripted tuning (cli/CliSession.h).
    int sessionCommand(const CliOptions& options);
    /// `history SERIAL`, `history --list`, `history --check`: the service history on stdout.
    int historyCommand(const CliOptions& options);
    /// Runs the command with a history recorder installed (when recording is on and the command may
    /// record); what the recorder had to say comes as one line on err when the command ends.
    int recordedDispatch(const CliOptions& options);
    /// "COM1 /dev/ttyUSB0" or the --device path: the port a radio command of `options` opens.
    std::string portDescription(const CliOptions& options) const;
    /// Runs one radio utility on a connection of its own: the port message (exit 5) when the port cannot
    /// be opened, `failure` (exit 4) when the link fails; otherwise what `action` answers.
    int withRadio(const CliOptions& options, const std::string& failure,
                  const std::function<int(EnhancedSBEP&)>& action);

    /// Loads the archive of a file command; on failure prints the load message on err.
    bool loadQuietly(const std::string& path, radioStorage& record);
    /// Checks that a radio command has a port to use; prints the reason on err when not.
    bool havePort(const CliOptions& options);
    /// "Program Radio?" on a terminal; false when the answer is not yes or stdin is no terminal.
    bool confirmProgram();
    void fail(const std::string& message);
    /// A radio command stopped by `signal` (the radio already reset): says so and what it was doing on
    /// err; answers 128 + signal.
    int interrupted(int signal, const std::vector<std::string>& detail);
    /// Where a command's messages go: stdout, or stderr when stdout carries the output (`-o -`).
    std::ostream& messageStream(const CliOptions& options);
    /// One more line under a message (the path and the system's reason); nothing when empty.
    static void printDetail(std::ostream& stream, const std::string& detail);
    /// Saves the archive of `record` to `target`, or to stdout for "-"; tells "Tuning data has been
    /// saved." or the failure through `prompt`, the failure's detail on `messages`. Answers the exit code.
    int saveArchive(const std::string& target, const radioStorage& record, UserPrompt& prompt,
                    std::ostream& messages);

    std::string m_programDirectory;
    CliIo m_io;
    std::string m_dataDirectory;
    bool m_recordHistory = false;
};

}  // namespace vantrel
