// vantrel-bench-align: closed-loop alignment against the simulated radio and its bench instruments (seven
// power points, then every automatic procedure of the whole radio), timed against the protocol's floor.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "bench/LinkSession.h"
#include "cli/AlignCommand.h"
#include "cli/CliSession.h"
#include "cli/SessionInput.h"
#include "instruments/BenchConfig.h"
#include "instruments/Instruments.h"
#include "link/cominit.h"
#include "radio/radioStorage.h"
#include "sim/SimBench.h"
#include "sim/SimMeterServer.h"

using namespace vantrel;
using namespace vantrel::bench;

namespace {

constexpr double kEngineTarget = 1.03;  // the session engine in this process
constexpr double kScriptTarget = 1.05;  // the script driving vantrel-cli session
constexpr int kMaxSteps = 12;           // the script's default bound on bisection steps per point
constexpr const char* kProcedure = "tx-high-power";
constexpr double kWholeRadioTarget = 1.10;  // every automatic procedure through runAlignment

struct Options {
    int repeat = 3;
    std::string profile = "portable";
    std::string binDir;
    std::string script;
};

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

/// A blocking SCPI client of the meter on loopback.
class MeterClient {
  public:
    explicit MeterClient(uint16_t port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
            throw std::runtime_error("cannot reach the power meter");
    }
    ~MeterClient() { ::close(m_fd); }
    MeterClient(const MeterClient&) = delete;
    MeterClient& operator=(const MeterClient&) = delete;

    /// A reading as the script takes it: the query, then the decimal line parsed.
    double watts() {
        const std::string query = "MEAS:POW?\n";
        if (::send(m_fd, query.data(), query.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(query.size()))
            throw std::runtime_error("the power meter went away");
        for (;;) {
            if (const auto nl = m_buffer.find('\n'); nl != std::string::npos) {
                const std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return std::stod(line);
            }
            char buf[256];
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0)
                throw std::runtime_error("the power meter closed the connection");
            m_buffer.append(buf, static_cast<size_t>(n));
        }
    }

  private:
    int m_fd = -1;
    std::string m_buffer;
};

/// Input for a session driven request by request through answer(): it never has a line.
class NoInput : public SessionInput {
  public:
    Event next(std::string&, std::optional<std::uint32_t>) override { return Event::End; }
};

/// The alignment of tools/align-power.py, step for step, through the session engine in this process: the
/// same requests reach the radio, so the script's run can borrow this run's pauses.
std::string alignInProcess(uint16_t meterPort, double target) {
    std::ostringstream out, err;
    NoInput input;
    CliSession session(out, err, input);
    MeterClient meter(meterPort);
    int id = 0;
    auto request = [&](nlohmann::ordered_json r) {
        r["id"] = ++id;
        const auto answer = session.answer(r.dump());
        if (!answer || !(*answer)["ok"].get<bool>())
            throw std::runtime_error(r.dump() + " refused: " + (answer ? answer->dump() : "no answer"));
        return *answer;
    };
    request({{"cmd", "read"}});
    const auto opened = request({{"cmd", "open"}, {"procedure", kProcedure}});
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    try {
        for (const auto& p : opened["points"]) {
            if (!p.value("supported", false))
                continue;
            const int number = p["point"].get<int>();
            const int low = p["minimum"].get<int>(), high = p["maximum"].get<int>();
            request({{"cmd", "point"}, {"point", number}});
            request({{"cmd", "key"}});
            std::map<int, double> measured;
            int last = -1;
            auto measure = [&](int value) {
                request({{"cmd", "live"}, {"value", value}});
                last = value;
                return measured[value] = meter.watts();
            };
            int lo = low, hi = high;
            for (int steps = 0; lo < hi && steps < kMaxSteps; ++steps) {
                const int mid = (lo + hi) / 2;
                if (measure(mid) < target)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            if (lo < hi)
                throw std::runtime_error("no value found within the steps");
            std::vector<int> candidates;
            for (int v : {lo - 1, lo})
                if (v >= low && v <= high)
                    candidates.push_back(v);
            for (int v : candidates)
                if (!measured.count(v))
                    measure(v);
            const int best = *std::min_element(candidates.begin(), candidates.end(), [&](int a, int b) {
                const double da = std::fabs(measured[a] - target), db = std::fabs(measured[b] - target);
                return da != db ? da < db : a < b;
            });
            if (last != best)
                measure(best);
            request({{"cmd", "dekey"}});
            values[std::to_string(number)] = best;
        }
        request({{"cmd", "program"}, {"values", values}});
    } catch (...) {
        session.answer(R"({"cmd":"close"})");
        throw;
    }
    request({{"cmd", "close"}});
    return {};
}

/// One whole-radio alignment: the steps per point and how the run ended.
struct WholeRadio {
    std::vector<int> steps;  ///< live values sent, per row
    int procedures = 0;      ///< automatic procedures run
    int aligned = 0;
};

/// Every automatic procedure of the radio behind `session`, through runAlignment in this process, with the
/// simulated bench's five instruments over SCPI on loopback (opened before the measurement starts).
OperationMeasurement alignWholeRadio(LinkSession& session, WholeRadio& outcome) {
    SimBench instruments(session.radio(), "0,bench");
    instruments.start(0);
    BenchConfig config;
    for (int i = 0; i < kSimBenchRoles; ++i) {
        const auto role = static_cast<SimBenchRole>(i);
        std::string name = simBenchRoleKey(role);
        for (char& c : name)
            c = c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ::setenv(("VANTREL_BENCH_" + name).c_str(),
                 ("tcp:127.0.0.1:" + std::to_string(instruments.port(role))).c_str(), 1);
    }
    config.applyEnvironment();
    const InstrumentContext context = programInstrumentContext();
    const auto meter = openPowerMeter(config.roles.at(Role::PowerMeter), context);
    const auto counter = openFrequencyCounter(config.roles.at(Role::FrequencyCounter), context);
    const auto analyser = openModulationAnalyser(config.roles.at(Role::ModulationAnalyser), context);
    const auto generator = openSignalGenerator(config.roles.at(Role::SignalGenerator), context);
    const auto supply = openPowerSupply(config.roles.at(Role::PowerSupply), context);

    radioStorage record;
    const OperationMeasurement read = session.readRadio(record);
    if (!read.ok)
        throw std::runtime_error("Read Radio failed: " + read.failure);
    alignmentEnvironment environment;
    environment.session.record = &record;
    environment.session.openConnection = [] { return std::make_unique<cominit>(); };
    environment.session.programDirectory = session.directory().string();
    environment.bench = {meter.get(), counter.get(), analyser.get(), generator.get(), supply.get()};
    const alignmentPlan plan = makeAlignmentPlan(record, environment.bench, environment.targets, {});
    return session.runInProcess([&]() -> std::string {
        const alignmentReport report = runAlignment(plan, environment);
        outcome = {};
        std::string failures;
        for (const procedureResult& p : report.procedures) {
            if (p.mode != planMode::Automatic)
                continue;
            ++outcome.procedures;
            if (p.end == procedureEnd::Aligned)
                ++outcome.aligned;
            else
                failures += " " + p.procedure + " " + procedureEndName(p.end);
        }
        for (const alignmentRow& r : report.rows())
            if (r.steps > 0)
                outcome.steps.push_back(r.steps);
        return failures.empty() ? std::string() : "not aligned:" + failures;
    });
}

struct Row {
    std::string what;
    double target;
    std::vector<OperationMeasurement> runs;
    std::vector<double> ratios, honest;
    bool ratiosKnown = true;
};

void printRow(const Row& r) {
    std::cout << "| " << r.what << " | ";
    if (r.runs.empty() || !std::all_of(r.runs.begin(), r.runs.end(), [](auto& m) { return m.ok; })) {
        std::cout << "failed: " << (r.runs.empty() ? std::string("not run") : r.runs.back().failure)
                  << " | | | | | | |\n";
        return;
    }
    std::vector<double> wall, floor, honestFloor;
    for (const auto& m : r.runs) {
        wall.push_back(m.wallSeconds);
        floor.push_back(m.floorSeconds());
        honestFloor.push_back(m.honestFloorSeconds());
    }
    const OperationMeasurement& m = r.runs.front();
    std::cout << m.requests.size() << " (" << m.echoRequests() << " + " << m.noEchoRequests() << ") | "
              << fixed(median(floor), 2) << " | " << fixed(median(honestFloor), 2) << " | "
              << fixed(median(wall), 2) << " | ";
    if (!r.ratiosKnown || r.ratios.empty()) {
        std::cout << "n/a | | |\n";
        return;
    }
    const double ratio = median(r.ratios);
    std::cout << fixed(ratio, 3) << " (" << fixed(*std::min_element(r.ratios.begin(), r.ratios.end()), 3)
              << "-" << fixed(*std::max_element(r.ratios.begin(), r.ratios.end()), 3)
              << ") | <= " << fixed(r.target, 2) << ": " << (ratio <= r.target ? "yes" : "**no**") << " | "
              << fixed(median(r.honest), 3) << " |\n";
}

void usage() {
    std::cout << "usage: vantrel-bench-align [--repeat N] [--profile NAME] [--bin DIR] [--script PATH]\n";
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::error_code ec;
    o.binDir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--repeat")
            o.repeat = std::max(1, std::atoi(value().c_str()));
        else if (a == "--profile")
            o.profile = value();
        else if (a == "--bin")
            o.binDir = value();
        else if (a == "--script")
            o.script = value();
        else {
            usage();
            return a == "--help" ? 0 : 64;
        }
    }
    const std::string cli = (std::filesystem::path(o.binDir) / "vantrel-cli").string();

    Row engine{"session engine in this process, the script's steps in C++", kEngineTarget, {}, {}, {}, true};
    Row script{"tools/align-power.py driving vantrel-cli session (child processes)",
               kScriptTarget,
               {},
               {},
               {},
               true};
    const bool runScript =
        !o.script.empty() && std::filesystem::exists(o.script) && std::filesystem::exists(cli);
    try {
        for (int i = 0; i < o.repeat; ++i) {
            LinkSession session(o.profile);
            SimRadio& radio = session.radio();
            const double target = radio.profile().power.ratedWatts;
            SimMeterServer meter("Vantrel,Simulated Power Meter,0,bench",
                                 [&radio] { return radio.outputWatts(); });
            meter.start(0);
            engine.runs.push_back(session.runInProcess([&] { return alignInProcess(meter.port(), target); }));
            if (engine.runs.back().ok) {
                engine.ratios.push_back(engine.runs.back().floorRatio());
                engine.honest.push_back(engine.runs.back().honestRatio());
            }
            std::cerr << "  align run " << i + 1 << ": in process "
                      << fixed(engine.runs.back().wallSeconds, 2) << " s" << std::flush;
            if (runScript) {
                LinkSession fresh(o.profile);
                SimRadio& r2 = fresh.radio();
                SimMeterServer meter2("Vantrel,Simulated Power Meter,0,bench",
                                      [&r2] { return r2.outputWatts(); });
                meter2.start(0);
                OperationMeasurement child = fresh.runChild(
                    {"/usr/bin/env", "python3", o.script, "--cli", cli, "--device", fresh.devicePath(),
                     "--meter", "127.0.0.1:" + std::to_string(meter2.port()), "--target", fixed(target, 6)});
                // The script sends the very requests the in-process run sent: it takes their pauses.
                const OperationMeasurement& ref = engine.runs.back();
                bool same = child.ok && ref.ok && child.requests.size() == ref.requests.size();
                for (size_t k = 0; same && k < child.requests.size(); ++k) {
                    same = child.requests[k].frame == ref.requests[k].frame && ref.requests[k].pauseMs != 0;
                    if (same)
                        child.requests[k].pauseMs = ref.requests[k].pauseMs;
                }
                if (same) {
                    script.ratios.push_back(child.floorRatio());
                    script.honest.push_back(child.honestRatio());
                } else
                    script.ratiosKnown = false;
                std::cerr << ", script " << fixed(child.wallSeconds, 2) << " s";
                script.runs.push_back(std::move(child));
            }
            std::cerr << std::endl;
        }
    } catch (const std::exception& e) {
        std::cerr << "vantrel-bench-align: " << e.what() << "\n";
        return 1;
    }

    Row whole{"every automatic procedure through runAlignment in this process",
              kWholeRadioTarget,
              {},
              {},
              {},
              true};
    std::vector<int> steps;
    WholeRadio last;
    try {
        for (int i = 0; i < o.repeat; ++i) {
            LinkSession session(o.profile);
            whole.runs.push_back(alignWholeRadio(session, last));
            if (whole.runs.back().ok) {
                whole.ratios.push_back(whole.runs.back().floorRatio());
                whole.honest.push_back(whole.runs.back().honestRatio());
            }
            steps.insert(steps.end(), last.steps.begin(), last.steps.end());
            std::cerr << "  whole-radio run " << i + 1 << ": " << fixed(whole.runs.back().wallSeconds, 2)
                      << " s, " << last.aligned << " of " << last.procedures << " procedures aligned"
                      << std::endl;
        }
    } catch (const std::exception& e) {
        std::cerr << "vantrel-bench-align: " << e.what() << "\n";
        return 1;
    }

    std::cout
        << "### Closed-loop power alignment (seven points, simulated " << o.profile << " and its meter)\n\n"
        << "Read Radio, open Transmit High Power, at each point key, bisect the power softpot on the "
           "meter's readings (SCPI over loopback TCP) to the rated power, dekey; then Program and close. "
           "Median of "
        << o.repeat
        << " runs; each ratio is taken within one run. Floor = sum over the requests the radio received "
           "of their pause (175 ms after write, 110 ms after writeNoEcho) plus their frame bytes at "
           "10/9600 s; honest floor = sum over them of their pause or the simulated radio's answer, "
           "whichever is longer. The script's run takes the pauses of the in-process run of the same "
           "requests.\n\n"
        << "| Run | Requests (write + writeNoEcho) | Floor s | Honest floor s | Wall s | Wall / floor "
           "(min-max) | "
           "Target | Wall / honest floor |\n"
        << "|---|---|---|---|---|---|---|---|\n";
    printRow(engine);
    if (runScript)
        printRow(script);
    else
        std::cout << "| " << script.what
                  << " | skipped: python3 script or vantrel-cli not found | | | | | | |\n";
    std::cout << "\n";

    std::cout
        << "### Closed-loop alignment of the whole radio (simulated " << o.profile
        << " and its five instruments)\n\n"
        << "Every automatic procedure of the radio's plan (reference oscillator, power, PA bias, "
           "deviation, receive, battery) through the alignment core in this process, the instruments "
           "over SCPI on loopback TCP, from the profile's values to within tolerance, each procedure "
           "programmed; the Read Radio before it is not timed. Median of "
        << o.repeat << " runs; the floor and honest floor as above.\n\n"
        << "| Run | Requests (write + writeNoEcho) | Floor s | Honest floor s | Wall s | Wall / floor "
           "(min-max) | Target | Wall / honest floor |\n"
        << "|---|---|---|---|---|---|---|---|\n";
    printRow(whole);
    std::sort(steps.begin(), steps.end());
    std::cout << "\nProcedures aligned in the last run: " << last.aligned << " of " << last.procedures
              << ". Live values sent per point, over every run: median "
              << (steps.empty() ? std::string("-")
                                : fixed(median(std::vector<double>(steps.begin(), steps.end())), 1))
              << ", largest " << (steps.empty() ? std::string("-") : std::to_string(steps.back())) << " ("
              << steps.size() << " points).\n\n";
    return 0;
}
