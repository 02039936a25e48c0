// Shared helpers of the command-line tool's tests: a scratch directory and an in-process run.
#pragma once

#include "../support/ScratchDirectory.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"

namespace vantrel::test {


/// What one in-process run printed and answered.
struct CliRun {
    int exit = -1;
    std::string out;
    std::string err;
};

/// Runs the tool in-process with COM.INI looked up in `programDirectory`.
inline CliRun runCli(const std::string& programDirectory, const std::vector<std::string>& args,
                     const std::string& input = "", bool inIsTerminal = false) {
    std::ostringstream out, err;
    std::istringstream in(input);
    CliApp app(programDirectory, CliIo{out, err, in, inIsTerminal, false});
    CliRun run;
    run.exit = app.run(args);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

/// The lines of a text (without their line feeds).
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace vantrel::test
