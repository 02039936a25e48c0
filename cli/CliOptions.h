// The command line of the command-line tool: its commands, options, checks and usage texts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantrel {

/// The output name that means standard output (`-o -`).
inline constexpr std::string_view kStandardOutput = "-";

enum class CliCommand {
    Read,
    Program,
    Dump,
    Import,
    Report,
    Diff,
    Port,
    Serial,
    TempComp,
    Bbo,
    Session,
    History,
    Align,  ///< parsed by its own parser (cli/AlignCommand.h)
    Help
};

/// One parsed and checked command line.
struct CliOptions {
    CliCommand command = CliCommand::Help;
    /// --help (or `help COMMAND`): print the command's usage instead of running it.
    bool help = false;
    /// The command whose usage `help` prints; nullopt for the general usage.
    std::optional<CliCommand> helpTopic;
    std::optional<int> port;                              ///< --port N, 1..4
    std::optional<std::string> device;                    ///< --device PATH
    std::optional<std::string> trace;                     ///< --trace FILE: the decoded line, for support
    std::optional<std::string> output;                    ///< -o / --output FILE
    bool json = false;                                    ///< --json (read)
    bool yes = false;                                     ///< --yes / -y (program)
    std::optional<std::string> file;                      ///< the command's file operand
    std::optional<std::string> otherFile;                 ///< `diff A B`: the second archive
    bool radio = false;                                   ///< --radio (diff): compare with the radio
    std::optional<int> portToWrite;                       ///< `port N`
    std::optional<int> mapPort;                           ///< `port --map COMn PATH`: n
    std::optional<std::string> mapPath;                   ///< `port --map COMn PATH`: PATH as typed
    std::optional<int> unmapPort;                         ///< `port --unmap COMn`: n
    std::optional<std::string> serialNo;                  ///< `serial NEW`: ten admitted characters
    std::optional<std::array<std::uint8_t, 4>> tempComp;  ///< `temp-comp HEX8`
    std::optional<std::string> config;                    ///< --config FILE (bbo)
    bool list = false;                                    ///< --list (bbo, port)
    /// --set NAME=CODE (bbo), in order: the row name and the offset code 0..15.
    std::vector<std::pair<std::string, int>> sets;
    std::optional<int> spacing;  ///< --spacing 12.5|20|25 (bbo --set): 0, 1, 2; none: all three
    /// --watchdog SECONDS (session): how long the radio may stay keyed with no command, in ms.
    std::optional<std::uint32_t> watchdogMs;
    /// --history URL (any command): the service history to record to or to read.
    std::optional<std::string> history;
    bool csv = false;    ///< --csv (history)
    bool check = false;  ///< --check (history)
    /// --since DATE (history --list): the earliest time shown, as a UTC prefix "2025-03-01T12:00".
    std::optional<std::string> since;
    /// `history SERIAL`: the radio whose events are shown.
    std::optional<std::string> historySerial;
};

/// A command line that cannot be run; the message is one line for stderr.
struct CliUsageError {
    std::string message;
};

/// Parses and checks the arguments after the program name. Options may stand before or after the
/// command; long options take their value as the next argument or after '='; "--" ends the options.
/// Each command accepts only its own options and operands.
std::variant<CliOptions, CliUsageError> parseCliArguments(const std::vector<std::string>& args);

/// The general usage text, with the exit codes.
std::string cliUsage();
/// The usage text of one command.
std::string cliUsage(CliCommand command);
/// The command's name as typed.
std::string_view cliCommandName(CliCommand command);

}  // namespace vantrel
