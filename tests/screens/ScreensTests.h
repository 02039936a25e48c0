// Factories of the screen test classes (each lives in its own source).
#pragma once

#include <QObject>
#include <memory>

namespace vantrel::test {
std::unique_ptr<QObject> makeFrameworkTest();
std::unique_ptr<QObject> makePowerScreenTest();
std::unique_ptr<QObject> makeShellScreenTest();
std::unique_ptr<QObject> makeDeviationScreenTest();
std::unique_ptr<QObject> makePaBiasScreenTest();
std::unique_ptr<QObject> makeAutoTuneScreenTest();
std::unique_ptr<QObject> makeReceiveScreenTest();
std::unique_ptr<QObject> makeMobileScreenTest();
std::unique_ptr<QObject> makeValuePlotTest();
std::unique_ptr<QObject> makeBenchSafetyTest();
std::unique_ptr<QObject> makeBenchReadingTest();
}  // namespace vantrel::test
