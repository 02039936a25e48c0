// The command line of the command-line tool: its commands, options, checks and usage texts.
#include "cli/CliOptions.h"

#include <array>
#include <charconv>

#include "operations/basebandOffsets.h"
#include "operations/utilityRules.h"

namespace vantrel {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;

struct CommandInfo {
    CliCommand command;
    std::string_view name;
    std::string_view usage;
};

constexpr std::array<CommandInfo, 13> kCommands = {{
    {CliCommand::Read, "read",
     "Usage: vantrel-cli read [--port N | --device PATH] [-o FILE.sfp] [--json]\n"
     "\n"
     "Reads the radio's identity, tuning block and every softpot. The outcome messages go to\n"
     "stdout, one per line; progress goes to stderr.\n"
     "\n"
     "  -o, --output FILE.sfp  save the archive file after a successful read (- for stdout;\n"
     "                         the messages then go to stderr)\n"
     "  --json                 print the record as JSON last on stdout (also after a failed read)\n"
     "  --port N               use COM N (1 to 4) for this run instead of COM.INI\n"
     "  --device PATH          open this serial device directly\n"
     "\n"
     "Exit codes: 0 read, 2 invalid frequency data, 3 power-up failure, 4 link failure,\n"
     "5 port in use, 6 archive not saved (or stdout not written), 64 usage error, 129, 130 or\n"
     "143 stopped by SIGHUP, SIGINT or SIGTERM (the radio is reset, nothing is saved).\n"},
    {CliCommand::Program, "program",
     "Usage: vantrel-cli program [--port N | --device PATH] FILE.sfp [--yes]\n"
     "\n"
     "Loads the archive file and programs every supported softpot into the radio, after checking\n"
     "that the radio's serial number is the archive's. Without --yes it asks \"Program Radio?\"\n"
     "when stdin is a terminal and refuses otherwise.\n"
     "\n"
     "  -y, --yes      program without asking\n"
     "  --port N       use COM N (1 to 4) for this run instead of COM.INI\n"
     "  --device PATH  open this serial device directly\n"
     "\n"
     "Exit codes: 0 programmed, 1 serial number mismatch, 4 link failure, 5 port in use,\n"
     "6 archive not loaded, 7 cancelled or not confirmed, 64 usage error, 129, 130 or 143\n"
     "stopped by SIGHUP, SIGINT or SIGTERM (the radio is reset). After a failure part-way the\n"
     "radio is reset and stderr tells the step that failed and what was already written.\n"},
    {CliCommand::Dump, "dump",
     "Usage: vantrel-cli dump FILE.sfp\n"
     "\n"
     "Loads the archive file and prints its record as JSON on stdout.\n"
     "\n"
     "Exit codes: 0 printed, 6 archive not loaded, 64 usage error.\n"},
    {CliCommand::Import, "import",
     "Usage: vantrel-cli import IN.json -o OUT.sfp\n"
     "\n"
     "Writes an archive file from a JSON record of the form `dump` prints. Every field is\n"
     "required, and tuningProcedure must equal values[0][8].\n"
     "\n"
     "  -o, --output OUT.sfp  the archive file to write (required; - for stdout)\n"
     "\n"
     "Exit codes: 0 written, 6 JSON not read or invalid, or archive not written, 64 usage error.\n"},
    {CliCommand::Report, "report",
     "Usage: vantrel-cli report FILE.sfp [-o OUT]\n"
     "\n"
     "Loads the archive file and writes its tuning report text.\n"
     "\n"
     "  -o, --output OUT  the report file (default display.txt in the current directory;\n"
     "                    - for stdout)\n"
     "\n"
     "Exit codes: 0 written, 6 archive not loaded or report not written, 64 usage error.\n"},
    {CliCommand::Diff, "diff",
     "Usage: vantrel-cli diff A.sfp B.sfp\n"
     "       vantrel-cli diff [--port N | --device PATH] A.sfp --radio\n"
     "\n"
     "Compares archive A with archive B, or with the connected radio (read first, as `read`\n"
     "does; nothing is written to the radio). Prints one line per difference on stdout:\n"
     "identity (serial number, model number, data version, tuning procedure), frequency\n"
     "points, each differing softpot value (\"Transmit High Power F3: 104 -> 110\") and each\n"
     "data set only one side holds (\"RSSI: only in B\"); \"No differences\" when there are\n"
     "none. With --radio the read's messages and progress go to stderr.\n"
     "\n"
     "  --radio        compare A with the radio instead of a second archive\n"
     "  --port N       use COM N (1 to 4) for this run instead of COM.INI (with --radio)\n"
     "  --device PATH  open this serial device directly (with --radio)\n"
     "\n"
     "Exit codes: 0 same, 1 different, 2 invalid frequency data, 3 power-up failure,\n"
     "4 link failure, 5 port in use, 6 archive not loaded, 64 usage error, 129, 130 or 143\n"
     "stopped by SIGHUP, SIGINT or SIGTERM (the radio is reset).\n"},
    {CliCommand::Port, "port",
     "Usage: vantrel-cli port [N]\n"
     "       vantrel-cli port --list\n"
     "       vantrel-cli port --map COMn ADAPTER\n"
     "       vantrel-cli port --unmap COMn\n"
     "\n"
     "Without N prints the COM port number COM.INI in the program directory yields (-1 when\n"
     "none). With N (1 to 4) writes COM.INI for that port.\n"
     "\n"
     "  --list             prints, one line each, COM1 to COM4 with the device each maps to and\n"
     "                     whether it is available, missing, in use (and by which process where it\n"
     "                     can be seen), not permitted or not a serial device; then the serial\n"
     "                     adapters of /dev/serial/by-id, each with the COM ports mapped to it\n"
     "  --map COMn ADAPTER makes COM n (1 to 4) open the adapter from now on: a name of the\n"
     "                     adapter list or a device path. Kept in serial-ports.conf beside COM.INI\n"
     "  --unmap COMn       makes COM n open /dev/ttyS<n-1> again\n"
     "  The environment variable VANTREL_COM<n>, when set, wins over the mapping for that run.\n"
     "\n"
     "Exit codes: 0 done, 6 COM.INI or the mapping not written, 64 usage error.\n"},
    {CliCommand::Serial, "serial",
     "Usage: vantrel-cli serial [--port N | --device PATH] NEW\n"
     "\n"
     "Programs the serial number NEW into a radio whose serial number reads blank (ten blanks), then\n"
     "reads it back. NEW is exactly 10 characters: letters, digits, the period and\n"
     "* # _ ~ ! % & ( ) - + = | { } [ ] ; : ' ? / < > , @ `\n"
     "\n"
     "Exit codes: 0 programmed, 1 serial number not blank or not read back, 4 link failure,\n"
     "5 port in use, 64 usage error (also a NEW that breaks the rules above).\n"},
    {CliCommand::TempComp, "temp-comp",
     "Usage: vantrel-cli temp-comp [--port N | --device PATH] [HEX8]\n"
     "\n"
     "Without HEX8 prints the radio's four temperature compensation bytes as eight hexadecimal\n"
     "digits. With HEX8 (eight hexadecimal digits) programs them, reads them back and compares.\n"
     "\n"
     "Exit codes: 0 read or written, 1 read back differs, 4 link failure, 5 port in use,\n"
     "64 usage error.\n"},
    {CliCommand::Bbo, "bbo",
     "Usage: vantrel-cli bbo [--port N | --device PATH] [--config FILE] [--list]\n"
     "       vantrel-cli bbo [--port N | --device PATH] [--config FILE] --set NAME=CODE... [--spacing S]\n"
     "\n"
     "Shows or changes the radio's baseband offsets. Radios that hold their own offsets need no\n"
     "file; for the others --config names the baseband offset configuration file (bbo.cfg).\n"
     "\n"
     "  --config FILE  the configuration file that describes the radio's offset table\n"
     "  --list         print every row's offset for each channel spacing (the default)\n"
     "  --set NAME=CODE  set row NAME (as --list prints it, any case) to CODE: 0 to 15, or\n"
     "                 the offset in Hz (\"512\" or \"512Hz\"); repeatable. The radio is updated,\n"
     "                 then read back and compared\n"
     "  --spacing S    12.5, 20 or 25: change that channel spacing only (default all three)\n"
     "\n"
     "Exit codes: 0 listed or updated, 1 a change refused or not read back, 4 link failure,\n"
     "5 port in use, 6 configuration file missing, unreadable or not matching the radio,\n"
     "64 usage error.\n"},
    {CliCommand::Session, "session",
     "Usage: vantrel-cli session [--port N | --device PATH] [--watchdog SECONDS]\n"
     "\n"
     "Tunes the radio from a script: reads one JSON request a line on stdin and answers one JSON\n"
     "object a line on stdout. Commands: identify, read, procedures, open, point, key, dekey,\n"
     "live, program, action, state, close, save, program-all, reset (see docs/session.md). Every\n"
     "procedure, variant and utility that `procedures` lists can be opened. The radio is dekeyed\n"
     "and reset at close, at the end of input, after a link failure, when the reader of the\n"
     "answers goes away and on SIGHUP, SIGINT or SIGTERM.\n"
     "\n"
     "  --watchdog SECONDS  dekey the radio when it stays keyed this long with no command\n"
     "                      (default 30; 0.1 to 3600)\n"
     "  --port N            use COM N (1 to 4) for this run instead of COM.INI\n"
     "  --device PATH       open this serial device directly\n"
     "\n"
     "Exit codes: 0 input ended with the radio safe, 4 the radio did not confirm the dekey or\n"
     "the reset at the end (the last answer says which), 6 the answers could no longer be\n"
     "written (the radio is made safe first), 64 usage error, 129, 130 or 143 stopped by\n"
     "SIGHUP, SIGINT or SIGTERM (the radio is dekeyed and reset).\n"},
    {CliCommand::History, "history",
     "Usage: vantrel-cli history SERIAL [--json | --csv]\n"
     "       vantrel-cli history --list [--since DATE] [--json | --csv]\n"
     "       vantrel-cli history --check\n"
     "\n"
     "Shows the service history: every read, Program All, Program of a procedure, utility and\n"
     "archive load or save of a radio, newest first, with the bench, the operator, the port and\n"
     "the outcome, and the values before and after (see docs/history.md).\n"
     "\n"
     "  SERIAL         the radio's serial number, as the radio reports it\n"
     "  --list         every event of every radio, without values\n"
     "  --since DATE   with --list: from DATE on (UTC), YYYY-MM-DD or YYYY-MM-DDTHH:MM\n"
     "  --json         the events as JSON, values included\n"
     "  --csv          the events as CSV, one line per value (RFC 4180)\n"
     "  --check        connect, bring the schema up to date and print its version, the number\n"
     "                 of events and the events waiting in the local spool\n"
     "  --history URL  the history to read (also on every other command: the one to record to);\n"
     "                 default VANTREL_HISTORY, else history.sqlite in the user's data folder.\n"
     "                 A file path (or sqlite:PATH), postgresql://USER@HOST/DATABASE or a\n"
     "                 libpq key=value string, or off\n"
     "\n"
     "Exit codes: 0 shown, 1 no event of that radio, 4 the history cannot be reached, is damaged\n"
     "or is newer than this program, 64 usage error.\n"},
    {CliCommand::Help, "help",
     "Usage: vantrel-cli help [COMMAND]\n"
     "\n"
     "Prints the general usage, or the usage of COMMAND.\n"},
}};

const CommandInfo& infoOf(CliCommand command) {
    for (const CommandInfo& info : kCommands)
        if (info.command == command)
            return info;
    return kCommands.back();
}

std::optional<CliCommand> commandNamed(std::string_view name) {
    for (const CommandInfo& info : kCommands)
        if (info.name == name)
            return info.command;
    return std::nullopt;
}

std::optional<int> portNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (value < kFirstPort || value > kLastPort)
        return std::nullopt;
    return value;
}

/// "COM3", "com3" or "3": the port number 1 to 4.
std::optional<int> comPortName(std::string_view text) {
    if (text.size() > 3 && (text[0] | 0x20) == 'c' && (text[1] | 0x20) == 'o' && (text[2] | 0x20) == 'm')
        text.remove_prefix(3);
    return portNumber(text);
}

// What one command accepts beyond --help.
struct Accepts {
    bool portSelection = false;
    bool output = false;
    bool json = false;
    bool yes = false;
    bool bbo = false;
    bool radio = false;
};

Accepts acceptsOf(CliCommand command) {
    switch (command) {
        case CliCommand::Read:
            return {true, true, true, false};
        case CliCommand::History:
            return {false, false, true, false};
        case CliCommand::Program:
            return {true, false, false, true};
        case CliCommand::Import:
        case CliCommand::Report:
            return {false, true, false, false};
        case CliCommand::Serial:
        case CliCommand::TempComp:
        case CliCommand::Session:
            return {true, false, false, false};
        case CliCommand::Bbo:
            return {true, false, false, false, true};
        case CliCommand::Diff:
            return {true, false, false, false, false, true};
        default:
            return {};
    }
}

/// An offset code: 0 to 15, or an offset in Hz as the lists show it ("512", "512Hz", "512 Hz").
std::optional<int> offsetCode(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    std::string_view rest(end, static_cast<std::size_t>(text.data() + text.size() - end));
    if (rest.empty() && value >= 0 && value < bboCode::Count)
        return value;
    if (rest.starts_with(' '))
        rest.remove_prefix(1);
    if (!rest.empty() && rest != "Hz")
        return std::nullopt;
    const int code = bboCode::fromText(std::to_string(value) + " Hz");
    return code == bboCode::None ? std::nullopt : std::optional<int>(code);
}

/// Seconds with up to three decimals, 0.1 to 3600, as milliseconds.
std::optional<std::uint32_t> watchdogMilliseconds(std::string_view text) {
    constexpr std::uint32_t kShortest = 100;
    constexpr std::uint32_t kLongest = 3600 * 1000;
    std::uint32_t whole = 0;
    const char* end = text.data() + text.size();
    const auto [afterWhole, error] = std::from_chars(text.data(), end, whole);
    if (error != std::errc() || whole > kLongest / 1000)
        return std::nullopt;
    std::uint32_t ms = whole * 1000;
    if (afterWhole != end) {
        if (*afterWhole != '.' || afterWhole + 1 == end || end - afterWhole - 1 > 3)
            return std::nullopt;
        std::uint32_t scale = 100;
        for (const char* c = afterWhole + 1; c != end; ++c, scale /= 10) {
            if (*c < '0' || *c > '9')
                return std::nullopt;
            ms += static_cast<std::uint32_t>(*c - '0') * scale;
        }
    }
    if (ms < kShortest || ms > kLongest)
        return std::nullopt;
    return ms;
}

/// A --since date as the prefix of the stored UTC times: "2025-03-01" or "2025-03-01T12:00" (a blank
/// may stand for the T); nullopt for anything else.
std::optional<std::string> sinceDate(std::string text) {
    if (text.size() > 10 && text[10] == ' ')
        text[10] = 'T';
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
    if (text.size() != 10 && text.size() != 16 && text.size() != 19)
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i])
            return std::nullopt;
    }
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    return text;
}

CliUsageError usageError(std::string message) {
    return CliUsageError{std::move(message)};
}

}  // namespace

std::string_view cliCommandName(CliCommand command) {
    return infoOf(command).name;
}

std::string cliUsage(CliCommand command) {
    return std::string(infoOf(command).usage);
}

std::string cliUsage() {
    return "Usage: vantrel-cli [--port N | --device PATH] COMMAND [ARGS]\n"
           "  or:  vantrel-cli --version\n"
           "\n"
           "Commands:\n"
           "  read [-o FILE.sfp] [--json]  read the radio; save the archive, print the record as JSON\n"
           "  program FILE.sfp [--yes]     program an archive into the radio (serial number checked)\n"
           "  dump FILE.sfp                print the record of an archive as JSON\n"
           "  import IN.json -o OUT.sfp    write an archive from a JSON record\n"
           "  report FILE.sfp [-o OUT]     write the tuning report of an archive (default display.txt)\n"
           "  diff A.sfp (B.sfp|--radio)   compare two archives, or an archive with the radio\n"
           "  port [N]                     show the COM port of COM.INI (-1 when none), or set it (1 to 4)\n"
           "  port --list                  show COM1 to COM4, their devices and states, and the adapters\n"
           "  port --map COMn ADAPTER      make COM n open a serial adapter (--unmap COMn: the default)\n"
           "  serial NEW                   program a serial number into a radio whose serial is blank\n"
           "  temp-comp [HEX8]             show the temp comp bytes, or program and verify them\n"
           "  bbo [--config FILE] [--list | --set NAME=CODE...]  show or change baseband offsets\n"
           "  session [--watchdog SECONDS] tune from a script: JSON requests on stdin, answers on stdout\n"
           "  history SERIAL [--json|--csv]  a radio's service history (--list [--since DATE], --check)\n"
           "  align [--plan] [--only NAMES] align the radio on the bench instruments (see align --help)\n"
           "  bench (--check | --read ROLE) name the bench instruments with a reading, or read one\n"
           "  help [COMMAND]               this text, or a command's usage (also COMMAND --help)\n"
           "\n"
           "Port selection (read, program, serial, temp-comp, bbo, session, diff --radio):\n"
           "  --port N       use COM N (1 to 4) for this run; COM.INI is left as it is\n"
           "  --device PATH  open this serial device directly\n"
           "  Without either, COM.INI in the program directory names the port. COM N is the device\n"
           "  named by the environment variable VANTREL_COM<N>, else the adapter of port --map,\n"
           "  else /dev/ttyS<N-1>.\n"
           "\n"
           "Support:\n"
           "  --trace FILE   write every frame sent and received, decoded, to FILE (any command)\n"
           "  --history URL  the service history every radio command records to (a SQLite file,\n"
           "                 postgresql://USER@HOST/DATABASE, or off); default VANTREL_HISTORY, else\n"
           "                 history.sqlite in the user's data folder. VANTREL_OPERATOR names the\n"
           "                 operator (default: the login name)\n"
           "\n"
           "Exit codes:\n"
           "  0 success (diff: same)     1 serial number mismatch (diff: different)\n"
           "  2 invalid frequency data   3 power-up failure        4 link failure\n"
           "  5 port in use              6 file not read, written or parsed\n"
           "  7 cancelled or not confirmed                         64 usage error\n"
           "  70 internal error\n";
}

std::variant<CliOptions, CliUsageError> parseCliArguments(const std::vector<std::string>& args) {
    CliOptions options;
    std::optional<CliCommand> command;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    // Options seen, by the name the user typed, to name them in errors.
    std::optional<std::string> portSpelling, outputSpelling, jsonSpelling, yesSpelling, bboSpelling,
        radioSpelling, listSpelling, mapSpelling, watchdogSpelling, historySpelling;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!command) {
                command = commandNamed(arg);
                if (!command)
                    return usageError("unknown command \"" + arg + "\" (see vantrel-cli --help)");
            } else {
                operands.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.erase(eq);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        auto flagOnly = [&]() { return !inlineValue.has_value(); };

        if (arg == "--help" || arg == "-h") {
            if (!flagOnly())
                return usageError(arg + " takes no value");
            options.help = true;
        } else if (arg == "--port") {
            const std::optional<std::string> text = value();
            if (!text)
                return usageError("--port needs a port number, 1 to 4");
            const std::optional<int> port = portNumber(*text);
            if (!port)
                return usageError("--port " + *text + ": the port number must be 1 to 4");
            options.port = port;
            portSpelling = arg;
        } else if (arg == "--device") {
            const std::optional<std::string> text = value();
            if (!text || text->empty())
                return usageError("--device needs a device path");
            options.device = text;
            portSpelling = portSpelling.value_or(arg);
        } else if (arg == "--history") {
            const std::optional<std::string> text = value();
            if (!text || text->empty())
                return usageError("--history needs a history: a file, postgresql://... or off");
            options.history = text;
        } else if (arg == "--csv" || arg == "--check") {
            if (!flagOnly())
                return usageError(arg + " takes no value");
            (arg == "--csv" ? options.csv : options.check) = true;
            historySpelling = historySpelling.value_or(arg);
        } else if (arg == "--since") {
            const std::optional<std::string> text = value();
            if (!text || !sinceDate(*text))
                return usageError("--since needs a date: YYYY-MM-DD or YYYY-MM-DDTHH:MM (UTC)");
            options.since = sinceDate(*text);
            historySpelling = historySpelling.value_or(arg);
        } else if (arg == "--trace") {
            const std::optional<std::string> text = value();
            if (!text || text->empty())
                return usageError("--trace needs a file name");
            options.trace = text;
        } else if (arg == "-o" || arg == "--output") {
            const std::optional<std::string> text = value();
            if (!text || text->empty())
                return usageError(arg + " needs a file name");
            options.output = text;
            outputSpelling = arg;
        } else if (arg == "--json") {
            if (!flagOnly())
                return usageError(arg + " takes no value");
            options.json = true;
            jsonSpelling = arg;
        } else if (arg == "--radio") {
            if (!flagOnly())
                return usageError(arg + " takes no value");
            options.radio = true;
            radioSpelling = arg;
        } else if (arg == "--yes" || arg == "-y") {
            if (!flagOnly())
                return usageError(arg + " takes no value");
            options.yes = true;
            yesSpelling = arg;
        } else if (arg == "--config") {
            const std::optional<std::string> text = value();
            if (!text || text->empty())
                return usageError("--config needs a file name");
            options.config = text;
            bboSpelling = arg;
        } else if (arg == "--list") {
            if (!flagOnly())
                return usageError(arg + " takes no value");
            options.list = true;
            listSpelling = arg;
        } else if (arg == "--map" || arg == "--unmap") {
            if (mapSpelling)
                return usageError(*mapSpelling + " and " + arg + " exclude each other");
            const std::optional<std::string> text = value();
            if (!text)
                return usageError(arg + " needs a COM port, COM1 to COM4");
            const std::optional<int> port = comPortName(*text);
            if (!port)
                return usageError(arg + " " + *text + ": the port must be COM1 to COM4");
            (arg == "--map" ? options.mapPort : options.unmapPort) = port;
            mapSpelling = arg;
        } else if (arg == "--set") {
            const std::optional<std::string> text = value();
            if (!text)
                return usageError("--set needs NAME=CODE");
            const std::size_t eq = text->rfind('=');
            const std::optional<int> code =
                eq == std::string::npos ? std::nullopt : offsetCode(std::string_view(*text).substr(eq + 1));
            if (eq == std::string::npos || eq == 0 || !code)
                return usageError("--set " + *text +
                                  ": expected NAME=CODE with CODE 0 to 15 or an offset in Hz");
            options.sets.emplace_back(text->substr(0, eq), *code);
            bboSpelling = arg;
        } else if (arg == "--watchdog") {
            const std::optional<std::string> text = value();
            const std::optional<std::uint32_t> ms = text ? watchdogMilliseconds(*text) : std::nullopt;
            if (!ms)
                return usageError("--watchdog needs a number of seconds, 0.1 to 3600");
            options.watchdogMs = ms;
            watchdogSpelling = arg;
        } else if (arg == "--spacing") {
            const std::optional<std::string> text = value();
            if (!text || (*text != "12.5" && *text != "20" && *text != "25"))
                return usageError("--spacing needs 12.5, 20 or 25");
            options.spacing = *text == "12.5" ? 0 : *text == "20" ? 1 : 2;
            bboSpelling = arg;
        } else {
            return usageError("unknown option \"" + arg + "\" (see vantrel-cli --help)");
        }
    }

    if (!command) {
        if (options.help)
            return options;  // plain --help: the general usage
        return usageError("no command given (see vantrel-cli --help)");
    }
    options.command = *command;

    if (*command == CliCommand::Help) {
        if (operands.size() > 1)
            return usageError("help takes at most one command name");
        if (!operands.empty()) {
            options.helpTopic = commandNamed(operands.front());
            if (!options.helpTopic)
                return usageError("unknown command \"" + operands.front() + "\"");
        }
        options.help = true;
        return options;
    }
    if (options.help) {
        options.helpTopic = *command;
        return options;
    }

    const std::string name(cliCommandName(*command));
    const Accepts accepts = acceptsOf(*command);
    if (options.port && options.device)
        return usageError("--port and --device exclude each other");
    if (portSpelling && !accepts.portSelection)
        return usageError(*portSpelling + " does not apply to " + name +
                          " (only read, program, serial, temp-comp, bbo, session and diff --radio)");
    if (radioSpelling && !accepts.radio)
        return usageError(*radioSpelling + " does not apply to " + name + " (only diff)");
    if (bboSpelling && !accepts.bbo)
        return usageError(*bboSpelling + " does not apply to " + name + " (only bbo)");
    if (listSpelling && !accepts.bbo && *command != CliCommand::Port && *command != CliCommand::History)
        return usageError(*listSpelling + " does not apply to " + name + " (only bbo, port and history)");
    if (historySpelling && *command != CliCommand::History)
        return usageError(*historySpelling + " does not apply to " + name + " (only history)");
    if (mapSpelling && *command != CliCommand::Port)
        return usageError(*mapSpelling + " does not apply to " + name + " (only port)");
    if (watchdogSpelling && *command != CliCommand::Session)
        return usageError(*watchdogSpelling + " does not apply to " + name + " (only session)");
    if (outputSpelling && !accepts.output)
        return usageError(*outputSpelling + " does not apply to " + name);
    if (jsonSpelling && !accepts.json)
        return usageError(*jsonSpelling + " does not apply to " + name);
    if (yesSpelling && !accepts.yes)
        return usageError(*yesSpelling + " does not apply to " + name);
    if (options.json && options.output == kStandardOutput)
        return usageError(*outputSpelling + " - and --json would both write to standard output");

    switch (*command) {
        case CliCommand::Read:
            if (!operands.empty())
                return usageError("read takes no file operand (use -o FILE.sfp)");
            break;
        case CliCommand::Program:
        case CliCommand::Dump:
        case CliCommand::Report:
        case CliCommand::Import:
            if (operands.size() != 1)
                return usageError(name + " needs exactly one file");
            options.file = operands.front();
            if (*command == CliCommand::Import && !options.output)
                return usageError("import needs the archive to write: -o OUT.sfp");
            break;
        case CliCommand::Diff:
            if (options.radio) {
                if (operands.size() != 1)
                    return usageError("diff --radio needs exactly one file");
            } else {
                if (operands.size() != 2)
                    return usageError("diff needs two files, or one file and --radio");
                if (portSpelling)
                    return usageError(*portSpelling + " applies to diff --radio only");
                options.otherFile = operands.back();
            }
            options.file = operands.front();
            break;
        case CliCommand::Port:
            if (operands.size() > 1)
                return usageError("port takes at most one port number");
            if (mapSpelling && options.list)
                return usageError(*mapSpelling + " and --list exclude each other");
            if (options.mapPort) {
                if (operands.size() != 1)
                    return usageError("--map needs the adapter: port --map COMn ADAPTER");
                if (operands.front().empty())
                    return usageError("--map needs a non-empty adapter name or path");
                options.mapPath = operands.front();
                break;
            }
            if (options.unmapPort && !operands.empty())
                return usageError("port --unmap takes no other operand");
            if (options.list && !operands.empty())
                return usageError("port --list takes no port number");
            if (!operands.empty()) {
                options.portToWrite = portNumber(operands.front());
                if (!options.portToWrite)
                    return usageError("port " + operands.front() + ": the port number must be 1 to 4");
            }
            break;
        case CliCommand::Serial:
            if (operands.size() != 1)
                return usageError("serial needs exactly one serial number");
            if (!serialRule::valid(operands.front()))
                return usageError(
                    "serial " + operands.front() +
                    ": a serial number is exactly 10 letters, digits or . * # _ ~ ! % & ( ) - + = "
                    "| { } [ ] ; : ' ? / < > , @ `");
            options.serialNo = operands.front();
            break;
        case CliCommand::TempComp:
            if (operands.size() > 1)
                return usageError("temp-comp takes at most one value");
            if (!operands.empty()) {
                options.tempComp = tempCompRule::parse(operands.front());
                if (!options.tempComp)
                    return usageError("temp-comp " + operands.front() +
                                      ": expected eight hexadecimal digits");
            }
            break;
        case CliCommand::Bbo:
            if (!operands.empty())
                return usageError("bbo takes no operand (use --config FILE)");
            if (options.list && !options.sets.empty())
                return usageError("--list and --set exclude each other");
            if (options.spacing && options.sets.empty())
                return usageError("--spacing applies to --set only");
            break;
        case CliCommand::Session:
            if (!operands.empty())
                return usageError("session takes no operand: its requests come on stdin");
            break;
        case CliCommand::History:
            if (options.json && options.csv)
                return usageError("--json and --csv exclude each other");
            if (options.check) {
                if (options.list || options.json || options.csv || options.since || !operands.empty())
                    return usageError("history --check takes nothing else");
                break;
            }
            if (options.since && !options.list)
                return usageError("--since applies to history --list only");
            if (options.list) {
                if (!operands.empty())
                    return usageError("history --list takes no serial number");
                break;
            }
            if (operands.size() != 1 || operands.front().empty())
                return usageError("history needs a serial number, --list or --check");
            options.historySerial = operands.front();
            break;
        case CliCommand::Align:  // never reached: `align` has its own parser
        case CliCommand::Help:
            break;
    }
    return options;
}

}  // namespace vantrel
