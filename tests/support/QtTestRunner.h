// Runs the Qt Test classes of one test executable, all of them or the one named on the command line.
#pragma once

#include <QObject>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace vantrel::test {

using NamedTestClass = std::pair<const char*, std::unique_ptr<QObject>>;

/// argv[1], when given, names the one class to run (CTest runs each class as its own test).
/// Answers the number of failures, or 2 when no class has that name.
inline int runNamedTestClasses(int argc, char** argv, std::vector<NamedTestClass>& classes) {
    const char* only = argc > 1 ? argv[1] : nullptr;
    int failures = 0;
    bool ran = false;
    for (NamedTestClass& c : classes) {
        if (only && std::strcmp(only, c.first) != 0)
            continue;
        ran = true;
        char* args[] = {argv[0]};
        failures += QTest::qExec(c.second.get(), 1, args);
    }
    if (!ran)
        std::fprintf(stderr, "no test class named %s\n", only);
    return ran ? failures : 2;
}

}  // namespace vantrel::test
