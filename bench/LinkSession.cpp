// The measured runs against the simulated radio on a pseudo-terminal.
#include "bench/LinkSession.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "link/Exceptions.h"
#include "link/RF_CommunicationSetup.h"
#include "link/SBEPRequests.h"
#include "link/cominit.h"
#include "operations/ProgressSink.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "radio/radioStorage.h"
#include "sim/SimProfile.h"

namespace vantrel::bench {

namespace {

constexpr unsigned kBenchComPort = 1;
constexpr size_t kSoftpotFunctionAt = 1;  // payload byte: softpot number, then the function

double loadAverage() {
    double load = 0;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = 0;
        std::fclose(f);
    }
    return load;
}

double threadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::filesystem::path makeScratchDirectory() {
    static unsigned counter = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("vantrel-bench-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir);
    return dir;
}

// Opcode and payload of a raw request frame (extended opcodes only: every request has one).
uint8_t opcodeOf(const std::vector<uint8_t>& frame) {
    return frame.size() > 1 && frame[0] >= 0xF0 ? frame[1]
                                                : static_cast<uint8_t>(frame.empty() ? 0 : frame[0] >> 4);
}

size_t payloadStart(const std::vector<uint8_t>& frame) {
    if (frame.empty())
        return 0;
    size_t at = 1;
    if ((frame[0] >> 4) == sbep::ExtendedMarker)
        ++at;
    if ((frame[0] & 0x0F) == sbep::ExtendedMarker)
        at += 2;
    return at;
}

}  // namespace

std::string RequestRecord::kind() const {
    const uint8_t op = opcodeOf(frame);
    switch (op) {
        case sbepOp::Reset:
            return "reset";
        case sbepOp::ReadMemory:
            return "memory read";
        case sbepOp::WriteMemory:
            return "memory write";
        case sbepOp::WriteSerialNo:
            return "serial number write";
        case sbepOp::Key:
            return "key/dekey";
        case sbepOp::ReadTune:
            return "tuning block read";
        case sbepOp::AutoTune:
            return "auto-tune";
        case sbepOp::Channel:
            return "channel";
        case sbepOp::TestMode:
            return "test mode";
        case sbepOp::Identity:
            return "identity";
        case sbepOp::Bbo:
            return "offsets";
        case sbepOp::Softpot: {
            const size_t at = payloadStart(frame) + kSoftpotFunctionAt;
            const uint8_t function = at < frame.size() ? frame[at] : 0xFF;
            switch (function) {
                case softpotFunction::Read:
                    return "softpot read";
                case softpotFunction::ReadTable:
                    return "softpot table read";
                case softpotFunction::Program:
                    return "softpot program";
                case softpotFunction::SetLive:
                    return "softpot set live";
                case softpotFunction::ProgramTable:
                    return "softpot table program";
                default:
                    return "softpot ?";
            }
        }
        default: {
            char text[16];
            std::snprintf(text, sizeof text, "opcode 0x%02X", op);
            return text;
        }
    }
}

double OperationMeasurement::floorSeconds() const {
    double sum = 0;
    for (const RequestRecord& r : requests) sum += r.floorSeconds();
    return sum;
}

double OperationMeasurement::honestFloorSeconds() const {
    double sum = 0;
    for (const RequestRecord& r : requests) sum += r.honestFloorSeconds();
    return sum;
}

double OperationMeasurement::overheadPerRequestMs() const {
    return requests.empty() ? 0 : (wallSeconds - honestFloorSeconds()) * 1000 / requests.size();
}

unsigned OperationMeasurement::echoRequests() const {
    return static_cast<unsigned>(std::count_if(requests.begin(), requests.end(),
                                               [](const auto& r) { return r.pauseMs == kEchoPauseMs; }));
}

unsigned OperationMeasurement::noEchoRequests() const {
    return static_cast<unsigned>(std::count_if(requests.begin(), requests.end(),
                                               [](const auto& r) { return r.pauseMs == kNoEchoPauseMs; }));
}

LinkSession::LinkSession(const std::string& profile)
    : m_dir(makeScratchDirectory()),
      m_linkPath((m_dir / "com1").string()),
      m_radio(SimProfile::named(profile)),
      m_server(m_radio, m_linkPath),
      m_opener(m_linkPath) {
    m_server.start();
    comIni::write(m_dir.string(), kBenchComPort);
    m_context = std::make_unique<ScopedLinkContext>(
        LinkContext{m_dir.string(), &m_opener, &m_clock, [this] { idle(); }});
}

LinkSession::~LinkSession() {
    m_context.reset();
    m_server.stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

OperationMeasurement LinkSession::readRadio(radioStorage& record) {
    return measure(
        [&]() -> std::string {
            NullProgress progress;
            radioOperations operations;
            const ReadRadioOutcome outcome = operations.readRadioCommand(record, progress);
            if (outcome.kind != ReadRadioOutcome::Kind::Read)
                return "the read ended with outcome " + std::to_string(static_cast<int>(outcome.kind)) +
                       ", status " + std::to_string(outcome.status);
            return {};
        },
        false);
}

OperationMeasurement LinkSession::programAll(radioStorage& record) {
    return measure(
        [&]() -> std::string {
            NullProgress progress;
            const ProgramOutcome outcome = radioProgramAll::programRadioCommand(record, progress);
            if (outcome != ProgramOutcome::Programmed)
                return "Program All ended with outcome " + std::to_string(static_cast<int>(outcome));
            return {};
        },
        false);
}

OperationMeasurement LinkSession::runChild(const std::vector<std::string>& argv) {
    return measure(
        [&]() -> std::string {
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            // Anything still buffered would be written twice: once by the child.
            std::fflush(nullptr);
            const pid_t pid = fork();
            if (pid < 0)
                return "cannot start " + argv[0];
            if (pid == 0) {
                // The child's output would only mix into the table.
                const int null = open("/dev/null", O_RDWR);
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
                execv(args[0], args.data());
                _exit(127);
            }
            int status = 0;
            rusage u{};
            while (wait4(pid, &status, 0, &u) < 0 && errno == EINTR) {
            }
            m_childCpu =
                u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
            m_childRssKb = u.ru_maxrss;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                return argv[0] + " exited with " +
                       std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
            return {};
        },
        true);
}

void LinkSession::idle() {
    const int64_t now = PauseClock::nowUs();
    if (now - m_lastIdleUs > m_longestStallUs) {
        m_longestStallUs = now - m_lastIdleUs;
        m_longestStallEndUs = now;
    }
    m_lastIdleUs = now;
    ++m_idleCalls;
}

std::vector<double> LinkSession::connectionCostsUs(int count) {
    std::vector<double> costs;
    for (int i = 0; i < count; ++i) {
        const int64_t start = PauseClock::nowUs();
        { cominit link; }
        costs.push_back(static_cast<double>(PauseClock::nowUs() - start));
    }
    return costs;
}

OperationMeasurement LinkSession::measure(const std::function<std::string()>& op, bool child) {
    m_radio.transcript().clear();
    m_clock.take();
    OperationMeasurement m;
    m.loadAverage = loadAverage();
    const unsigned openedBefore = m_opener.opened;
    const double cpuBefore = threadCpuSeconds();
    const int64_t startUs = PauseClock::nowUs();
    m_lastIdleUs = startUs;
    m_longestStallUs = 0;
    m_longestStallEndUs = startUs;
    m_idleCalls = 0;
    try {
        m.failure = op();
    } catch (const std::exception& e) {
        m.failure = e.what();
    } catch (const Exception&) {
        m.failure = "link failure";
    }
    const int64_t endUs = PauseClock::nowUs();
    if (!child) {
        m.connections = m_opener.opened - openedBefore;
        m.idleCalls = m_idleCalls;
        m.longestStallUs = m_longestStallUs;
        m.longestStallEndUs = m_longestStallEndUs - startUs;
        if (endUs - m_lastIdleUs > m.longestStallUs) {
            m.longestStallUs = endUs - m_lastIdleUs;
            m.longestStallEndUs = endUs - startUs;
        }
    }
    m.ok = m.failure.empty();
    m.wallSeconds = (endUs - startUs) / 1e6;
    if (child) {
        m.cpuSeconds = m_childCpu;
        m.peakRssKb = m_childRssKb;
    } else {
        m.cpuSeconds = threadCpuSeconds() - cpuBefore;
    }
    pair(m, startUs, endUs);
    return m;
}

void LinkSession::pair(OperationMeasurement& m, int64_t startUs, int64_t endUs) {
    // The radio's answer to a request, from its transcript: the echo one byte a millisecond from the
    // request's arrival, then each frame it sent, its bytes the reply spacing apart.
    const SimTiming timing = m_radio.profile().timing;
    uint64_t arrivedMs = 0, answerEndMs = 0;
    auto closeAnswer = [&] {
        if (!m.requests.empty())
            m.requests.back().answerMs = static_cast<uint32_t>(answerEndMs - arrivedMs);
    };
    for (const SimEvent& e : m_radio.transcript().entries()) {
        if (e.kind == SimEventKind::FrameIn) {
            closeAnswer();
            m.requests.push_back(RequestRecord{e.bytes});
            arrivedMs = e.atMs;
            answerEndMs = e.atMs + timing.echoDelayMs + (e.bytes.empty() ? 0 : e.bytes.size() - 1);
        } else if (e.kind == SimEventKind::FrameOut && !e.bytes.empty()) {
            answerEndMs =
                std::max<uint64_t>(answerEndMs, e.atMs + (e.bytes.size() - 1) * timing.replyPerByteMs);
        } else if (e.kind == SimEventKind::BadFrame) {
            ++m.badFrames;
        }
    }
    closeAnswer();
    const std::vector<SleepRecord> sleeps = m_clock.take();
    std::vector<size_t> pauses;
    for (size_t i = 0; i < sleeps.size(); ++i)
        if (sleeps[i].isSendPause())
            pauses.push_back(i);
    if (pauses.empty())
        return;  // another process sent the requests
    const size_t paired = std::min(pauses.size(), m.requests.size());
    m.unpairedPauses = static_cast<unsigned>(std::max(pauses.size(), m.requests.size()) - paired);
    m.leadUs = sleeps[pauses[0]].startUs - startUs;
    for (size_t k = 0; k < paired; ++k) {
        RequestRecord& r = m.requests[k];
        const SleepRecord& p = sleeps[pauses[k]];
        r.pauseMs = p.requestedMs;
        r.pauseUs = p.elapsedUs;
        const size_t nextPause = k + 1 < pauses.size() ? pauses[k + 1] : sleeps.size();
        const int64_t intervalEnd = k + 1 < pauses.size() ? sleeps[pauses[k + 1]].startUs : endUs;
        r.intervalUs = intervalEnd - p.startUs;
        for (size_t i = pauses[k] + 1; i < nextPause; ++i) {
            r.timerSleepUs += sleeps[i].elapsedUs;
            ++r.timerSleeps;
        }
        // A stall is told by where it ended: inside this request's pause (the wake-up came late) or
        // after it (the waits for bytes, processing, the next step's connection).
        const int64_t stallEnd = startUs + m.longestStallEndUs;
        if (m.longestStallUs > 0 && stallEnd > p.startUs && stallEnd <= intervalEnd)
            m.stallWhere =
                r.kind() + (stallEnd <= p.startUs + p.elapsedUs ? ", in its pause" : ", after its pause");
    }
    if (m.longestStallUs > 0 && m.stallWhere.empty())
        m.stallWhere = m.longestStallEndUs <= m.leadUs ? "before the first request" : "";
}

}  // namespace vantrel::bench
