// Child processes of the history tests: real writers started from this test program, killed with real
// signals.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "HistoryRig.h"

namespace vantrel::test {

const char* backendName(Backend backend);
/// Starts this test program again as a child running `arguments` (see runHistoryChild); `keepFd` stays
/// open in the child.
pid_t spawnChild(const std::vector<std::string>& arguments, int keepFd = -1);
/// Waits for a child; answers its exit status (128 + signal when a signal ended it).
int waitChild(pid_t pid);
/// The child's side: "write LOCATION BACKEND TAG COUNT" records COUNT events of serial WRITER<TAG>;
/// "die-mid-event LOCATION BACKEND FD" writes a byte to FD in the middle of an event and waits to be
/// killed. Answers the exit code.
int runHistoryChild(const std::vector<std::string>& arguments);

}  // namespace vantrel::test
