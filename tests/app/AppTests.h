// Factories of the application's test classes (each lives in its own source).
#pragma once

#include <QObject>
#include <memory>

namespace vantrel::test {
std::unique_ptr<QObject> makeCommandEnablerTest();
std::unique_ptr<QObject> makeWindowRuleTest();
std::unique_ptr<QObject> makeStartupTest();
std::unique_ptr<QObject> makeRadioCommandTest();
std::unique_ptr<QObject> makeDialogTest();
std::unique_ptr<QObject> makePrintReportTest();
std::unique_ptr<QObject> makeExchangeEventsTest();
std::unique_ptr<QObject> makeShellDetailsTest();
std::unique_ptr<QObject> makeCancelCommandTest();
std::unique_ptr<QObject> makeCompareTest();
std::unique_ptr<QObject> makeServiceHistoryTest();
std::unique_ptr<QObject> makeBenchDialogTest();
std::unique_ptr<QObject> makeDataFileOrderTest();
std::unique_ptr<QObject> makeAlignRadioTest();
}  // namespace vantrel::test
