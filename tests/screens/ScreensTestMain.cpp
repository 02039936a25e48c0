// Runs one test class of the screen tests by name (CTest runs each class as its own test).
#include <QApplication>

#include "../support/QtTestRunner.h"
#include "ScreensTests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<vantrel::test::NamedTestClass> classes;
    classes.emplace_back("Framework", vantrel::test::makeFrameworkTest());
    classes.emplace_back("PowerScreens", vantrel::test::makePowerScreenTest());
    classes.emplace_back("ShellScreens", vantrel::test::makeShellScreenTest());
    classes.emplace_back("DeviationScreens", vantrel::test::makeDeviationScreenTest());
    classes.emplace_back("PaBiasScreens", vantrel::test::makePaBiasScreenTest());
    classes.emplace_back("AutoTuneScreens", vantrel::test::makeAutoTuneScreenTest());
    classes.emplace_back("ReceiveScreens", vantrel::test::makeReceiveScreenTest());
    classes.emplace_back("MobileScreens", vantrel::test::makeMobileScreenTest());
    classes.emplace_back("ValuePlots", vantrel::test::makeValuePlotTest());
    classes.emplace_back("BenchSafety", vantrel::test::makeBenchSafetyTest());
    classes.emplace_back("BenchReadings", vantrel::test::makeBenchReadingTest());
    return vantrel::test::runNamedTestClasses(argc, argv, classes);
}
