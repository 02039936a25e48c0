// `vantrel-cli align`: its arguments and usage.
#include "cli/AlignCommand.h"

#include <charconv>
#include <sstream>

#include "alignment/alignment.h"

namespace vantrel {

bool isAlignCommand(const std::vector<std::string>& args) {
    return (!args.empty() && args[0] == "align") ||
           (args.size() == 2 && args[0] == "help" && args[1] == "align");
}

std::string alignUsage() {
    return "Usage: vantrel-cli align [--port N | --device PATH] [--bench FILE] [--targets FILE]\n"
           "                         [--only NAMES] [--plan] [--no-program] [--json] [--interactive]\n"
           "                         [--archive-dir DIR] [--from ARCHIVE]\n"
           "\n"
           "Reads the radio, then aligns every procedure a bench instrument can measure, in the order of a\n"
           "service bench (reference oscillator, power, deviation, receive, battery), each closed-loop to\n"
           "the target of the radio's model group, and programs the values of each procedure whose every\n"
           "point came within tolerance. A procedure that does not converge, whose instrument fails or\n"
           "that is stopped has its live values restored and programs nothing. Every procedure ends\n"
           "dekeyed and reset, whatever happens. Progress goes to standard error, the result table\n"
           "(procedure, point, before, after, measured, target, within tolerance) to standard output.\n"
           "The archive is saved before and after (SERIAL-TIME-before.sfp, SERIAL-TIME-after.sfp).\n"
           "\n"
           "  --bench FILE     the bench instruments (default bench.conf beside COM.INI, with the\n"
           "                   VANTREL_BENCH_<ROLE> variables over it, as `bench --check` finds them)\n"
           "  --targets FILE   targets and tolerances over the built-in ones (default alignment.conf\n"
           "                   in the data folders, if any; see docs/alignment.md)\n"
           "  --only NAMES     align only these procedures (comma separated script names)\n"
           "  --plan           print the plan (automatic, manual or skipped) and align nothing\n"
           "  --from ARCHIVE   with --plan: the plan of the radio this archive holds; no radio is opened\n"
           "  --no-program     find the values and report them; restore the live values, program nothing\n"
           "  --json           print one JSON object with the plan and a `results` row per point\n"
           "  --interactive    manual steps ask for their readings on the terminal (else they are skipped)\n"
           "  --archive-dir DIR  where the two archives go (default the current folder)\n"
           "  --port N         use COM N (1 to 4) for this run instead of COM.INI\n"
           "  --device PATH    open this serial device directly\n"
           "\n"
           "Exit codes: 0 every procedure run is within tolerance (or --plan printed), 1 a procedure is not\n"
           "within tolerance (nothing programmed for it), 4 link failure or the radio refused, 5 port in\n"
           "use, 6 a bench, targets or archive file could not be read or written, 8 a bench instrument\n"
           "failed, 64 usage error, 128 + signal stopped by a signal (the radio dekeyed and reset).\n";
}

std::variant<AlignOptions, std::string> parseAlignArguments(const std::vector<std::string>& args) {
    AlignOptions o;
    if (args.size() == 2 && args[0] == "help") {
        o.help = true;
        return o;
    }
    const std::vector<std::string> known = alignmentProcedureNames();
    for (size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        auto flag = [&](bool& field) -> std::optional<std::string> {
            if (inlineValue)
                return arg + " takes no value";
            field = true;
            return std::nullopt;
        };
        std::optional<std::string> error;
        if (arg == "--help" || arg == "-h") {
            error = flag(o.help);
        } else if (arg == "--plan") {
            error = flag(o.plan);
        } else if (arg == "--json") {
            error = flag(o.json);
        } else if (arg == "--interactive") {
            error = flag(o.interactive);
        } else if (arg == "--no-program") {
            bool noProgram = false;
            error = flag(noProgram);
            o.program = !noProgram;
        } else if (arg == "--bench" || arg == "--targets" || arg == "--device" || arg == "--history" ||
                   arg == "--archive-dir" || arg == "--from") {
            const auto v = value();
            if (!v || v->empty())
                return arg + " needs a value";
            if (arg == "--bench")
                o.bench = *v;
            else if (arg == "--targets")
                o.targets = *v;
            else if (arg == "--device")
                o.device = *v;
            else if (arg == "--history")
                o.history = *v;
            else if (arg == "--from")
                o.from = *v;
            else
                o.archiveDirectory = *v;
        } else if (arg == "--port") {
            const auto v = value();
            int n = 0;
            if (!v || std::from_chars(v->data(), v->data() + v->size(), n).ptr != v->data() + v->size() ||
                n < 1 || n > 4)
                return "--port needs a port number 1 to 4";
            o.port = n;
        } else if (arg == "--only") {
            const auto v = value();
            if (!v || v->empty())
                return "--only needs procedure names";
            std::istringstream names(*v);
            std::string name;
            while (std::getline(names, name, ',')) {
                if (name.empty())
                    continue;
                if (std::find(known.begin(), known.end(), name) == known.end())
                    return "'" + name +
                           "' is no procedure align knows (see vantrel-cli align --help and "
                           "docs/alignment.md)";
                o.only.push_back(name);
            }
            if (o.only.empty())
                return "--only needs procedure names";
        } else {
            return "'" + args[i] + "' is no option of align (see vantrel-cli align --help)";
        }
        if (error)
            return *error;
    }
    if (o.port && o.device)
        return "--port and --device exclude each other";
    if (o.from && !o.plan)
        return "--from goes with --plan only: an alignment needs the radio itself";
    if (o.from && (o.port || o.device))
        return "--from excludes --port and --device: the plan is made from the archive";
    if (o.interactive && o.json)
        return "--interactive and --json exclude each other";
    return o;
}

}  // namespace vantrel
