// Runs one test class of the screen tests by name (CTest runs each class as its own test).
#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "ScreensTests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const char* only = argc > 1 ? argv[1] : nullptr;
    struct Case {
        const char* name;
        std::unique_ptr<QObject> object;
    };
    Case cases[] = {
        {"Framework", vantrel::test::makeFrameworkTest()},
        {"PowerScreens", vantrel::test::makePowerScreenTest()},
        {"ShellScreens", vantrel::test::makeShellScreenTest()},
    };
    int failures = 0;
    bool ran = false;
    for (Case& c : cases) {
        if (only && std::strcmp(only, c.name) != 0)
            continue;
        ran = true;
        char* args[] = {argv[0]};
        failures += QTest::qExec(c.object.get(), 1, args);
    }
    if (!ran)
        std::fprintf(stderr, "no test class named %s\n", only);
    return ran ? failures : 2;
}
