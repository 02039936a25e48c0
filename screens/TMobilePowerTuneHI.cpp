// The K and M power tuning screen.
#include "screens/TMobilePowerTuneHI.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <optional>

#include "link/EnhancedSBEP.h"
#include "operations/UserPrompt.h"
#include "operations/serviceHistory.h"
#include "radio/RF_Frequency.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "screens/TKMPowerEditBox.h"
#include "screens/screenControls.h"

namespace vantrel {

namespace {

constexpr int kFrequencyId = 3000;
constexpr int kPower1Id = 4010;
constexpr int kPower2Id = 4000;
constexpr int kStatusId = 4017;
constexpr double kMaximumWatts = 999.99;
constexpr int kPower1Limit = 6;
constexpr int kPower2Limit = 7;
constexpr int kRowPitch = 30;
constexpr QSize kBoxSize{100, 20};
constexpr QSize kButtonSize{100, 30};
constexpr int kLevelMaximum = 255;  // a level goes live as one byte

/// The wait cursor from start() until the end of the scope, whichever way it ends.
class busyCursor {
  public:
    void start() {
        if (!m_on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        m_on = true;
    }
    void stop() {
        if (m_on)
            QApplication::restoreOverrideCursor();
        m_on = false;
    }
    ~busyCursor() { stop(); }

  private:
    bool m_on = false;
};

}  // namespace

TMobilePowerTuneHI::TMobilePowerTuneHI(const screenEnvironment& environment)
    : TScreenSession(environment, screenCapabilities{}) {
    m_model = kmPowerModel::forRadio(radiomodel().isHighMobile(record()));
    if (identity().kScale > 0.0)
        m_model.kScale = identity().kScale;
    if (identity().mScale > 0)
        m_model.mScale = identity().mScale;

    resize(650, 350);
    setMinimumSize(650, 350);
    const QFont font = screenControls::font();
    auto label = [&](const char* text, int x) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->move(x, 10);
        l->setFont(font);
        l->adjustSize();
    };
    label("Frequency Points(MHz)", 20);
    label("Power 1(W)", 210);
    label("Power 2(W)", 410);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), this);
    for (int i = 0; i < kPoints; ++i) {
        const int y = kRowPitch * (i + 1);
        m_frequency[size_t(i)] = screenControls::displayBox(
            this, QRect(10, y, 150, 20), QStringLiteral("frequency%1").arg(kFrequencyId + i));
        auto* p1 = new TKMPowerEditBox(this, kMaximumWatts, kPower1Id + i, QString(), 200, y,
                                       kBoxSize.width(), kBoxSize.height(), kPower1Limit);
        p1->setValidator(digits);
        auto* p2 = new TKMPowerEditBox(this, kMaximumWatts, kPower2Id + i, QString(), 400, y,
                                       kBoxSize.width(), kBoxSize.height(), kPower2Limit);
        m_power[size_t(i)] = p1;
        m_power[size_t(i + kPoints)] = p2;
    }
    for (int s = 1; s <= 2 * kPoints; ++s) {
        powerBox(s)->setFont(font);
        connect(powerBox(s), &TKMPowerEditBox::notify, this, [this, s](int, int code) {
            if (code == TKMPowerEditBox::kFocused)
                focusAction(s);
        });
    }
    m_ptt = new QPushButton(screenControls::pttGlyph(), QStringLiteral("PTT Toggle"), this);
    m_ptt->setGeometry(QRect(QPoint(20, 250), kButtonSize));
    m_ptt->setObjectName(QStringLiteral("button7000"));
    m_program =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Program"), this);
    m_program->setGeometry(QRect(QPoint(170, 250), kButtonSize));
    m_program->setObjectName(QStringLiteral("button7001"));
    for (QPushButton* b : {m_ptt, m_program}) b->setFont(font);
    connect(m_ptt, &QPushButton::clicked, this, &TMobilePowerTuneHI::togglePtt);
    connect(m_program, &QPushButton::clicked, this, &TMobilePowerTuneHI::program);
    m_status =
        screenControls::displayBox(this, QRect(20, 290, 600, 30), QStringLiteral("status%1").arg(kStatusId));
    setStatus(QString::fromLatin1(kDekeyedText));
}

// --- Record and points ------------------------------------------------------------------------------------

int TMobilePowerTuneHI::level(int selection) const {
    return record().getValue(row::MobilePower,
                             selection <= kPoints ? col::LowBandTxDacFirst : col::LowBandTxDacSecond);
}

bool TMobilePowerTuneHI::supported(int point) const {
    return RF_Frequency::channelAt(record(), false, point) != 0;
}

double TMobilePowerTuneHI::frequencyMhz(int point) const {
    const auto base = static_cast<std::uint32_t>(record().getValue(row::Frequency, col::FrequencyBase));
    return RF_Frequency().pointFrequency(base, RF_Frequency::channelAt(record(), false, point));
}

void TMobilePowerTuneHI::prepare(int point, EnhancedSBEP& link) {
    RF_Frequency frequency;
    link.setChannelPair(RF_Frequency::channelAt(record(), false, point), kChannelMode,
                        frequency.channelFor(record(), true, point), kChannelMode);
    m_keyedText = QString::asprintf(kKeyedFormat, frequencyMhz(point));
}

void TMobilePowerTuneHI::sendLevel(EnhancedSBEP& link) {
    const int value = level(m_selection);
    if (value >= 0 && value <= kLevelMaximum)
        m_data.setLive(static_cast<std::uint32_t>(value), link);
}

// --- Display ----------------------------------------------------------------------------------------------

void TMobilePowerTuneHI::setupRadio(EnhancedSBEP& link) {
    m_data.deriveSpacing(record());
    m_data.setupTest(selector::Low, link, false, true);
    RF_Frequency frequency;
    const std::uint16_t tx = frequency.channelFor(record(), false, 1);
    if (tx != 0)
        link.setChannelPair(tx, kChannelMode, frequency.channelFor(record(), true, 1), kChannelMode);
}

void TMobilePowerTuneHI::fillDisplay() {
    const int l1 = level(1);
    const int l2 = level(kPoints + 1);
    int first = 0;
    for (int point = 1; point <= kPoints; ++point) {
        const bool used = supported(point);
        const int k = record().getValue(row::MobilePower, col::KmFirst + 2 * (point - 1));
        const int m = record().getValue(row::MobilePower, col::KmFirst + 2 * (point - 1) + 1);
        frequencyBox(point)->setText(used ? QString::asprintf("%f", frequencyMhz(point))
                                          : QStringLiteral("UNSUPPORTED"));
        powerBox(point)->setText(used ? QString::asprintf("%1.3f", m_model.power(k, m, l1)) : QString());
        powerBox(point + kPoints)
            ->setText(used ? QString::asprintf("%1.3f", m_model.secondPower(k, m, l1, l2)) : QString());
        powerBox(point)->setEnabled(used);
        powerBox(point + kPoints)->setEnabled(used);
        if (used && first == 0)
            first = point;
    }
    m_selection = first == 0 ? 1 : first;
    m_keyedText = QString::asprintf(kKeyedFormat, first == 0 ? 0.0 : frequencyMhz(first));
    const auto inRange = [](int v) { return v >= 0 && v <= kLevelMaximum; };
    m_ptt->setEnabled(first != 0 && inRange(l1) && inRange(l2));
    setDisplayReady(true);
}

void TMobilePowerTuneHI::setStatus(const QString& text) {
    m_status->setText(text);
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     keyed() ? screenControls::keyedText() : screenControls::staticText());
    m_status->setPalette(palette);
}

void TMobilePowerTuneHI::keyStateChanged() {
    setStatus(keyed() ? m_keyedText : QString::fromLatin1(kDekeyedText));
    // The point the transmitter is keyed at is marked in its row, as on the other screens.
    for (int point = 1; point <= kPoints; ++point) {
        const bool onAir = keyed() && point == pointOf(keyedRow());
        screenControls::markKeyed(frequencyBox(point), onAir);
        frequencyBox(point)->setToolTip(onAir ? QStringLiteral("Transmitting at this point") : QString());
    }
}

void TMobilePowerTuneHI::showLinkError() {
    setStatus(QString::fromStdString(linkErrorText()));
    // A screen that could not open is closed at once: its status box would never be seen.
    if (!displayReady())
        TScreenSession::showLinkError();
}

// --- Actions ----------------------------------------------------------------------------------------------

void TMobilePowerTuneHI::focusAction(int selection) {
    runAction(SerialCheck::No, [&](EnhancedSBEP& link) {
        if (!keyed())
            setStatus(QString::fromLatin1(kDekeyedText));
        m_selection = selection;
        if (keyed() && pointOf(keyedRow()) != pointOf(selection))
            dekey(link);
        if (!checkSerial())
            return false;
        if (keyed())
            sendLevel(link);
        else
            prepare(pointOf(selection), link);
        return true;
    });
}

void TMobilePowerTuneHI::togglePtt() {
    runAction(SerialCheck::No, [&](EnhancedSBEP& link) {
        if (keyed()) {
            dekey(link);
            return;
        }
        setKeyedRow(m_selection);
        keyUp(link);
        m_data.releaseVoltageLimit(link);
        sendLevel(link);
    });
}

void TMobilePowerTuneHI::program() {
    if (prompt().show(kCommitQuestion, kWarningCaption, PromptIcon::Information, PromptButtons::OkCancel) !=
        PromptAnswer::Ok)
        return;
    // Every pair is computed before anything is written: one bad reading stops the whole run.
    std::array<kmPair, kPoints> pairs;
    for (int point = 1; point <= kPoints; ++point) {
        const auto reading = [&](int s) { return parsePowerReading(powerBox(s)->text().toStdString()); };
        const std::optional<kmPair> pair =
            m_model.fromReadings(reading(point), reading(point + kPoints), level(1), level(kPoints + 1));
        if (!pair) {
            prompt().show(QString::asprintf(kIncorrectFormat, point).toStdString(), kNoteCaption,
                          PromptIcon::Exclamation);
            return;
        }
        pairs[size_t(point - 1)] = *pair;
    }
    // The service history gets this Program with the K and M values before and after, however it ends.
    historyScope history(record(), EventKind::Program, identity().title.toStdString(),
                         serviceHistory::cellsOfFlag(flag::MobileTxPower));
    busyCursor busy;
    const bool written = runAction(SerialCheck::Yes, [&](EnhancedSBEP& link) {
        busy.start();
        dekey(link);
        for (int point = 1; point <= kPoints; ++point) {
            if (!supported(point))
                continue;
            // A close asked for meanwhile stops here; closing dekeys and resets the radio.
            if (closeAsked())
                return false;
            const kmPair& pair = pairs[size_t(point - 1)];
            prepare(point, link);
            m_data.programMobile(pair.softpotValue(), link);
            record().setValue(row::MobilePower, col::KmFirst + 2 * (point - 1), pair.k);
            record().setValue(row::MobilePower, col::KmFirst + 2 * (point - 1) + 1, pair.m);
        }
        // PTT keys where the status says: at the selected point.
        if (supported(pointOf(m_selection)))
            prepare(pointOf(m_selection), link);
        return true;
    });
    if (!written)
        return;
    history.done();
    busy.stop();
    prompt().show(kWrittenText, kNoteCaption, PromptIcon::Information);
}

}  // namespace vantrel
