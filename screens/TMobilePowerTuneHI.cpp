// The K and M power tuning screen.
#include "screens/TMobilePowerTuneHI.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>

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
    : TScreenSession(environment, "tx-mobile-power") {
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
    m_status->setText(QString::fromLatin1(kDekeyedText));
}

// --- Display ----------------------------------------------------------------------------------------------

void TMobilePowerTuneHI::render(const sessionState& state) {
    const bool refill = state.reloads != m_reloads;
    m_reloads = state.reloads;
    bool any = false;
    for (int point = 1; point <= kPoints && point <= int(state.rows.size()); ++point) {
        const sessionRowState& row = state.rows[size_t(point - 1)];
        frequencyBox(point)->setText(row.supported ? QString::asprintf("%f", row.frequencyMhz)
                                                   : QStringLiteral("UNSUPPORTED"));
        powerBox(point)->setEnabled(row.supported);
        powerBox(point + kPoints)->setEnabled(row.supported);
        // The readings are the technician's once shown: only an opening or a re-read refills them.
        if (refill) {
            powerBox(point)->setText(QString::fromStdString(row.entry));
            powerBox(point + kPoints)
                ->setText(QString::fromStdString(state.rows[size_t(point - 1 + kPoints)].entry));
        }
        any = any || row.supported;
        const bool onAir = state.keyedRow && pointOf(*state.keyedRow + 1) == point;
        screenControls::markKeyed(frequencyBox(point), onAir);
        frequencyBox(point)->setToolTip(onAir ? QStringLiteral("Transmitting at this point") : QString());
    }
    const auto& piece = static_cast<const kmPowerPiece&>(session().piece());
    const auto inRange = [](int v) { return v >= 0 && v <= kmPowerPiece::kLevelMaximum; };
    m_ptt->setEnabled(any && inRange(piece.level(0)) && inRange(piece.level(kPoints)));
    m_status->setText(QString::fromStdString(state.status));
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     state.keyed ? screenControls::keyedText() : screenControls::staticText());
    m_status->setPalette(palette);
}

// --- Actions ----------------------------------------------------------------------------------------------

void TMobilePowerTuneHI::focusAction(int selection) {
    if (actionRunning())
        return;
    drive([&](tuningSession& s) { return s.step(selection - 1, 0, stepKind::Value); });
}

void TMobilePowerTuneHI::togglePtt() {
    if (actionRunning())
        return;
    drive([](tuningSession& s) { return s.togglePtt(); });
}

void TMobilePowerTuneHI::takeReadings() {
    for (int s = 1; s <= 2 * kPoints; ++s) {
        actionRequest request;
        request.row = s - 1;
        request.text = powerBox(s)->text().toStdString();
        session().act(sessionAction::Reading, request);
    }
}

void TMobilePowerTuneHI::program() {
    if (actionRunning())
        return;
    takeReadings();
    busyCursor busy;
    drive([&](tuningSession& s) {
        busy.start();
        return s.program();
    });
}

}  // namespace vantrel
