// Live instrument readings on the tuning screens, taken on a thread of their own.
#include "screens/TBenchReading.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <cmath>

#include "instruments/InstrumentError.h"
#include "link/LinkContext.h"
#include "link/programFolders.h"
#include "screens/TTuningScreen.h"

namespace vantrel {

namespace {

/// Pause between two readings while keyed.
constexpr auto kReadingPeriod = std::chrono::milliseconds(400);
/// After a failure, the instrument is opened afresh no sooner than this.
constexpr auto kRetryPeriod = std::chrono::milliseconds(1500);

QString prefixOf(Role role) {
    switch (role) {
        case Role::PowerMeter:
            return QStringLiteral("Meter: ");
        case Role::FrequencyCounter:
            return QStringLiteral("Counter: ");
        case Role::ModulationAnalyser:
            return QStringLiteral("Deviation: ");
        case Role::SignalGenerator:
            return QStringLiteral("Generator: ");
        case Role::PowerSupply:
            return QStringLiteral("Supply: ");
    }
    return {};
}

}  // namespace

std::optional<Role> TBenchReading::roleForSoftpot(int softpot) {
    switch (softpot) {
        case 0:   // transmit power
        case 28:  // transmit power, third softpot
            return Role::PowerMeter;
        case 11:  // reference oscillator warp
            return Role::FrequencyCounter;
        case 2:   // VCO attenuation
        case 3:   // modulation balance
        case 5:   // MPT
        case 14:  // DTMF
        case 15:  // Select 5
        case 16:  // high-speed trunking
        case 24:  // QDT1200
            return Role::ModulationAnalyser;
        case 18:  // PA bias
        case 20:
        case 27:
            return Role::PowerSupply;
        default:
            return std::nullopt;
    }
}

TBenchReading* TBenchReading::attachTo(TTuningScreen& screen) {
    const tuningProcedure& p = screen.procedure();
    std::optional<Role> role = roleForSoftpot(p.softpot);
    if (!role && !p.rows.empty())
        role = roleForSoftpot(p.rows.front().softpot);
    if (!role || !p.capabilities.ptt)
        return nullptr;
    BenchConfig bench;
    try {
        bench = BenchConfig::load(linkContext().programDirectory);
        bench.applyEnvironment();
    } catch (const InstrumentError&) {
        // A damaged bench file is told in the Bench Instruments dialog; the screen tunes without readings.
        return nullptr;
    }
    const auto it = bench.roles.find(*role);
    if (it == bench.roles.end())
        return nullptr;
    const QString programDir = QCoreApplication::applicationDirPath();
    const programFolders folders = programFolders::resolve(programDir.toStdString());
    InstrumentContext context;
    context.dialectPath = dialectSearchPath(folders.settings, folders.data, folders.program);
    return new TBenchReading(screen, *role, it->second, context);
}

TBenchReading::TBenchReading(TTuningScreen& screen, Role role, RoleConfig config, InstrumentContext context)
    : QLabel(&screen),
      m_screen(screen),
      m_role(role),
      m_config(std::move(config)),
      m_context(std::move(context)) {
    setObjectName(QStringLiteral("benchReading"));
    setAutoFillBackground(false);
    hide();
    connect(&m_timer, &QTimer::timeout, this, &TBenchReading::follow);
    m_timer.start(250);
    m_thread = std::thread([this] { run(); });
}

TBenchReading::~TBenchReading() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    // Bounded by the role's timeout: the thread is at most inside one exchange.
    m_thread.join();
}

void TBenchReading::follow() {
    const bool keyed = m_screen.keyed();
    const int row = m_screen.currentRow();
    if (keyed == m_keyed && (!keyed || row == m_row))
        return;
    m_keyed = keyed;
    m_row = row;
    double expectedHz = 0;
    if (keyed && row >= 0 && row < m_screen.rowCount())
        expectedHz = m_screen.engine().rowFrequency(row) * 1e6;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_request.keyed = keyed;
        m_request.expectedHz = expectedHz;
        ++m_request.generation;
    }
    m_wake.notify_all();
    if (!keyed) {
        // Nothing is transmitted: nothing to read, and an old reading must not linger.
        clear();
        hide();
        return;
    }
    // Beside PTT Toggle, where the technician keyed, the width of the status box below it.
    QWidget* left = m_screen.programButton() ? static_cast<QWidget*>(m_screen.programButton())
                                             : static_cast<QWidget*>(m_screen.pttButton());
    const QRect at = left ? left->geometry() : QRect(20, 150, 210, 30);
    const int right = m_screen.statusBox() ? m_screen.statusBox()->geometry().right() : m_screen.width() - 10;
    setGeometry(at.right() + 14, at.top(), std::max(160, right - at.right() - 14), at.height());
    m_prefix = prefixOf(m_role);
    if (m_screen.rowCount() > 1 && m_screen.pointOfRow(row) > 0)
        m_prefix = m_prefix.chopped(2) + QStringLiteral(" at F%1: ").arg(m_screen.pointOfRow(row));
    setText(m_prefix + QStringLiteral("..."));
    setStyleSheet(QString());
    show();
    raise();
}

void TBenchReading::run() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(m_mutex);
    unsigned lastGeneration = 0;
    bool lastFailed = false;
    auto nextRead = Clock::now();
    for (;;) {
        m_wake.wait(lock, [&] { return m_stop || m_request.keyed; });
        if (m_stop)
            break;
        const Request request = m_request;
        // A new keying or point is read at once, unless the instrument has just failed.
        const auto due = request.generation != lastGeneration && !lastFailed ? Clock::now() : nextRead;
        if (Clock::now() < due) {
            m_wake.wait_until(lock, due,
                              [&] { return m_stop || m_request.generation != request.generation; });
            continue;
        }
        lock.unlock();
        QString text;
        bool failed = false;
        try {
            text = measure(request.expectedHz);
        } catch (const InstrumentError& e) {
            failed = e.kind() != InstrumentError::Kind::NoSignal;
            text = QString::fromStdString(e.what());
        } catch (const std::exception& e) {
            failed = true;
            text = QString::fromStdString(e.what());
        }
        if (failed) {
            // Opened afresh next time: the connection may be what failed.
            m_meter.reset();
            m_counter.reset();
            m_analyser.reset();
            m_supply.reset();
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation = request.generation, text, failed] { showResult(generation, text, failed); },
            Qt::QueuedConnection);
        lock.lock();
        lastGeneration = request.generation;
        lastFailed = failed;
        nextRead = Clock::now() + (failed ? kRetryPeriod : kReadingPeriod);
    }
}

QString TBenchReading::measure(double expectedHz) {
    switch (m_role) {
        case Role::PowerMeter: {
            if (!m_meter)
                m_meter = openPowerMeter(m_config, m_context);
            return QString::asprintf("%.3f W", m_meter->watts());
        }
        case Role::FrequencyCounter: {
            if (!m_counter)
                m_counter = openFrequencyCounter(m_config, m_context);
            const double hz = m_counter->carrierHz();
            return QString::asprintf("%+.0f Hz", hz - expectedHz);
        }
        case Role::ModulationAnalyser: {
            if (!m_analyser)
                m_analyser = openModulationAnalyser(m_config, m_context);
            const DeviationReading d = m_analyser->deviation();
            return d.toneHz ? QString::asprintf("%.2f kHz (tone %.0f Hz)", d.peakHz / 1e3, *d.toneHz)
                            : QString::asprintf("%.2f kHz", d.peakHz / 1e3);
        }
        case Role::PowerSupply: {
            if (!m_supply)
                m_supply = openPowerSupply(m_config, m_context);
            return QString::asprintf("%.3f A", m_supply->amps());
        }
        case Role::SignalGenerator:
            break;
    }
    return {};
}

void TBenchReading::showResult(unsigned generation, const QString& text, bool failed) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A reading taken before a dekey or a move to another point is no reading of what is on air now.
        if (generation != m_request.generation || !m_request.keyed)
            return;
    }
    const int room = width() - fontMetrics().horizontalAdvance(m_prefix) - 4;
    setText(m_prefix + fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(40, room)));
    setToolTip(text);
    setStyleSheet(failed ? QStringLiteral("color: #b00000;") : QString());
    ++m_shown;
}

bool TBenchReading::waitForReading(int ms) {
    const unsigned before = m_shown;
    QElapsedTimer t;
    t.start();
    while (m_shown == before && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return m_shown != before;
}

}  // namespace vantrel
