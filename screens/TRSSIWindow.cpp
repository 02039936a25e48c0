// The RSSI screen.
#include "screens/TRSSIWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "operations/procedurePieces.h"
#include "screens/screenControls.h"

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
}  // namespace

TRSSIWindow::TRSSIWindow(const screenEnvironment& environment) : TScreenSession(environment, "rx-rssi") {
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
    return std::min(session().piece().rowCount(), kRows);
}

int TRSSIWindow::point() const {
    return static_cast<const rssiPiece&>(session().piece()).point();
}

void TRSSIWindow::render(const sessionState& state) {
    const int rows = rowCount();
    // A typed level is only a note: the boxes are refilled at opening, a re-read and an update.
    const bool refill = state.reloads != m_reloads;
    m_reloads = state.reloads;
    for (int i = 0; i < kRows; ++i) {
        const bool shown = i < rows;
        for (QWidget* w :
             {static_cast<QWidget*>(m_levels[size_t(i)]), static_cast<QWidget*>(m_softpots[size_t(i)]),
              static_cast<QWidget*>(m_updates[size_t(i)]), m_labels[size_t(i)][0], m_labels[size_t(i)][1]})
            w->setVisible(shown);
        if (!shown || size_t(i) >= state.rows.size())
            continue;
        const sessionRowState& row = state.rows[size_t(i)];
        m_softpots[size_t(i)]->setText(QString::number(row.recordValue.value_or(row.value)));
        if (refill && row.reading)
            m_levels[size_t(i)]->setText(QString::number(*row.reading));
    }
    m_pointBox->setText(QString::fromStdString(state.status));
}

void TRSSIWindow::update(int row) {
    if (row < 1 || row > rowCount() || actionRunning())
        return;
    actionRequest request;
    request.row = row - 1;
    if (drive([&](tuningSession& s) { return s.act(sessionAction::Update, request); }).done())
        m_reloads = -1;
    refresh();
}

}  // namespace vantrel
