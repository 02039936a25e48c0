// The PA voltage limit screen.
#include "screens/TPAVoltageLimitWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "link/EnhancedSBEP.h"
#include "operations/UserPrompt.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "screens/autoTuneRun.h"
#include "screens/screenControls.h"
#include "operations/serviceHistory.h"

namespace vantrel {

namespace {

constexpr QSize kWindow{400, 350};
constexpr int kRowPitch = 30;
constexpr int kFrequencyX = 20;
constexpr QSize kFrequencySize{150, 20};
constexpr int kDefaultX = 310;
constexpr QSize kDefaultSize{40, 20};
const QRect kAutoTuneButton{20, 240, 100, 30};
const QRect kStatusBox{20, 280, 360, 30};
const QRect kNote{20, 320, 360, 20};
constexpr std::array<int, 7> kDefaultIds{4007, 4008, 4009, 4010, 4012, 4013, 4014};
constexpr int kFrequencyId = 3000;
constexpr int kStatusId = 8000;

/// A screen that keys the transmitter, writes nothing live and has no Program: closing dekeys, then
/// resets.
constexpr screenCapabilities kCapabilities{false, false, true, false};

}  // namespace

TPAVoltageLimitWindow::TPAVoltageLimitWindow(const screenEnvironment& environment)
    : TScreenSession(environment, kCapabilities) {
    resize(kWindow);
    setMinimumSize(kWindow);
    screenControls::label(this, QStringLiteral("Frequency Point(MHz)"), 20, 10);
    screenControls::label(this, QStringLiteral("Default Softpot"), 290, 10);
    for (int i = 0; i < record::kPointCount; ++i) {
        const int y = kRowPitch * (i + 1);
        m_frequencyBoxes[size_t(i)] =
            screenControls::displayBox(this, QRect(QPoint(kFrequencyX, y), kFrequencySize),
                                       QStringLiteral("frequency%1").arg(kFrequencyId + i));
        m_defaultBoxes[size_t(i)] =
            screenControls::displayBox(this, QRect(QPoint(kDefaultX, y), kDefaultSize),
                                       QStringLiteral("default%1").arg(kDefaultIds[size_t(i)]));
        m_defaultBoxes[size_t(i)]->setAlignment(Qt::AlignRight);
    }
    m_autoTune =
        new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("Auto Tune"), this);
    m_autoTune->setGeometry(kAutoTuneButton);
    m_autoTune->setObjectName(QStringLiteral("button%1").arg(kAutoTuneId));
    m_autoTune->setFont(screenControls::font());
    connect(m_autoTune, &QPushButton::clicked, this, &TPAVoltageLimitWindow::autoTune);
    m_status = screenControls::displayBox(this, kStatusBox, QStringLiteral("status%1").arg(kStatusId));
    m_note = new QLabel(QStringLiteral("Note : Valid Softpot values will range from 1-127"), this);
    m_note->setGeometry(kNote);
    m_note->setFont(screenControls::font());
}

TPAVoltageLimitWindow::~TPAVoltageLimitWindow() = default;

bool TPAVoltageLimitWindow::pointUsed(int point) const {
    return RF_Frequency::channelAt(record(), false, point) != 0;
}

void TPAVoltageLimitWindow::setupRadio(EnhancedSBEP& link) {
    // High power test mode; no channel until a point is tuned.
    m_data.deriveSpacing(record());
    m_data.setupTest(selector::High, link, false, true);
}

void TPAVoltageLimitWindow::fillDisplay() {
    const auto base = static_cast<std::uint32_t>(record().getValue(row::Frequency, col::FrequencyBase));
    for (int point = 1; point <= record::kPointCount; ++point) {
        const std::uint16_t channel = RF_Frequency::channelAt(record(), false, point);
        if (channel == 0) {
            frequencyBox(point)->setText(QStringLiteral("UNSUPPORTED"));
            defaultBox(point)->clear();
            continue;
        }
        frequencyBox(point)->setText(QString::asprintf("%f", m_frequency.pointFrequency(base, channel)));
        defaultBox(point)->setText(
            QString::number(record().getValue(row::PaVoltageLimit, col::SetFirst + point - 1)));
    }
    m_status->setText(QString::fromLatin1(kNotDoneText));
}

std::string TPAVoltageLimitWindow::linkErrorText() const {
    // In the run the radio was keyed: the technician must make sure it no longer transmits.
    return m_running ? kRunLinkErrorText : TScreenSession::linkErrorText();
}

bool TPAVoltageLimitWindow::readyToTune() {
    if (!checkSerial())
        return false;
    m_data.autoTuneSoftpot(record(), link());
    if (!record().isSupported(flag::PaVoltageLimit)) {
        prompt().show(kUnsupportedText, kErrorCaption, PromptIcon::Exclamation);
        closeConnection();
        return false;
    }
    if (prompt().show(kQuestion, kWarningCaption, PromptIcon::Information, PromptButtons::OkCancel) !=
        PromptAnswer::Ok) {
        closeConnection();
        return false;
    }
    return true;
}

TPAVoltageLimitWindow::pointOutcome TPAVoltageLimitWindow::tunePoint(int point) {
    // A close asked for meanwhile stops the run after the exchange in progress: the radio is not keyed
    // again, nor asked to tune; closing then dekeys and resets it.
    if (closeAsked())
        return pointOutcome::Stopped;
    const std::uint16_t tx = RF_Frequency::channelAt(record(), false, point);
    link().setChannelPair(tx, kChannelMode, m_frequency.channelFor(record(), true, point), kChannelMode);
    const auto base = static_cast<std::uint32_t>(record().getValue(row::Frequency, col::FrequencyBase));
    m_status->setText(QString::asprintf(kTuningFormat, m_frequency.pointFrequency(base, tx)));
    if (closeAsked())
        return pointOutcome::Stopped;
    keyUp(link());
    if (closeAsked()) {
        dekey(link());
        return pointOutcome::Stopped;
    }
    const std::uint32_t answer = m_data.autoTuneSoftpot(record(), link());
    dekey(link());
    // A radio that refused the request has not tuned anything either.
    if (answer == 0 || !record().isSupported(flag::PaVoltageLimit))
        return pointOutcome::Failed;
    record().setValue(row::PaVoltageLimit, col::SetFirst + point - 1, static_cast<std::int32_t>(answer));
    defaultBox(point)->setText(QString::number(answer));
    return pointOutcome::Tuned;
}

void TPAVoltageLimitWindow::autoTune() {
    if (actionRunning())
        return;
    ActionScope scope(*this);
    if (!openConnection())
        return;
    try {
        if (!readyToTune())
            return;
    } catch (const Exception&) {
        failAction();
        return;
    }
    // The radio tunes itself point by point: the service history gets the run with what it settled on.
    historyScope history(record(), EventKind::Program, identity().title.toStdString(),
                         serviceHistory::cellsOfFlag(flag::PaVoltageLimit));
    autoTuneRun run(*this, environment());
    m_running = true;
    try {
        for (int point = 1; point <= record::kPointCount; ++point) {
            if (!pointUsed(point))
                continue;
            const pointOutcome outcome = tunePoint(point);
            if (outcome == pointOutcome::Tuned)
                continue;
            if (outcome == pointOutcome::Stopped)
                break;
            run.end();
            m_running = false;
            prompt().show(point == 1 ? kImpossibleFirstText : kImpossibleText, kErrorCaption,
                          PromptIcon::Exclamation);
            closeConnection();
            m_status->setText(QString::asprintf(kPointErrorFormat, point));
            return;
        }
    } catch (const Exception&) {
        run.end();
        failAction();
        m_running = false;
        m_status->setText(QString::fromLatin1(kLinkErrorText));
        return;
    }
    m_running = false;
    if (!closeRequested())
        history.done();
    if (!closeRequested())
        m_status->setText(QString::fromLatin1(kDoneText));
    run.end();
    closeConnection();
}

}  // namespace vantrel
