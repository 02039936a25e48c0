// vantrel-bench-link: Read Radio and Program All against the simulated radio on a pseudo-terminal, timed
// against the protocol's floor, with the command-line tool's cost and the application's start-up.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/LinkSession.h"
#include "bench/StartupProbe.h"
#include "radio/radioStorage.h"

using namespace vantrel;
using namespace vantrel::bench;

namespace {

constexpr double kFloorTarget = 1.02;
constexpr double kOverheadTargetMs = 1.0;  // per request, beyond its pause and the radio's answer
constexpr double kCpuTarget = 0.02;
constexpr double kStallTargetMs = 16;         // the median run: one frame at 60 Hz
constexpr double kLargestStallTargetMs = 30;  // the largest run
constexpr double kAppStartTimeoutSeconds = 30;
constexpr int kConnectionSamples = 50;

struct Options {
    int repeat = 3;
    int appRepeat = 5;
    int cliRepeat = 3;
    std::vector<std::string> profiles{"portable", "mobile", "no-table-read"};
    std::vector<std::string> cliProfiles{"portable", "mobile"};
    std::string binDir;
    std::string app;
    bool details = true;
};

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty())
            out.push_back(item);
    return out;
}

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

std::string verdict(bool met) {
    return met ? "yes" : "**no**";
}

/// The repetitions of one operation on one profile.
struct Series {
    std::string profile;
    std::string operation;
    std::vector<OperationMeasurement> runs;

    std::vector<double> values(double (OperationMeasurement::*f)() const) const {
        std::vector<double> out;
        for (const auto& r : runs)
            if (r.ok)
                out.push_back((r.*f)());
        return out;
    }
    bool allOk() const {
        return !runs.empty() && std::all_of(runs.begin(), runs.end(), [](const auto& r) { return r.ok; });
    }
    /// The run whose floor ratio is the median (for the breakdown).
    const OperationMeasurement& medianRun() const {
        std::vector<const OperationMeasurement*> ok;
        for (const auto& r : runs)
            if (r.ok)
                ok.push_back(&r);
        if (ok.empty())
            return runs.front();
        std::sort(ok.begin(), ok.end(), [](auto a, auto b) { return a->floorRatio() < b->floorRatio(); });
        return *ok[ok.size() / 2];
    }
};

/// Pauses of a child's requests taken from an in-process run with the same request sequence.
bool borrowPauses(OperationMeasurement& child, const OperationMeasurement& reference) {
    if (child.requests.size() != reference.requests.size())
        return false;
    for (size_t i = 0; i < child.requests.size(); ++i) {
        if (child.requests[i].frame != reference.requests[i].frame || reference.requests[i].pauseMs == 0)
            return false;
        child.requests[i].pauseMs = reference.requests[i].pauseMs;
    }
    return true;
}

void printSeriesTable(const std::vector<Series>& all, int repeat) {
    std::cout
        << "### Read Radio and Program All over a pseudo-terminal (in-process simulated radio)\n\n"
        << "Median of " << repeat
        << " runs each; every ratio is taken within one run. Floor = sum over the requests sent of "
           "their pause (175 ms after write, 110 ms after writeNoEcho) plus their frame bytes at "
           "10/9600 s. Honest floor = sum over the requests of their pause or the simulated radio's "
           "answer, whichever is longer. Beyond = wall time less the honest floor, per request. CPU = "
           "user + system time of the thread that ran the operation.\n\n"
        << "| Profile | Operation | Requests (write + writeNoEcho) | Floor s | Honest floor s | Wall s | "
           "Wall / floor (min-max) | <= "
        << fixed(kFloorTarget, 2)
        << " | Wall / honest floor | Beyond ms per request | <= " << fixed(kOverheadTargetMs, 0)
        << " ms | CPU / wall | <= " << fixed(100 * kCpuTarget, 0) << " % |\n"
        << "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (const Series& s : all) {
        const OperationMeasurement& m = s.medianRun();
        std::cout << "| " << s.profile << " | " << s.operation << " | ";
        if (!s.allOk()) {
            std::cout << "failed: " << m.failure << " | | | | | | | | | | |\n";
            continue;
        }
        const auto ratios = s.values(&OperationMeasurement::floorRatio);
        const double ratio = median(ratios);
        const double honest = median(s.values(&OperationMeasurement::honestRatio));
        const double beyond = median(s.values(&OperationMeasurement::overheadPerRequestMs));
        const double cpu = median(s.values(&OperationMeasurement::cpuShare));
        std::vector<double> wall;
        for (const auto& r : s.runs) wall.push_back(r.wallSeconds);
        std::cout << m.requests.size() << " (" << m.echoRequests() << " + " << m.noEchoRequests() << ")"
                  << (m.unpairedPauses ? " [" + std::to_string(m.unpairedPauses) + " unpaired]" : "")
                  << (m.badFrames ? " [" + std::to_string(m.badFrames) + " bad frames]" : "") << " | "
                  << fixed(m.floorSeconds(), 2) << " | " << fixed(m.honestFloorSeconds(), 2) << " | "
                  << fixed(median(wall), 2) << " | " << fixed(ratio, 3) << " ("
                  << fixed(*std::min_element(ratios.begin(), ratios.end()), 3) << "-"
                  << fixed(*std::max_element(ratios.begin(), ratios.end()), 3) << ") | "
                  << verdict(ratio <= kFloorTarget) << " | " << fixed(honest, 3) << " | " << fixed(beyond, 2)
                  << " | " << verdict(beyond <= kOverheadTargetMs) << " | " << fixed(100 * cpu, 2) << " % | "
                  << verdict(cpu <= kCpuTarget) << " |\n";
    }
    std::cout << "\n";
}

/// The longest stretch without the idle hook in each run of a series, in milliseconds: how long the
/// application's window would have stopped painting.
std::vector<double> stallsMs(const Series& s) {
    std::vector<double> out;
    for (const auto& r : s.runs) out.push_back(r.longestStallUs / 1000.0);
    return out;
}

void printStallTable(const std::vector<Series>& all) {
    std::cout
        << "### Event-loop stalls during Read Radio and Program All\n\n"
        << "The application runs its event loop from the link's idle hook, which every wait of the link "
           "calls (the pauses after each frame, the waits for the radio's bytes). The benchmark's hook notes "
           "when it runs; a run's stall is the longest time between two calls, or between the start or end "
           "of the operation and the nearest call. Targets: at most "
        << fixed(kStallTargetMs, 0) << " ms in the median run, at most " << fixed(kLargestStallTargetMs, 0)
        << " ms in the largest. A stall is the worst wake-up of thousands, so it follows the machine's load "
           "(its 1-minute average at the start of each run is given beside it). Between the steps of an "
           "operation the application also repaints from its progress window, which the benchmark does not "
           "count, so these figures are an upper bound.\n\n"
        << "| Profile | Operation | Load average (runs) | Idle calls per run (median) | Longest stall ms, "
           "median run (largest) | <= "
        << fixed(kStallTargetMs, 0) << " ms (<= " << fixed(kLargestStallTargetMs, 0)
        << ") | Where the largest ended |\n"
        << "|---|---|---|---|---|---|---|\n";
    for (const Series& s : all) {
        std::cout << "| " << s.profile << " | " << s.operation << " | ";
        if (!s.allOk()) {
            std::cout << "failed | | | | |\n";
            continue;
        }
        std::vector<double> calls;
        std::string loads;
        for (const auto& r : s.runs) {
            calls.push_back(r.idleCalls);
            loads += (loads.empty() ? "" : ", ") + fixed(r.loadAverage, 2);
        }
        const std::vector<double> stalls = stallsMs(s);
        const double stall = median(stalls);
        const size_t worst = std::max_element(stalls.begin(), stalls.end()) - stalls.begin();
        const double largest = stalls[worst];
        std::cout << loads << " | " << fixed(median(calls), 0) << " | " << fixed(stall, 1) << " ("
                  << fixed(largest, 1) << ") | " << verdict(stall <= kStallTargetMs) << " ("
                  << verdict(largest <= kLargestStallTargetMs) << ") | " << s.runs[worst].stallWhere
                  << " |\n";
    }
    std::cout << "\n";
}

/// Where the time beyond the honest floor goes, for the median run of each series; then per request kind.
void printBreakdown(const std::vector<Series>& all, const std::vector<double>& connectionUs) {
    const double connectionMs = median(connectionUs) / 1000;
    std::cout
        << "### Where the time beyond the pauses goes (median run of each)\n\n"
        << "Per request, from the start of its pause to the start of the next request's pause: the "
           "pause as slept, the link's other sleeps (the rest of the first window after a refused or "
           "failed exchange), and the rest (waits for bytes, processing, opening and closing the port "
           "between steps). The radio answers while the program pauses, so wall - honest floor = lead "
           "+ oversleep + sleeps + rest - answers beyond their pauses. Connections: ports opened (one "
           "per step), at the median cost of one connection measured below.\n\n"
        << "| Profile | Operation | Beyond honest floor ms | per request ms | Lead ms | Pause oversleep "
           "ms | Other sleeps ms (count) | Rest ms | of it connections ms (count) |\n"
        << "|---|---|---|---|---|---|---|---|---|\n";
    for (const Series& s : all) {
        if (!s.allOk())
            continue;
        const OperationMeasurement& m = s.medianRun();
        double oversleep = 0, timer = 0, rest = 0;
        unsigned timerCount = 0;
        for (const RequestRecord& r : m.requests) {
            oversleep += r.pauseUs / 1000.0 - r.pauseMs;
            timer += r.timerSleepUs / 1000.0;
            timerCount += r.timerSleeps;
            rest += (r.intervalUs - r.pauseUs - r.timerSleepUs) / 1000.0;
        }
        const double beyond = (m.wallSeconds - m.honestFloorSeconds()) * 1000;
        std::cout << "| " << s.profile << " | " << s.operation << " | " << fixed(beyond, 0) << " | "
                  << fixed(beyond / m.requests.size(), 2) << " | " << fixed(m.leadUs / 1000.0, 1) << " | "
                  << fixed(oversleep, 0) << " | " << fixed(timer, 0) << " (" << timerCount << ") | "
                  << fixed(rest, 0) << " | " << fixed(m.connections * connectionMs, 1) << " ("
                  << m.connections << ") |\n";
    }
    std::cout << "\n";

    // Per request kind, over every series: what a request of that kind costs beyond its pause and answer.
    std::cout
        << "Per request kind (all profiles and operations, median runs): the simulated radio's answer "
           "(echo, acknowledge, data reply, from the request's arrival) and the time the request kept the "
           "link beyond its pause and that answer (from the start of its pause to the next request's pause, "
           "less the longer of the two), median and largest, and how much of it other sleeps took.\n\n"
        << "| Request | Sent with | Count | Answer ms (median, longest) | Beyond pause and answer ms "
           "(median) "
           "| largest | of it sleeps ms (median) |\n"
        << "|---|---|---|---|---|---|---|\n";
    struct Kind {
        std::vector<double> answer, beyond, sleeps;
    };
    std::map<std::pair<std::string, uint32_t>, Kind> kinds;
    for (const Series& s : all) {
        if (!s.allOk())
            continue;
        for (const RequestRecord& r : s.medianRun().requests) {
            Kind& k = kinds[{r.kind(), r.pauseMs}];
            k.answer.push_back(r.answerMs);
            k.beyond.push_back(r.overheadMs());
            k.sleeps.push_back(r.timerSleepUs / 1000.0);
        }
    }
    for (const auto& [key, k] : kinds) {
        const char* primitive = key.second == kEchoPauseMs     ? "write"
                                : key.second == kNoEchoPauseMs ? "writeNoEcho"
                                                               : "?";
        std::cout << "| " << key.first << " | " << primitive << " | " << k.answer.size() << " | "
                  << fixed(median(k.answer), 0) << ", "
                  << fixed(*std::max_element(k.answer.begin(), k.answer.end()), 0) << " | "
                  << fixed(median(k.beyond), 2) << " | "
                  << fixed(*std::max_element(k.beyond.begin(), k.beyond.end()), 2) << " | "
                  << fixed(median(k.sleeps), 1) << " |\n";
    }
    std::cout << "\n";

    std::vector<double> sorted = connectionUs;
    std::sort(sorted.begin(), sorted.end());
    if (!sorted.empty())
        std::cout << "Opening and closing the port: every step of an operation is a connection of its own "
                     "(COM.INI read, the port opened exclusively with DTR and RTS dropped, the line set to "
                     "9600 8N1, the input purged; closed at the end of the step), so another program can "
                     "use the port between steps and a pulled adapter is found at the next step. "
                  << sorted.size() << " connections to the pseudo-terminal: median "
                  << fixed(median(sorted) / 1000, 3) << " ms, largest " << fixed(sorted.back() / 1000, 3)
                  << " ms.\n\n";
}

void runCli(const Options& o, const std::map<std::string, Series>& reads,
            const std::map<std::string, Series>& programs) {
    const std::string cli = (std::filesystem::path(o.binDir) / "vantrel-cli").string();
    std::cout << "### vantrel-cli as a child process against the same simulated radio\n\n";
    if (!std::filesystem::exists(cli)) {
        std::cout << "Skipped: " << cli << " is not built.\n\n";
        return;
    }
    std::cout
        << "Median of " << o.cliRepeat
        << " runs. CPU and peak resident memory are the child's own (wait4). Wall / floor uses the "
           "pauses of the in-process run when the child sent the very same requests.\n\n"
        << "| Profile | Command | Requests | Wall s | Wall / floor | Wall / honest floor | CPU / wall | "
           "Peak RSS MiB |\n"
        << "|---|---|---|---|---|---|---|---|\n";
    for (const std::string& profile : o.cliProfiles) {
        std::vector<OperationMeasurement> readRuns, programRuns;
        for (int i = 0; i < o.cliRepeat; ++i) {
            LinkSession session(profile);
            const std::string archive = (session.directory() / "radio.sfp").string();
            readRuns.push_back(
                session.runChild({cli, "--device", session.devicePath(), "read", "-o", archive}));
            if (readRuns.back().ok)
                programRuns.push_back(
                    session.runChild({cli, "--device", session.devicePath(), "program", archive, "--yes"}));
        }
        auto row = [&](const char* command, std::vector<OperationMeasurement>& runs,
                       const std::map<std::string, Series>& ref) {
            std::cout << "| " << profile << " | " << command << " | ";
            if (runs.empty() || !std::all_of(runs.begin(), runs.end(), [](auto& r) { return r.ok; })) {
                std::cout << "failed: " << (runs.empty() ? std::string("not run") : runs.back().failure)
                          << " | | | | | |\n";
                return;
            }
            std::vector<double> wall, cpu, ratio, honest;
            long rss = 0;
            bool ratios = ref.count(profile) > 0;
            for (auto& r : runs) {
                wall.push_back(r.wallSeconds);
                cpu.push_back(r.cpuShare());
                rss = std::max(rss, r.peakRssKb);
                if (ratios && borrowPauses(r, ref.at(profile).medianRun())) {
                    ratio.push_back(r.floorRatio());
                    honest.push_back(r.honestRatio());
                } else {
                    ratios = false;
                }
            }
            std::cout << runs.front().requests.size() << " | " << fixed(median(wall), 2) << " | "
                      << (ratios ? fixed(median(ratio), 3) : std::string("n/a")) << " | "
                      << (ratios ? fixed(median(honest), 3) : std::string("n/a")) << " | "
                      << fixed(100 * median(cpu), 2) << " % | " << fixed(rss / 1024.0, 1) << " |\n";
        };
        row("read", readRuns, reads);
        row("program --yes", programRuns, programs);
    }
    std::cout << "\n";
}

void runApp(const Options& o) {
    std::cout << "### Application start-up\n\n";
    StartupProbe probe(o.app, kAppStartTimeoutSeconds);
    std::vector<double> times;
    std::string error;
    for (int i = 0; i < o.appRepeat; ++i) {
        if (auto t = probe.measureOnce()) {
            times.push_back(*t);
        } else {
            error = probe.lastError();
            if (times.empty())
                break;  // an application that does not start once will not start the next time either
        }
    }
    if (times.empty()) {
        std::cout << "Skipped: " << error << ".\n\n";
        return;
    }
    std::cout
        << "`vantrel` offscreen (QT_QPA_PLATFORM=offscreen), from the start of the process to the first "
           "flush of its main window to the screen (Qt's painting log), "
        << times.size() << " starts: median " << fixed(median(times) * 1000, 0) << " ms (min "
        << fixed(*std::min_element(times.begin(), times.end()) * 1000, 0) << ", max "
        << fixed(*std::max_element(times.begin(), times.end()) * 1000, 0) << ")"
        << (error.empty() ? "" : "; some starts failed: " + error) << ".\n\n";
}

void usage() {
    std::cout << "usage: vantrel-bench-link [--repeat N] [--profiles a,b] [--cli-profiles a,b] [--bin DIR]\n"
                 "                          [--cli-repeat N] [--app PATH] [--app-repeat N] [--no-details]\n";
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
        else if (a == "--cli-repeat")
            o.cliRepeat = std::max(1, std::atoi(value().c_str()));
        else if (a == "--app-repeat")
            o.appRepeat = std::max(0, std::atoi(value().c_str()));
        else if (a == "--profiles")
            o.profiles = split(value());
        else if (a == "--cli-profiles")
            o.cliProfiles = split(value());
        else if (a == "--bin")
            o.binDir = value();
        else if (a == "--app")
            o.app = value();
        else if (a == "--no-details")
            o.details = false;
        else {
            usage();
            return a == "--help" ? 0 : 64;
        }
    }
    if (o.app.empty())
        o.app = (std::filesystem::path(o.binDir) / "vantrel").string();

    std::vector<Series> all;
    std::map<std::string, Series> reads, programs;
    try {
        for (const std::string& profile : o.profiles) {
            Series read{profile, "Read Radio", {}}, program{profile, "Program All", {}};
            for (int i = 0; i < o.repeat; ++i) {
                LinkSession session(profile);
                radioStorage record;
                read.runs.push_back(session.readRadio(record));
                if (read.runs.back().ok)
                    program.runs.push_back(session.programAll(record));
                std::cerr << "  " << profile << " run " << i + 1 << ": read "
                          << fixed(read.runs.back().wallSeconds, 2) << " s"
                          << (program.runs.empty()
                                  ? ""
                                  : ", program " + fixed(program.runs.back().wallSeconds, 2) + " s")
                          << "; longest stalls " << fixed(read.runs.back().longestStallUs / 1000.0, 1)
                          << " ms (" << read.runs.back().stallWhere << ")"
                          << (program.runs.empty()
                                  ? ""
                                  : ", " + fixed(program.runs.back().longestStallUs / 1000.0, 1) + " ms (" +
                                        program.runs.back().stallWhere + ")")
                          << std::endl;
            }
            reads[profile] = read;
            programs[profile] = program;
            all.push_back(std::move(read));
            all.push_back(std::move(program));
        }
        std::vector<double> connectionUs;
        if (o.details && !o.profiles.empty()) {
            LinkSession session(o.profiles.front());
            connectionUs = session.connectionCostsUs(kConnectionSamples);
        }
        printSeriesTable(all, o.repeat);
        printStallTable(all);
        if (o.details)
            printBreakdown(all, connectionUs);
        runCli(o, reads, programs);
        if (o.appRepeat > 0)
            runApp(o);
    } catch (const std::exception& e) {
        std::cerr << "vantrel-bench-link: " << e.what() << "\n";
        return 1;
    }
    bool met = true;
    for (const Series& s : all) {
        const std::vector<double> stalls = stallsMs(s);
        met = met && s.allOk() && median(s.values(&OperationMeasurement::floorRatio)) <= kFloorTarget &&
              median(s.values(&OperationMeasurement::overheadPerRequestMs)) <= kOverheadTargetMs &&
              median(s.values(&OperationMeasurement::cpuShare)) <= kCpuTarget &&
              median(stalls) <= kStallTargetMs &&
              *std::max_element(stalls.begin(), stalls.end()) <= kLargestStallTargetMs;
    }
    std::cout << (met ? "**Verdict**: every Read Radio and Program All figure meets its target"
                      : "**Verdict**: some Read Radio or Program All figures miss their targets (see above)")
              << " (wall / floor <= " << fixed(kFloorTarget, 2)
              << ", beyond the pause and the answer <= " << fixed(kOverheadTargetMs, 0)
              << " ms a request, CPU / wall <= " << fixed(100 * kCpuTarget, 0)
              << " %, event-loop stall <= " << fixed(kStallTargetMs, 0)
              << " ms in the median run and <= " << fixed(kLargestStallTargetMs, 0)
              << " ms in the largest).\n\n";
    return 0;
}
