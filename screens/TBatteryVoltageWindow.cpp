// The battery threshold screen.
#include "screens/TBatteryVoltageWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "screens/screenControls.h"

namespace vantrel {

namespace {

QLabel* valueBox(QWidget* parent, const QRect& geometry, int id) {
    auto* box = new QLabel(parent);
    box->setGeometry(geometry);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setObjectName(QStringLiteral("static%1").arg(id));
    box->setFont(screenControls::font());
    return box;
}

}  // namespace

TBatteryVoltageWindow::TBatteryVoltageWindow(const screenEnvironment& environment)
    : TScreenSession(environment, "battery-threshold") {
    resize(450, 150);
    setMinimumSize(450, 150);
    auto label = [&](const char* text, int x) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->move(x, 50);
        l->setFont(screenControls::font());
        l->adjustSize();
    };
    label("Target Voltage (V)", 20);
    label("Default", 220);
    m_target = valueBox(this, QRect(20, 70, 100, 30), 8000);
    m_default = valueBox(this, QRect(220, 70, 100, 30), 8001);
    m_program =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Program"), this);
    m_program->setGeometry(20, 110, 100, 30);
    m_program->setObjectName(QStringLiteral("button7002"));
    m_program->setFont(screenControls::font());
    connect(m_program, &QPushButton::clicked, this, &TBatteryVoltageWindow::program);
}

void TBatteryVoltageWindow::render(const sessionState& state) {
    for (const auto& [name, text] : state.readouts) {
        if (name == "target-voltage")
            m_target->setText(QString::fromStdString(text) + QLatin1Char('\n'));
        else if (name == "default")
            m_default->setText(QString::fromStdString(text) + QLatin1Char('\n'));
    }
}

void TBatteryVoltageWindow::program() {
    if (actionRunning())
        return;
    drive([](tuningSession& s) { return s.program(); });
}

}  // namespace vantrel
