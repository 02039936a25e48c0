// Runs one test class of the application tests by name (CTest runs each class as its own test).
#include <QApplication>

#include "../support/QtTestRunner.h"
#include "AppTests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<vantrel::test::NamedTestClass> classes;
    classes.emplace_back("CommandEnablers", vantrel::test::makeCommandEnablerTest());
    classes.emplace_back("WindowOpenRule", vantrel::test::makeWindowRuleTest());
    classes.emplace_back("Startup", vantrel::test::makeStartupTest());
    classes.emplace_back("RadioCommands", vantrel::test::makeRadioCommandTest());
    classes.emplace_back("Dialogs", vantrel::test::makeDialogTest());
    classes.emplace_back("Printing", vantrel::test::makePrintReportTest());
    classes.emplace_back("EventsDuringExchange", vantrel::test::makeExchangeEventsTest());
    classes.emplace_back("ShellDetails", vantrel::test::makeShellDetailsTest());
    classes.emplace_back("CancelCommands", vantrel::test::makeCancelCommandTest());
    classes.emplace_back("Compare", vantrel::test::makeCompareTest());
    classes.emplace_back("ServiceHistory", vantrel::test::makeServiceHistoryTest());
    classes.emplace_back("BenchDialog", vantrel::test::makeBenchDialogTest());
    classes.emplace_back("DataFileOrder", vantrel::test::makeDataFileOrderTest());
    classes.emplace_back("AlignRadio", vantrel::test::makeAlignRadioTest());
    return vantrel::test::runNamedTestClasses(argc, argv, classes);
}
