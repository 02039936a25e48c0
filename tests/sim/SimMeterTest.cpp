// The simulated power meter: SCPI headers, the error queue, bad input, and the TCP server on loopback.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimMeterServer.h"
#include "sim/SimRadio.h"
#include "sim/SimScpiMeter.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

// A bound on every wait for the server, so a broken server fails the test instead of hanging it.
constexpr int kWaitLimitMs = 10000;

SimScpiMeter meterReading(double watts) {
    return SimScpiMeter("Vantrel,Simulated Power Meter,0,1.0", [watts] { return watts; });
}

TEST(SimScpiMeter, HeadersMatchInLongOrShortFormInAnyCaseWithOptionalNodesLeftOut) {
    SimScpiMeter meter = meterReading(4.98765);
    for (const char* query : {"MEAS:POW?", "MEASure:POWer?", "measure:power?", "Meas:Pow?", ":MEAS:POW?",
                              "MEAS?", "MEAS:SCAL:POW:AC?", "MEASURE:SCALAR:POWER:AC?", "MEAS:POW:AC?",
                              "READ:POW?", "FETC?", "fetch:power?", "MEAS:POW? DEF,DEF", "  MEAS:POW?  "}) {
        EXPECT_EQ(meter.handleLine(query), std::optional<std::string>("4.9877")) << query;
    }
    EXPECT_EQ(meter.handleLine("*idn?"), std::optional<std::string>("Vantrel,Simulated Power Meter,0,1.0"));
    EXPECT_EQ(meter.handleLine("*OPC?"), std::optional<std::string>("1"));
    EXPECT_EQ(meter.handleLine("SYST:VERS?"), std::optional<std::string>("1999.0"));
    EXPECT_EQ(meter.errorCount(), 0u);

    // Neither short nor long: an abbreviation in between, a node out of order, a command for a query.
    for (const char* wrong :
         {"MEASU:POW?", "MEAS:POWE?", "MEAS:AC:POW?", "MEAS:POW", "POW?", "*IDN", "IDN?"}) {
        EXPECT_EQ(meter.handleLine(wrong), std::nullopt) << wrong;
        EXPECT_EQ(meter.handleLine("SYST:ERR?"), std::optional<std::string>("-113,\"Undefined header\""))
            << wrong;
    }
    EXPECT_EQ(meter.handleLine("SYSTem:ERRor:NEXT?"), std::optional<std::string>("0,\"No error\""));
}

TEST(SimScpiMeter, CompoundLinesAnswerTogetherAndStopAtTheFirstError) {
    SimScpiMeter meter = meterReading(0.5);
    EXPECT_EQ(meter.handleLine("*IDN?;MEAS:POW?;*OPC?"),
              std::optional<std::string>("Vantrel,Simulated Power Meter,0,1.0;0.5000;1"));
    EXPECT_EQ(meter.handleLine("*CLS;*RST;"), std::nullopt);
    // Replies before the bad unit stand; nothing after it is carried out.
    EXPECT_EQ(meter.handleLine("MEAS?;BOGUS?;*OPC?\r"), std::optional<std::string>("0.5000"));
    EXPECT_EQ(meter.handleLine("SYST:ERR:COUN?"), std::optional<std::string>("1"));
    EXPECT_EQ(meter.handleLine("*CLS;SYST:ERR:COUN?"), std::optional<std::string>("0"));
}

TEST(SimScpiMeter, BadInputQueuesItsErrorAndNeverAnswers) {
    SimScpiMeter meter = meterReading(1.0);
    struct Case {
        std::string line;
        const char* error;
    };
    const Case cases[] = {
        {"?", "-102,\"Syntax error\""},
        {":", "-102,\"Syntax error\""},
        {"*", "-102,\"Syntax error\""},
        {"MEAS::POW?", "-102,\"Syntax error\""},
        {"MEAS:POW??", "-102,\"Syntax error\""},
        {"1MEAS?", "-102,\"Syntax error\""},
        {std::string("MEAS\x01:POW?"), "-102,\"Syntax error\""},
        {std::string("\xff\xfe\x00\x80", 4), "-102,\"Syntax error\""},
        {"*IDN? now", "-108,\"Parameter not allowed\""},
        {"SYST:ERR? 1", "-108,\"Parameter not allowed\""},
        {"FOO", "-113,\"Undefined header\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meter.handleLine(c.line), std::nullopt) << c.line;
        EXPECT_EQ(meter.handleLine("SYST:ERR?"), std::optional<std::string>(c.error)) << c.line;
    }
    EXPECT_EQ(meter.handleLine(""), std::nullopt);
    EXPECT_EQ(meter.errorCount(), 0u);
}

TEST(SimScpiMeter, FullQueueKeepsTheOldestAndMarksTheOverflow) {
    SimScpiMeter meter = meterReading(1.0);
    for (size_t i = 0; i < SimScpiMeter::kErrorQueueLength + 5; ++i)
        meter.handleLine("NOPE" + std::to_string(i));
    ASSERT_EQ(meter.errorCount(), SimScpiMeter::kErrorQueueLength);
    for (size_t i = 0; i + 1 < SimScpiMeter::kErrorQueueLength; ++i)
        EXPECT_EQ(meter.handleLine("SYST:ERR?"), std::optional<std::string>("-113,\"Undefined header\""));
    EXPECT_EQ(meter.handleLine("SYST:ERR?"), std::optional<std::string>("-350,\"Queue overflow\""));
    EXPECT_EQ(meter.handleLine("SYST:ERR?"), std::optional<std::string>("0,\"No error\""));
}

TEST(SimScpiMeter, ReadingsArePlainNonNegativeDecimals) {
    EXPECT_EQ(SimScpiMeter::formatWatts(0), "0.0000");
    EXPECT_EQ(SimScpiMeter::formatWatts(49.99996), "50.0000");
    EXPECT_EQ(SimScpiMeter::formatWatts(-1), "0.0000");
    EXPECT_EQ(SimScpiMeter::formatWatts(std::numeric_limits<double>::quiet_NaN()), "0.0000");
}

/// A client of the meter on a real loopback socket, with bounded waits.
class MeterClient {
  public:
    explicit MeterClient(uint16_t port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~MeterClient() { close(); }
    MeterClient(const MeterClient&) = delete;
    MeterClient& operator=(const MeterClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    /// The next line without its newline; nothing when the server closed the connection or the wait ran out.
    std::optional<std::string> line() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitLimitMs);
        for (;;) {
            if (const auto nl = m_buffer.find('\n'); nl != std::string::npos) {
                std::string out = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return out;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char buf[512];
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0)
                return std::nullopt;
            m_buffer.append(buf, static_cast<size_t>(n));
        }
    }
    std::optional<std::string> ask(const std::string& query) {
        send(query + "\n");
        return line();
    }

  private:
    int m_fd = -1;
    std::string m_buffer;
};

TEST(SimMeterServer, ReadsTheRadiosOutputOverLoopback) {
    SimRadio radio(SimProfile::defaults());
    SimMeterServer server("Vantrel,Simulated Power Meter,0,1.0", [&radio] { return radio.outputWatts(); });
    server.start(0);
    ASSERT_NE(server.port(), 0);
    MeterClient client(server.port());
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.ask("*IDN?"), std::optional<std::string>("Vantrel,Simulated Power Meter,0,1.0"));
    EXPECT_EQ(client.ask("MEAS:POW?"), std::optional<std::string>("0.0000"));

    simtest::send(radio, simtest::request(0x22, {1, 0, 2}));
    simtest::send(radio, simtest::request(0x21, {0x00, 0x03, 0xE8, 0x03, 0xE8}));  // F1
    simtest::send(radio, simtest::request(0x19, {0x01}));
    const double watts = radio.outputWatts();
    ASSERT_GT(watts, 0.0);
    EXPECT_EQ(client.ask("MEASure:POWer?"), std::optional<std::string>(SimScpiMeter::formatWatts(watts)));

    // Several lines in one write, with carriage returns, are answered in order.
    client.send("*OPC?\r\nBAD\nSYST:ERR?\nMEAS?\n");
    EXPECT_EQ(client.line(), std::optional<std::string>("1"));
    EXPECT_EQ(client.line(), std::optional<std::string>("-113,\"Undefined header\""));
    EXPECT_EQ(client.line(), std::optional<std::string>(SimScpiMeter::formatWatts(watts)));
}

TEST(SimMeterServer, ClientsKeepTheirOwnErrorQueuesAndOneLeavingMidLineLeavesTheOthers) {
    SimMeterServer server("id", [] { return 2.0; });
    server.start(0);
    MeterClient a(server.port());
    MeterClient b(server.port());
    ASSERT_TRUE(a.connected());
    ASSERT_TRUE(b.connected());
    a.send("NOT:A:COMMAND\n");
    EXPECT_EQ(b.ask("SYST:ERR?"), std::optional<std::string>("0,\"No error\""));
    EXPECT_EQ(a.ask("SYST:ERR?"), std::optional<std::string>("-113,\"Undefined header\""));
    a.send("MEAS:PO");
    a.close();
    EXPECT_EQ(b.ask("MEAS?"), std::optional<std::string>("2.0000"));
    MeterClient c(server.port());
    EXPECT_EQ(c.ask("MEAS?"), std::optional<std::string>("2.0000"));
}

TEST(SimMeterServer, OverlongLineIsDroppedWithAnErrorAndTheNextLineServed) {
    SimMeterServer server("id", [] { return 1.0; });
    server.start(0);
    MeterClient client(server.port());
    ASSERT_TRUE(client.connected());
    client.send(std::string(SimMeterServer::kMaxLine * 5, 'M') + "EAS?\n");
    EXPECT_EQ(client.ask("*OPC?"), std::optional<std::string>("1"));
    EXPECT_EQ(client.ask("SYST:ERR?"), std::optional<std::string>("-223,\"Too much data\""));
    EXPECT_EQ(client.ask("SYST:ERR?"), std::optional<std::string>("0,\"No error\""));
}

TEST(SimMeterServer, ClientsBeyondTheLimitAreTurnedAwayAndStopClosesTheRest) {
    SimMeterServer server("id", [] { return 1.0; });
    server.start(0);
    std::vector<std::unique_ptr<MeterClient>> clients;
    for (size_t i = 0; i < SimMeterServer::kMaxClients; ++i) {
        clients.push_back(std::make_unique<MeterClient>(server.port()));
        // Each is served before the next connects, so the server has counted it.
        ASSERT_EQ(clients.back()->ask("*OPC?"), std::optional<std::string>("1")) << i;
    }
    MeterClient extra(server.port());
    ASSERT_TRUE(extra.connected());  // the kernel accepts; the server closes it at once
    EXPECT_EQ(extra.ask("*OPC?"), std::nullopt);
    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_EQ(clients.front()->line(), std::nullopt);
    server.stop();  // twice is harmless
}

TEST(SimMeterServer, TakenPortIsReportedWithItsNumber) {
    SimMeterServer first("id", [] { return 0.0; });
    first.start(0);
    SimMeterServer second("id", [] { return 0.0; });
    try {
        second.start(first.port());
        FAIL() << "a second server listened on a taken port";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("127.0.0.1:" + std::to_string(first.port())), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(second.running());
}

/// vantrel-sim as a process with its stdout on a pipe; stopped with SIGTERM and reaped.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        if (::pipe(m_out) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(m_out[1], STDOUT_FILENO);
            ::dup2(m_out[1], STDERR_FILENO);
            args.insert(args.begin(), VANTREL_SIM_EXE);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(m_out[1]);
    }
    ~SimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            wait();
        }
        ::close(m_out[0]);
    }
    /// Everything printed up to the line starting with `marker` (or to the end of output).
    std::string until(const std::string& marker) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitLimitMs);
        while (std::chrono::steady_clock::now() < deadline) {
            const auto at = m_seen.find(marker);
            if (at != std::string::npos && m_seen.find('\n', at) != std::string::npos)
                break;
            pollfd p{m_out[0], POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(m_out[0], buf, sizeof buf);
            if (n <= 0)
                break;
            m_seen.append(buf, static_cast<size_t>(n));
        }
        return m_seen;
    }
    int wait() {
        int status = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &status, 0) == m_pid)
            m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t m_pid = -1;
    int m_out[2] = {-1, -1};
    std::string m_seen;
};

TEST(SimMeterProcess, MeterOnAFreePortIsAnnouncedAndServed) {
    const std::string link = ::testing::TempDir() + "vantrel-meter-com1-" + std::to_string(::getpid());
    SimProcess sim({"--link", link, "--meter", "0"});
    const std::string out = sim.until("VANTREL_METER=");
    const std::string marker = "VANTREL_METER=127.0.0.1:";
    const auto at = out.find(marker);
    ASSERT_NE(at, std::string::npos) << out;
    const int port = std::stoi(out.substr(at + marker.size()));
    ASSERT_GT(port, 0);
    MeterClient client(static_cast<uint16_t>(port));
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.ask("*IDN?").value_or("").rfind("Vantrel,Simulated Power Meter,", 0), 0u);
    EXPECT_EQ(client.ask("MEAS:POW?"), std::optional<std::string>("0.0000"));
}

TEST(SimMeterProcess, BadPortIsRefusedBeforeAnythingIsServed) {
    for (const char* port : {"-1", "65536", "12ab", ""}) {
        SimProcess sim({"--link", ::testing::TempDir() + "vantrel-meter-bad", "--meter", port});
        EXPECT_NE(sim.until("\n").find("--meter needs a port number"), std::string::npos) << port;
        EXPECT_EQ(sim.wait(), 2) << port;
    }
}

TEST(SimMeterProcess, BenchAnnouncesEveryRoleAndEachAnswersAsItself) {
    const std::string link = ::testing::TempDir() + "vantrel-bench-com1-" + std::to_string(::getpid());
    SimProcess sim({"--link", link, "--bench", "0", "--bench-fault", "power-supply:errors"});
    const std::string out = sim.until("VANTREL_BENCH_POWER_SUPPLY=");
    EXPECT_NE(out.find("VANTREL_METER=127.0.0.1:"), std::string::npos) << out;
    const std::vector<std::pair<std::string, std::string>> roles = {
        {"POWER_METER", "Power Meter"},
        {"FREQUENCY_COUNTER", "Frequency Counter"},
        {"MODULATION_ANALYSER", "Modulation Analyser"},
        {"SIGNAL_GENERATOR", "Signal Generator"},
        {"POWER_SUPPLY", "Power Supply"}};
    for (const auto& [role, model] : roles) {
        const std::string marker = "VANTREL_BENCH_" + role + "=tcp:127.0.0.1:";
        const auto at = out.find(marker);
        ASSERT_NE(at, std::string::npos) << out;
        MeterClient client(static_cast<uint16_t>(std::stoi(out.substr(at + marker.size()))));
        ASSERT_TRUE(client.connected()) << role;
        EXPECT_EQ(client.ask("*IDN?").value_or("").rfind("Vantrel,Simulated " + model + ",", 0), 0u) << role;
        if (role == "POWER_SUPPLY") {
            // The fault given on the command line: every command refused, the queue tells why.
            client.send("MEAS:VOLT?\n");
            EXPECT_EQ(client.ask("SYST:ERR?"), std::optional<std::string>("-200,\"Execution error\""));
        }
    }
}

TEST(SimMeterProcess, BadBenchOptionsAreRefusedBeforeAnythingIsServed) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--bench-fault", "power-meter:melt"},
          {"--bench-fault", "voltmeter:timeout"},
          {"--bench-noise", "-1"},
          {"--bench", "65533"}}) {
        std::vector<std::string> all = {"--link", ::testing::TempDir() + "vantrel-bench-bad"};
        all.insert(all.end(), args.begin(), args.end());
        SimProcess sim(all);
        EXPECT_NE(sim.until("\n").find(args[0]), std::string::npos) << args[1];
        EXPECT_EQ(sim.wait(), 2) << args[1];
    }
}

}  // namespace
}  // namespace vantrel
