// Runs one test class of the utility window tests by name (CTest runs each class as its own test).
#include <QApplication>

#include "../support/QtTestRunner.h"
#include "UtilitiesTests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<vantrel::test::NamedTestClass> classes;
    classes.emplace_back("SerialProgram", vantrel::test::makeSerialProgramTest());
    classes.emplace_back("TempComp", vantrel::test::makeTempCompTest());
    classes.emplace_back("Baseband", vantrel::test::makeBasebandTest());
    classes.emplace_back("UtilityShell", vantrel::test::makeUtilityShellTest());
    return vantrel::test::runNamedTestClasses(argc, argv, classes);
}
