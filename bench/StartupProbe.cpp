// The start-up probe: the application in a child process, its painting log on a pipe.
#include "bench/StartupProbe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "link/RF_CommunicationSetup.h"

namespace vantrel::bench {

namespace {

// The main window's class as it appears in Qt's painting log, and the log line of a flush to the screen.
constexpr const char* kMainWindowName = "TVantrelFrame";
constexpr const char* kFlushLine = "Flushing";
constexpr int kLentPort = 1;

}  // namespace

StartupProbe::StartupProbe(std::string appPath, double timeoutSeconds)
    : m_appPath(std::move(appPath)), m_timeoutSeconds(timeoutSeconds) {}

std::optional<double> StartupProbe::measureOnce() {
    namespace fs = std::filesystem;
    if (!fs::exists(m_appPath)) {
        m_lastError = m_appPath + " is not built";
        return std::nullopt;
    }
    const fs::path dir = fs::temp_directory_path() / ("vantrel-bench-app-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // Without COM.INI beside it the application asks for the port before it shows its main window: lend
    // it one for the measurement.
    const std::string programDirectory = fs::path(m_appPath).parent_path().string();
    const bool lendComIni = comIni::read(programDirectory) < 0 && !fs::exists(comIni::path(programDirectory));
    if (lendComIni && !comIni::write(programDirectory, kLentPort)) {
        m_lastError = "no COM.INI beside the application, and none can be written there";
        return std::nullopt;
    }
    struct ComIniReturn {
        bool lent;
        std::string path;
        ~ComIniReturn() {
            std::error_code ignored;
            if (lent)
                fs::remove(path, ignored);
        }
    } giveBack{lendComIni, comIni::path(programDirectory)};
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_lastError = "no pipe";
        return std::nullopt;
    }
    using Clock = std::chrono::steady_clock;
    std::fflush(nullptr);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDIN_FILENO);
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_LOGGING_RULES", "qt.widgets.painting=true", 1);
        unsetenv("QT_MESSAGE_PATTERN");
        execl(m_appPath.c_str(), m_appPath.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::optional<double> seconds;
    m_lastError = "the main window was not shown within the time limit";
    if (pid < 0) {
        m_lastError = "cannot start " + m_appPath;
    } else {
        std::string pending;
        for (;;) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            if (elapsed > m_timeoutSeconds)
                break;
            pollfd p{pipeFds[0], POLLIN, 0};
            const int r = poll(&p, 1, static_cast<int>((m_timeoutSeconds - elapsed) * 1000) + 1);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            char chunk[4096];
            const ssize_t n = read(pipeFds[0], chunk, sizeof chunk);
            if (n <= 0) {
                m_lastError = "the application ended before showing its main window";
                break;
            }
            pending.append(chunk, static_cast<size_t>(n));
            bool seen = false;
            for (size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1)) {
                const std::string line = pending.substr(0, eol);
                if (line.find(kFlushLine) != std::string::npos &&
                    line.find(kMainWindowName) != std::string::npos)
                    seen = true;
            }
            if (seen) {
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
                break;
            }
        }
        kill(pid, SIGTERM);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    close(pipeFds[0]);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return seconds;
}

}  // namespace vantrel::bench
