// vantrel-sim: serves a simulated radio on a pseudo-terminal until interrupted.
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>

#include "VantrelVersion.h"
#include "sim/PtySimServer.h"
#include "sim/SimBench.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"
#include "sim/SimTracePrinter.h"

using namespace vantrel;

namespace {

// Transcript entries a served radio keeps (the latest exchanges, for nothing but a debugger).
constexpr std::size_t kServedHistory = 1000;

void usage() {
    std::cout
        << "Usage: vantrel-sim [--profile NAME|FILE] [--link PATH] [--bench PORT] [--bench-noise X]\n"
           "                   [--bench-fault ROLE:KIND]... [--trace] [--fault SPEC]...\n"
           "  or:  vantrel-sim --list-profiles\n"
           "  or:  vantrel-sim --write-bbo-config FILE [--profile NAME|FILE]...\n"
           "  or:  vantrel-sim --version\n"
           "\n"
           "Serves a simulated radio on a pseudo-terminal until interrupted; prints the VANTREL_COM1=PATH\n"
           "line to use it.\n"
           "\n"
           "  --profile NAME|FILE      radio profile by name (see --list-profiles) or JSON file\n"
           "                           (default: portable)\n"
           "  --link PATH              the symbolic link to the pseudo-terminal (default /tmp/vantrel-com1)\n"
           "  --bench PORT             also serve the bench instruments, SCPI over TCP on 127.0.0.1: power\n"
           "                           meter on PORT, frequency counter, modulation analyser, signal\n"
           "                           generator and power supply on the next four (0: free ports); prints\n"
           "                           the VANTREL_BENCH_<ROLE>= lines and VANTREL_METER=HOST:PORT\n"
           "  --meter PORT             the same as --bench PORT\n"
           "  --bench-noise X          reading noise: 0 exact (default), 1 a usual bench, more for worse\n"
           "  --bench-fault ROLE:KIND  an instrument fault; ROLE power-meter, frequency-counter,\n"
           "                           modulation-analyser, signal-generator or power-supply; KIND timeout\n"
           "                           (never answers), errors (refuses every command with -200) or\n"
           "                           disconnect (closes every connection)\n"
           "  --trace                  print every frame and state change (a request and its\n"
           "                           change share a line)\n"
           "  --fault SPEC             kind[@N][/0xOP[.0xBB]][*times][:param], e.g. nak@3, silence/0x23,\n"
           "                           late:12000; kinds: silence nak badsum unsupported late truncated\n"
           "                           noise disconnect\n"
           "  --write-bbo-config FILE  write a baseband offset configuration file for the named profiles\n"
           "  --list-profiles          list the profiles found by name, with their descriptions\n"
           "  -h, --help               print this text\n"
           "  --version                print the version\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> profiles;
    std::string link = "/tmp/vantrel-com1";
    std::string bboConfigFile;
    bool trace = false;
    std::optional<uint16_t> meterPort;
    double benchNoise = 0;
    std::vector<std::pair<SimBenchRole, SimInstrumentFault>> benchFaults;
    std::vector<SimFaultRule> faults;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc)
                    throw std::invalid_argument(a + " needs a value");
                return argv[++i];
            };
            if (a == "--profile") {
                profiles.push_back(value());
            } else if (a == "--link") {
                link = value();
            } else if (a == "--bench-noise") {
                const std::string v = value();
                char* end = nullptr;
                benchNoise = std::strtod(v.c_str(), &end);
                if (v.empty() || *end != '\0' || !(benchNoise >= 0 && benchNoise <= 100))
                    throw std::invalid_argument("--bench-noise needs a number 0 to 100, not '" + v + "'");
            } else if (a == "--bench-fault") {
                const std::string v = value();
                const size_t colon = v.find(':');
                const auto role = simBenchRoleOf(v.substr(0, colon));
                const std::string kind = colon == std::string::npos ? "" : v.substr(colon + 1);
                const SimInstrumentFault fault = kind == "timeout"      ? SimInstrumentFault::Timeout
                                                 : kind == "errors"     ? SimInstrumentFault::Errors
                                                 : kind == "disconnect" ? SimInstrumentFault::Disconnect
                                                                        : SimInstrumentFault::None;
                if (!role || fault == SimInstrumentFault::None)
                    throw std::invalid_argument("--bench-fault needs ROLE:timeout|errors|disconnect, not '" +
                                                v + "'");
                benchFaults.emplace_back(*role, fault);
            } else if (a == "--meter" || a == "--bench") {
                const std::string v = value();
                size_t used = 0;
                int port = -1;
                try {
                    port = std::stoi(v, &used);
                } catch (const std::exception&) {
                }
                if (used != v.size() || port < 0 || port > 65535)
                    throw std::invalid_argument(a + " needs a port number 0 to 65535, not '" + v + "'");
                if (port > 65535 - kSimBenchRoles)
                    throw std::invalid_argument(a + " needs room for five ports above " + v);
                meterPort = static_cast<uint16_t>(port);
            } else if (a == "--trace") {
                trace = true;
            } else if (a == "--fault") {
                faults.push_back(parseSimFault(value()));
            } else if (a == "--write-bbo-config") {
                bboConfigFile = value();
            } else if (a == "--list-profiles") {
                for (const std::string& n : SimProfile::available()) {
                    std::cout << n << "  " << SimProfile::named(n).description << "\n";
                }
                return 0;
            } else if (a == "--version") {
                std::cout << "vantrel-sim " << kVersion << "\n" << kLicenceNotice;
                return 0;
            } else if (a == "--help" || a == "-h") {
                usage();
                return 0;
            } else {
                throw std::invalid_argument("unknown option " + a);
            }
        }
        if (!bboConfigFile.empty()) {
            std::vector<SimBboConfigBlock> blocks;
            for (const std::string& p : profiles) {
                const SimProfile profile = SimProfile::named(p);
                if (!profile.bboConfig)
                    throw std::invalid_argument("profile " + p + " has no bboConfig block");
                blocks.push_back(*profile.bboConfig);
            }
            std::ofstream out(bboConfigFile, std::ios::binary);
            out << writeBboConfig(blocks);
            if (!out)
                throw std::runtime_error("cannot write " + bboConfigFile);
            return 0;
        }
        if (profiles.size() > 1)
            throw std::invalid_argument("serve one profile at a time");

        SimRadio radio(SimProfile::named(profiles.empty() ? "portable" : profiles[0]));
        for (const SimFaultRule& f : faults) radio.addFault(f);
        // Served until stopped: the trace streams to stdout, nothing needs a long history.
        radio.transcript().setCapacity(kServedHistory);
        std::mutex printing;
        // A request and the change it made share a line: each write reads once.
        SimTracePrinter tracePrinter([](const std::string& line) { std::cout << line << std::endl; });
        if (trace)
            radio.transcript().setListener([&](const SimEvent& e) {
                std::lock_guard<std::mutex> lock(printing);
                tracePrinter.add(e);
            });

        // Block the stop signals before the server thread starts so only sigwait sees them.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

        PtySimServer server(radio, link);
        server.start();
        SimBench bench(radio, std::string("0,") + kVersion);
        bench.setNoise(benchNoise);
        for (const auto& [role, fault] : benchFaults) bench.setFault(role, fault);
        if (meterPort)
            bench.start(*meterPort);
        {
            std::lock_guard<std::mutex> lock(printing);
            const SimProfile p = radio.profile();
            std::cout << "Simulated radio '" << p.name << "' (" << p.modelNo << ", serial " << p.serialNo
                      << ") on " << server.slavePath() << "\n"
                      << "VANTREL_COM1=" << link << std::endl;
            if (meterPort) {
                std::cout << "Bench instruments (SCPI over TCP, generic-scpi dialect) on 127.0.0.1\n"
                          << "VANTREL_METER=127.0.0.1:" << bench.port(SimBenchRole::PowerMeter) << "\n";
                for (int i = 0; i < kSimBenchRoles; ++i) {
                    const auto role = static_cast<SimBenchRole>(i);
                    std::string name = simBenchRoleKey(role);
                    for (char& c : name)
                        c = c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                    std::cout << "VANTREL_BENCH_" << name << "=tcp:127.0.0.1:" << bench.port(role) << "\n";
                }
                std::cout << std::flush;
            }
        }
        int sig = 0;
        sigwait(&stopSignals, &sig);
        bench.stop();
        server.stop();
        {
            std::lock_guard<std::mutex> lock(printing);
            tracePrinter.flush();
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "vantrel-sim: " << e.what() << "\n";
        return 2;
    }
}
