// The PA voltage limit screen.
#include "screens/TPAVoltageLimitWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "radio/RecordLayout.h"
#include "screens/screenControls.h"

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

}  // namespace

TPAVoltageLimitWindow::TPAVoltageLimitWindow(const screenEnvironment& environment)
    : TScreenSession(environment, "pa-voltage-limit") {
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

void TPAVoltageLimitWindow::render(const sessionState& state) {
    for (int point = 1; point <= record::kPointCount && point <= int(state.rows.size()); ++point) {
        const sessionRowState& row = state.rows[size_t(point - 1)];
        if (!row.supported) {
            frequencyBox(point)->setText(QStringLiteral("UNSUPPORTED"));
            defaultBox(point)->clear();
            continue;
        }
        frequencyBox(point)->setText(QString::asprintf("%f", row.frequencyMhz));
        defaultBox(point)->setText(QString::number(row.recordValue.value_or(row.value)));
    }
    m_status->setText(QString::fromStdString(state.status));
}

void TPAVoltageLimitWindow::autoTune() {
    if (actionRunning())
        return;
    actionRequest request;
    drive([&](tuningSession& s) { return s.act(sessionAction::AutoTune, request); });
}

}  // namespace vantrel
