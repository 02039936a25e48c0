// Factories of the utility test classes (each lives in its own source).
#pragma once

#include <QObject>
#include <memory>

namespace vantrel::test {
std::unique_ptr<QObject> makeSerialProgramTest();
std::unique_ptr<QObject> makeTempCompTest();
std::unique_ptr<QObject> makeBasebandTest();
std::unique_ptr<QObject> makeUtilityShellTest();
}  // namespace vantrel::test
