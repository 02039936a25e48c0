// The child processes of the history tests.
#include "HistoryChild.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "history/HistoryStore.h"

namespace vantrel::test {

const char* backendName(Backend backend) {
    return backend == Backend::Sqlite ? "sqlite" : "postgres";
}

pid_t spawnChild(const std::vector<std::string>& arguments, int keepFd) {
    std::vector<std::string> all{"/proc/self/exe", "--history-child"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != keepFd)
                ::close(fd);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    return pid;
}

int waitChild(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int runHistoryChild(const std::vector<std::string>& arguments) {
    if (arguments.size() < 3)
        return 64;
    const HistoryTarget target{
        arguments[2] == "sqlite" ? HistoryTarget::Kind::Sqlite : HistoryTarget::Kind::Postgres, arguments[1]};
    try {
        if (arguments[0] == "write" && arguments.size() == 5) {
            auto store = openHistoryStore(target);
            const int count = std::stoi(arguments[4]);
            for (int i = 0; i < count; ++i) {
                ServiceEvent e;
                e.uid = newEventUid();
                e.timeUtc = utcTimestamp(std::chrono::system_clock::now());
                e.kind = EventKind::Program;
                e.serial = "WRITER" + arguments[3];
                e.subject = "Transmit High Power";
                e.outcome = eventOutcome::Ok;
                e.values = {{"Transmit High Power F1", 3, 0, i, i + 1},
                            {"Transmit High Power F2", 3, 1, i, i + 2},
                            {"Transmit High Power F3", 3, 2, i, i + 3}};
                if (!store->record(e))
                    return 2;
            }
            return 0;
        }
        if (arguments[0] == "die-mid-event" && arguments.size() == 4) {
            const int fd = std::stoi(arguments[3]);
            HistoryStoreOptions options;
            options.afterEventRow = [fd] {
                const char byte = 'x';
                if (::write(fd, &byte, 1) != 1)
                    ::_exit(3);
                for (;;) ::pause();  // killed here, inside the event's transaction
            };
            auto store = openHistoryStore(target, options);
            ServiceEvent e;
            e.uid = newEventUid();
            e.timeUtc = "2025-03-01T12:00:30.000Z";
            e.kind = EventKind::ProgramAll;
            e.serial = "KILLED0001";
            e.values = {{"Transmit High Power F1", 3, 0, std::nullopt, 99}};
            store->record(e);
            return 4;  // never reached
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "history child: %s\n", e.what());
        return 1;
    }
    return 64;
}

}  // namespace vantrel::test

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--history-child")
        return vantrel::test::runHistoryChild(std::vector<std::string>(argv + 2, argv + argc));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
