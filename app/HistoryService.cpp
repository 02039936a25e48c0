// The application's service history.
#include "app/HistoryService.h"

#include <QMetaObject>
#include <QSettings>
#include <mutex>

#include "VantrelVersion.h"
#include "history/HistoryRecorder.h"
#include "history/historySetup.h"
#include "link/RF_CommunicationSetup.h"
#include "link/portMapping.h"

namespace vantrel {

namespace {

constexpr const char* kTargetKey = "History/Target";
constexpr const char* kOperatorKey = "History/Operator";
/// How long the end of the program waits for the store before the rest goes to the spool.
constexpr std::chrono::seconds kCloseBudget{3};

}  // namespace

/// Lets the recorder's thread reach the service only while the service exists.
struct HistoryService::Gate {
    std::mutex mutex;
    HistoryService* service = nullptr;
};

HistoryService::HistoryService(QString profilePath, QString dataDirectory, QString settingsDirectory)
    : m_profilePath(std::move(profilePath)),
      m_dataDirectory(std::move(dataDirectory)),
      m_settingsDirectory(std::move(settingsDirectory)),
      m_gate(std::make_shared<Gate>()) {
    m_gate->service = this;
}

HistoryService::~HistoryService() {
    if (m_recorder) {
        setHistorySink(nullptr);
        m_recorder->close(kCloseBudget);
    }
    std::lock_guard lock(m_gate->mutex);
    m_gate->service = nullptr;
}

QString HistoryService::targetSetting() const {
    return QSettings(m_profilePath, QSettings::IniFormat).value(QLatin1String(kTargetKey)).toString();
}

QString HistoryService::operatorSetting() const {
    return QSettings(m_profilePath, QSettings::IniFormat).value(QLatin1String(kOperatorKey)).toString();
}

HistoryTarget HistoryService::target() const {
    historySources sources;
    if (const QString setting = targetSetting(); !setting.isEmpty())
        sources.setting = setting.toStdString();
    sources.dataDirectory = m_dataDirectory.toStdString();
    return resolveHistoryTarget(sources);
}

void HistoryService::saveSettings(const QString& target, const QString& operatorName) {
    {
        QSettings settings(m_profilePath, QSettings::IniFormat);
        settings.setValue(QLatin1String(kTargetKey), target.trimmed());
        settings.setValue(QLatin1String(kOperatorKey), operatorName.trimmed());
    }
    configure();
}

bool HistoryService::flush(std::chrono::milliseconds budget) {
    return !m_recorder || m_recorder->flush(budget);
}

void HistoryService::configure() {
    if (m_recorder) {
        setHistorySink(nullptr);
        m_recorder->close(kCloseBudget);
        m_recorder.reset();
    }
    if (m_dataDirectory.isEmpty())
        return;
    const HistoryTarget resolved = target();
    if (resolved.kind == HistoryTarget::Kind::Off)
        return;
    HistoryRecorderOptions options;
    options.target = resolved;
    options.spoolDirectory = historySpoolDirectory(resolved, m_dataDirectory.toStdString());
    options.bench = benchName();
    const QString operatorName = operatorSetting();
    options.operatorName = resolveOperator(
        operatorName.isEmpty() ? std::nullopt : std::optional<std::string>(operatorName.toStdString()));
    options.program = std::string("vantrel ") + kVersion;
    const std::string settings = m_settingsDirectory.toStdString();
    options.port = [settings] {
        const int port = comIni::read(settings);
        if (port < 1 || port > 4)
            return std::string();
        const auto n = static_cast<unsigned>(port);
        return "COM" + std::to_string(n) + " " + routeOf(n, readPortMapping(settings)).device;
    };
    options.notice = [gate = m_gate](const std::string& text, bool trouble) {
        std::lock_guard lock(gate->mutex);
        if (!gate->service)
            return;
        HistoryService* service = gate->service;
        const QString message = QString::fromStdString(text);
        // The recorder's thread never touches a widget: the signal goes out in the interface's thread.
        QMetaObject::invokeMethod(
            service, [service, message, trouble] { emit service->noticed(message, trouble); },
            Qt::QueuedConnection);
    };
    m_recorder = std::make_unique<HistoryRecorder>(options);
    setHistorySink(m_recorder.get());
    // Whatever an earlier run left in the spool goes now.
    m_recorder->start();
}

}  // namespace vantrel
