// Demo mode: the in-process simulated radio.
#include "app/DemoRadio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
    // Profiles by name are found in the tuner's data-file order, its settings folder first.
    SimProfile::useSettingsFolder(directory);
    try {
        const SimProfile simulated = SimProfile::named(profile.toStdString());
        // A radio whose offsets live in a codeplug table needs its block in bbo.cfg: the demo writes one
        // with the blocks of every simulated radio. A file already there stays as it is.
        const QString config = QDir(programDirectory).filePath(QStringLiteral("bbo.cfg"));
        if (simulated.bboConfig && !QFile::exists(config)) {
            std::vector<SimBboConfigBlock> blocks;
            for (const std::string& name : SimProfile::available())
                if (const SimProfile p = SimProfile::named(name); p.bboConfig)
                    blocks.push_back(*p.bboConfig);
            QFile file(config);
            const std::string text = writeBboConfig(blocks);
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                file.write(text.data(), static_cast<qint64>(text.size()));
        }
        m_radio = std::make_unique<SimRadio>(simulated);
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
