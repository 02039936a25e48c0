// Demo mode: the in-process simulated radio.
#include "app/DemoRadio.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <stdexcept>

#include "link/RF_CommunicationSetup.h"
#include "sim/PtySimServer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"
#include "sim/SimTranscript.h"

namespace vantrel {

namespace {
constexpr int kDemoPort = 1;
constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;
}  // namespace

DemoRadio::DemoRadio() = default;

DemoRadio::~DemoRadio() {
    if (m_server)
        m_server->stop();
}

QString DemoRadio::device() const {
    return m_server ? QString::fromStdString(m_server->linkPath()) : QString();
}

bool DemoRadio::start(const QString& profile, const QString& programDirectory, QString& error) {
    const std::string directory = programDirectory.toStdString();
    m_port = comIni::read(directory);
    if (m_port < kFirstPort || m_port > kLastPort) {
        m_port = kDemoPort;
        if (!comIni::write(directory, m_port)) {
            error = QStringLiteral("COM.INI cannot be written in %1").arg(programDirectory);
            return false;
        }
    }
    try {
        m_radio = std::make_unique<SimRadio>(SimProfile::named(profile.toStdString()));
        const QString link = QDir(QDir::tempPath())
                                 .filePath(QStringLiteral("vantrel-demo-%1-com%2")
                                               .arg(QCoreApplication::applicationPid())
                                               .arg(m_port));
        m_server = std::make_unique<PtySimServer>(*m_radio, link.toStdString());
        m_server->start();
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
        m_server.reset();
        m_radio.reset();
        return false;
    }
    qputenv(QStringLiteral("VANTREL_COM%1").arg(m_port).toLatin1().constData(),
            QByteArray::fromStdString(m_server->linkPath()));
    return true;
}

void DemoRadio::traceStateChanges() {
    if (!m_radio)
        return;
    // Called on the simulator's server thread; one fputs per line keeps lines whole.
    m_radio->transcript().setListener([](const SimEvent& event) {
        if (event.kind != SimEventKind::State && event.kind != SimEventKind::Fault)
            return;
        const std::string line = "radio: " + SimTranscript::format(event) + "\n";
        std::fputs(line.c_str(), stderr);
    });
}

}  // namespace vantrel
