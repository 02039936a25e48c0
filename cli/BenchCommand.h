// `vantrel-cli bench`: checks and reads the bench instruments.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vantrel {

/// Runs `bench --check`, `bench --read ROLE` or `bench --help` (args start with "bench"). The bench is
/// bench.conf in `settingsFolder` with the VANTREL_BENCH_<ROLE> variables over it. Answers the exit code:
/// 0 every configured instrument answered, 4 an instrument failed, 6 no instrument or a damaged
/// configuration or dialect, 64 usage.
int runBenchCommand(const std::vector<std::string>& args, const std::string& settingsFolder,
                    std::ostream& out, std::ostream& err);

/// Whether the arguments are `bench ...` or `help bench`.
bool isBenchCommand(const std::vector<std::string>& args);

/// The usage text of `bench`.
std::string benchUsage();

}  // namespace vantrel
