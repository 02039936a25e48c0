// The progress window.
#include "app/TSplashWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>

#include "app/Pictures.h"

namespace vantrel {

namespace {
constexpr int kGaugeHeight = 22;
constexpr int kTextHeight = 26;
constexpr int kMargin = 10;
}  // namespace

TSplashWindow::TSplashWindow(const QString& bitmapPath, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_title(title) {
    setObjectName(QStringLiteral("TSplashWindow"));
    setWindowTitle(title);
    setFixedSize(kWidth, kHeight);
    if (!m_picture.load(bitmapPath))
        m_picture = drawTitlePicture();

    const int pictureBottom = kHeight - kGaugeHeight - kTextHeight - 3 * kMargin;
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("stepText"));
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setGeometry(kMargin, pictureBottom + kMargin, kWidth - 2 * kMargin, kTextHeight);
    m_gauge = new QProgressBar(this);
    m_gauge->setObjectName(QStringLiteral("gauge"));
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    m_gauge->setTextVisible(true);
    m_gauge->setGeometry(kMargin, pictureBottom + 2 * kMargin + kTextHeight, kWidth - 2 * kMargin,
                         kGaugeHeight);

    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(kCloseTimeoutMs);
    connect(&m_closeTimer, &QTimer::timeout, this, &TSplashWindow::closeTimerFired);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSplashWindow::SetText(const std::string& text) {
    m_text->setText(QString::fromStdString(text));
}

void TSplashWindow::SetPercentDone(int percent) {
    m_gauge->setValue(std::clamp(percent, 0, 100));
    if (percent >= kClosingPercent && !m_closeTimer.isActive())
        m_closeTimer.start();
    if (isVisible())
        repaint();
    // Let the window (and the rest of the screen) repaint between radio exchanges; user input waits.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int TSplashWindow::percentDone() const {
    return m_gauge->value();
}
QString TSplashWindow::stepText() const {
    return m_text->text();
}

void TSplashWindow::closeTimerFired() {
    if (percentDone() > kClickablePercent)
        close();
}

void TSplashWindow::mousePressEvent(QMouseEvent* event) {
    if (percentDone() > kClickablePercent)
        close();
    event->accept();
}

void TSplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int pictureBottom = kHeight - kGaugeHeight - kTextHeight - 3 * kMargin;
    QRect area(0, 0, kWidth, pictureBottom);
    QImage scaled = m_picture.scaled(area.size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    p.drawImage(area, scaled,
                QRect(QPoint((scaled.width() - area.width()) / 2, (scaled.height() - area.height()) / 2),
                      area.size()));
    // The operation's title on a translucent band across the top of the picture.
    QRect band(0, 0, kWidth, 30);
    p.fillRect(band, QColor(0, 0, 0, 120));
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(band.adjusted(kMargin, 0, -kMargin, 0), Qt::AlignVCenter | Qt::AlignLeft, m_title);
    p.setPen(palette().dark().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace vantrel
