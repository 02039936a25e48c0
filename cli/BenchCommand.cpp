// `vantrel-cli bench --check` and `bench --read ROLE`: every role's identity and one reading.
#include "cli/BenchCommand.h"

#include <filesystem>
#include <system_error>

#include "cli/AlignCommand.h"
#include "cli/CliExitCode.h"
#include "instruments/BenchConfig.h"
#include "instruments/InstrumentError.h"
#include "link/programFolders.h"

namespace vantrel {

InstrumentContext programInstrumentContext() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string programDir = ec ? std::string(".") : exe.parent_path().string();
    const programFolders folders = programFolders::resolve(programDir);
    InstrumentContext context;
    context.dialectPath = dialectSearchPath(folders.settings, folders.data, folders.program);
    return context;
}

std::string benchUsage() {
    return "Usage: vantrel-cli bench --check\n"
           "       vantrel-cli bench --read ROLE\n"
           "\n"
           "Talks to the bench instruments configured in bench.conf beside COM.INI (the \"Bench\n"
           "Instruments...\" dialog writes it); the variables VANTREL_BENCH_POWER_METER,\n"
           "VANTREL_BENCH_FREQUENCY_COUNTER, VANTREL_BENCH_MODULATION_ANALYSER,\n"
           "VANTREL_BENCH_SIGNAL_GENERATOR and VANTREL_BENCH_POWER_SUPPLY (TRANSPORT:ADDRESS, such as\n"
           "tcp:127.0.0.1:5025, serial:/dev/ttyUSB0 or usbtmc:/dev/usbtmc0) win over it.\n"
           "\n"
           "  --check      names every role with its instrument's identity and one reading\n"
           "  --read ROLE  prints one reading of ROLE: power-meter (W), frequency-counter (MHz),\n"
           "               modulation-analyser (kHz deviation), signal-generator, power-supply (V, A)\n"
           "\n"
           "Exit codes: 0 every configured instrument answered, 4 an instrument failed, 6 no\n"
           "instrument configured, or a damaged bench.conf or dialect file, 64 usage error.\n";
}

bool isBenchCommand(const std::vector<std::string>& args) {
    return (!args.empty() && args[0] == "bench") ||
           (args.size() == 2 && args[0] == "help" && args[1] == "bench");
}

int runBenchCommand(const std::vector<std::string>& args, const std::string& settingsFolder,
                    std::ostream& out, std::ostream& err) {
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "help" || (rest.size() == 1 && (rest[0] == "--help" || rest[0] == "-h"))) {
        out << benchUsage();
        return exitCode::Success;
    }
    const bool check = rest.size() == 1 && rest[0] == "--check";
    const bool read = rest.size() == 2 && rest[0] == "--read";
    if (!check && !read) {
        err << "vantrel-cli: bench needs --check or --read ROLE (see vantrel-cli bench --help)\n";
        return exitCode::Usage;
    }
    std::optional<Role> only;
    if (read) {
        only = roleOfKey(rest[1]);
        if (!only) {
            err << "vantrel-cli: '" << rest[1]
                << "' is no role (power-meter, frequency-counter, modulation-analyser, signal-generator, "
                   "power-supply)\n";
            return exitCode::Usage;
        }
    }
    BenchConfig bench;
    try {
        bench = BenchConfig::load(settingsFolder);
        bench.applyEnvironment();
    } catch (const InstrumentError& e) {
        err << "vantrel-cli: " << e.what() << "\n";
        return exitCode::FileFailure;
    }
    const InstrumentContext context = programInstrumentContext();
    if (only) {
        const auto it = bench.roles.find(*only);
        if (it == bench.roles.end()) {
            err << "vantrel-cli: no " << roleTitle(*only) << " is configured\n";
            return exitCode::FileFailure;
        }
        const RoleCheck c = checkRole(*only, it->second, context);
        if (!c.ok) {
            err << "vantrel-cli: " << roleTitle(*only) << ": " << c.error << "\n";
            return exitCode::LinkFailure;
        }
        out << c.reading << "\n";
        return exitCode::Success;
    }
    if (bench.roles.empty()) {
        err << "vantrel-cli: no bench instrument is configured (bench.conf in " << settingsFolder
            << ", or the VANTREL_BENCH_<ROLE> variables)\n";
        return exitCode::FileFailure;
    }
    int code = exitCode::Success;
    for (Role role : kRoles) {
        const auto it = bench.roles.find(role);
        if (it == bench.roles.end()) {
            out << roleTitle(role) << ": not configured\n";
            continue;
        }
        const RoleCheck c = checkRole(role, it->second, context);
        if (c.ok) {
            out << roleTitle(role) << ": " << c.identity << " (" << transportName(it->second.transport) << " "
                << it->second.address << ", " << it->second.dialect << "): " << c.reading << "\n";
        } else {
            out << roleTitle(role) << ": FAILED: " << c.error << "\n";
            code = exitCode::LinkFailure;
        }
    }
    return code;
}

}  // namespace vantrel
