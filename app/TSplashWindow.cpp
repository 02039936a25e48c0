// The progress window.
#include "app/TSplashWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "app/Pictures.h"

namespace vantrel {

namespace {
constexpr int kGaugeHeight = 22;
constexpr int kTextHeight = 26;
constexpr int kMargin = 10;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 26;
}  // namespace

TSplashWindow::TSplashWindow(const QString& bitmapPath, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_title(title) {
    setObjectName(QStringLiteral("TSplashWindow"));
    setWindowTitle(title);
    setFixedSize(kWidth, kHeight);
    // Input to every other window waits while the radio is read or programmed; Cancel stays usable.
    setWindowModality(Qt::ApplicationModal);
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
    const int gaugeTop = pictureBottom + 2 * kMargin + kTextHeight;
    m_gauge->setGeometry(kMargin, gaugeTop, kWidth - 3 * kMargin - kButtonWidth, kGaugeHeight);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setGeometry(kWidth - kMargin - kButtonWidth, gaugeTop - (kButtonHeight - kGaugeHeight) / 2,
                          kButtonWidth, kButtonHeight);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &TSplashWindow::requestCancel);

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

void TSplashWindow::requestCancel() {
    if (m_cancelRequested)
        return;
    m_cancelRequested = true;
    m_cancel->setEnabled(false);
}

bool TSplashWindow::acceptsCancel() const {
    return isVisible() && !m_cancelRequested;
}

void TSplashWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        requestCancel();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
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
