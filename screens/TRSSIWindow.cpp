// The RSSI screen.
#include "screens/TRSSIWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/EnhancedSBEP.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "screens/screenControls.h"
#include "operations/serviceHistory.h"

namespace vantrel {

namespace {

constexpr QSize kWindow{560, 230};
constexpr std::array<int, TRSSIWindow::kRows> kRowY{20, 60, 100};
constexpr int kLevelX = 20;
constexpr QSize kLevelSize{50, 20};
constexpr int kLevelTextLimit = 11;
constexpr int kUnitX = 75;
constexpr int kSoftpotLabelX = 150;
constexpr int kSoftpotX = 220;
constexpr QSize kSoftpotSize{50, 20};
constexpr int kUpdateX = 310;
constexpr QSize kUpdateSize{100, 30};
const QRect kPointBox{20, 140, 500, 30};
constexpr int kLevelId = 4000;
constexpr int kSoftpotId = 4003;
constexpr int kUpdateId = 7001;
constexpr int kPointBoxId = 3000;
constexpr int kMiddlePoint = 4;  ///< the point the main-series M, R and S radios take thresholds at

bool twoThresholds(const radioStorage& r) {
    const radiomodel m;
    if (m.isHighMobileN(r) || m.isSixPortableN(r))
        return false;
    return m.isHighPortable(r) || m.isHighMobile(r) || m.isMainMobileR(r) || m.isMainMobileS(r) ||
           m.isMainPortableR(r) || m.isMainPortableS(r) || m.isMainMobileM(r) || m.isMainPortableM(r) ||
           m.isMainMobileFive(r) || m.isMainPortableFive(r) || m.inListD(r) || m.isSixPortable(r);
}

bool mainMOrFive(const radioStorage& r) {
    const radiomodel m;
    return m.isMainPortableM(r) || m.isMainMobileM(r) || m.isMainPortableFive(r) || m.isMainMobileFive(r);
}

}  // namespace

TRSSIWindow::TRSSIWindow(const screenEnvironment& environment)
    : TScreenSession(environment, screenCapabilities::neverKeys()) {
    resize(kWindow);
    setMinimumSize(kWindow);
    for (int i = 0; i < kRows; ++i) {
        const int y = kRowY[size_t(i)];
        auto* level = new QLineEdit(this);
        level->setGeometry(QRect(QPoint(kLevelX, y), kLevelSize));
        level->setObjectName(QStringLiteral("level%1").arg(kLevelId + i));
        level->setMaxLength(kLevelTextLimit);
        level->setFont(screenControls::font());
        m_levels[size_t(i)] = level;
        m_labels[size_t(i)][0] = screenControls::label(this, QStringLiteral("dBm"), kUnitX, y + 2);
        m_labels[size_t(i)][1] =
            screenControls::label(this, QStringLiteral("Softpot %1: ").arg(i + 1), kSoftpotLabelX, y + 2);
        m_softpots[size_t(i)] = screenControls::displayBox(this, QRect(QPoint(kSoftpotX, y), kSoftpotSize),
                                                           QStringLiteral("softpot%1").arg(kSoftpotId + i));
        m_softpots[size_t(i)]->setAlignment(Qt::AlignRight);
        auto* button = new QPushButton(QStringLiteral("Update"), this);
        button->setGeometry(QRect(QPoint(kUpdateX, y - 5), kUpdateSize));
        button->setObjectName(QStringLiteral("button%1").arg(kUpdateId + i));
        button->setFont(screenControls::font());
        connect(button, &QPushButton::clicked, this, [this, i] { update(i + 1); });
        m_updates[size_t(i)] = button;
    }
    m_pointBox = screenControls::displayBox(this, kPointBox, QStringLiteral("frequency%1").arg(kPointBoxId));
}

TRSSIWindow::~TRSSIWindow() = default;

int TRSSIWindow::rowCount() const {
    return twoThresholds(record()) ? 2 : 3;
}

int TRSSIWindow::point() const {
    const radiomodel m;
    const radioStorage& r = record();
    if (m.isMainMobileM(r) || m.isMainPortableM(r) || m.isMainMobileR(r) || m.isMainPortableR(r) ||
        m.isMainMobileS(r) || m.isMainPortableS(r))
        return kMiddlePoint;
    if (m.isMainMobileFive(r) || m.isMainPortableFive(r))
        return 1;
    return m_frequency.middleRxPoint(r);
}

void TRSSIWindow::setupRadio(EnhancedSBEP& link) {
    m_data.setSpacing(mainMOrFive(record()) ? spacing::k12_5 : spacing::k25);
    m_data.setupTest(link);
    const int n = point();
    const std::uint16_t rx = n == 0 ? 0 : RF_Frequency::channelAt(record(), true, n);
    if (rx != 0)
        link.setChannelPair(m_frequency.channelFor(record(), false, n), kChannelMode, rx, kChannelMode);
}

void TRSSIWindow::fillDisplay() {
    const int rows = rowCount();
    for (int i = 0; i < kRows; ++i) {
        const bool shown = i < rows;
        for (QWidget* w :
             {static_cast<QWidget*>(m_levels[size_t(i)]), static_cast<QWidget*>(m_softpots[size_t(i)]),
              static_cast<QWidget*>(m_updates[size_t(i)]), m_labels[size_t(i)][0], m_labels[size_t(i)][1]})
            w->setVisible(shown);
        m_softpots[size_t(i)]->setText(QString::number(record().getValue(row::Rssi, col::RssiFirst + i)));
        // The record keeps the level's magnitude; the level itself is below 0 dBm.
        const int magnitude = record().getValue(row::Rssi, col::RssiCalDacFirst + i);
        m_levels[size_t(i)]->setText(QString::number(-magnitude));
    }
    const int n = point();
    const std::uint16_t rx = n == 0 ? 0 : RF_Frequency::channelAt(record(), true, n);
    const auto base = static_cast<std::uint32_t>(record().getValue(row::Frequency, col::FrequencyBase));
    m_pointBox->setText(
        QString::asprintf(kPointFormat, rx == 0 ? 0.0 : m_frequency.pointFrequency(base, rx)));
}

void TRSSIWindow::update(int row) {
    if (row < 1 || row > rowCount() || actionRunning())
        return;
    historyScope history(record(), EventKind::Program, identity().title.toStdString(),
                         serviceHistory::cellsOfFlag(flag::Rssi));
    const bool done = runAction(SerialCheck::Yes, [&](EnhancedSBEP& link) {
        // The radio takes the threshold at the level now on its input; the typed level is only a note.
        link.writeSoftpot(softpot::Rssi, spfunction::Program, std::uint32_t(row - 1), spwidth::One);
        m_data.read(record(), link);
    });
    if (done) {
        history.done();
        fillDisplay();
    }
}

}  // namespace vantrel
