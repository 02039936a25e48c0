// Drawings of the title picture and the two bench setup diagrams.
#include "app/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace vantrel {

namespace {

const QColor kInk(0x22, 0x2d, 0x3a);
const QColor kPanel(0xee, 0xf2, 0xf6);
const QColor kAccent(0xe0, 0x9a, 0x1b);

void box(QPainter& p, QRectF r, const QString& title, const QString& detail, QColor fill) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(fill);
    p.drawRoundedRect(r, 8, 8);
    QFont f = p.font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.drawText(r.adjusted(6, 8, -6, -r.height() / 2), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               title);
    f.setBold(false);
    f.setPixelSize(12);
    p.setFont(f);
    p.drawText(r.adjusted(8, r.height() / 2 - 10, -8, -6), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               detail);
}

void cable(QPainter& p, QPointF a, QPointF b, const QColor& c, const QString& label) {
    p.setPen(QPen(c, 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath path(a);
    QPointF mid((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
    path.cubicTo(QPointF(mid.x(), a.y()), QPointF(mid.x(), b.y()), b);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(false);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(mid.x() - 90, mid.y() - 20, 180, 16), Qt::AlignCenter, label);
}

}  // namespace

QImage drawTitlePicture() {
    QImage img(550, 340, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 340);
    sky.setColorAt(0, QColor(0x12, 0x2b, 0x45));
    sky.setColorAt(1, QColor(0x2f, 0x6f, 0xb5));
    p.fillRect(img.rect(), sky);

    // A calm sine carrier over a tuning scale.
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int x = 20; x < 550; x += 26) p.drawLine(x, 230, x, x % 52 == 20 ? 250 : 242);
    QPainterPath wave;
    for (int x = 0; x <= 550; x += 2) {
        double y = 200 - 28 * std::sin(x / 26.0) * std::exp(-std::pow((x - 275) / 190.0, 2));
        x == 0 ? wave.moveTo(x, y) : wave.lineTo(x, y);
    }
    p.setPen(QPen(kAccent, 3));
    p.drawPath(wave);

    // Handheld radio silhouette.
    p.setPen(QPen(QColor(0xdd, 0xe6, 0xf0), 2));
    p.setBrush(QColor(0x33, 0x3d, 0x48));
    p.drawRoundedRect(QRectF(440, 70, 58, 130), 10, 10);
    p.drawRect(QRectF(452, 30, 9, 42));
    p.setBrush(QColor(0x9f, 0xd8, 0xa8));
    p.drawRect(QRectF(449, 84, 40, 22));
    p.setBrush(QColor(0xdd, 0xe6, 0xf0));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) p.drawEllipse(QPointF(457 + c * 12, 124 + r * 14), 3, 3);

    QFont f = p.font();
    f.setPixelSize(44);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(34, 52, 400, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vantrel"));
    f.setPixelSize(17);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(0xdd, 0xe6, 0xf0));
    p.drawText(QRectF(36, 108, 400, 50), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Tuner for Feldaris and Entry Level Feldaris radios"));
    f.setPixelSize(13);
    p.setFont(f);
    p.drawText(QRectF(36, 290, 480, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Alignment and softpot tuning for two-way FM radios"));
    return img;
}

QImage drawSetupPicture(bool portable) {
    QImage img(580, 480, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = p.font();
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 12, 580, 30), Qt::AlignCenter,
               portable ? QStringLiteral("Portable Radio Setup") : QStringLiteral("Mobile Radio Setup"));

    const QRectF pc(24, 70, 150, 90);
    const QRectF iface(24, 250, 150, 90);
    const QRectF radio(portable ? 250 : 230, 150, portable ? 90 : 130, portable ? 200 : 100);
    const QRectF tester(420, 70, 140, 130);
    const QRectF supply(420, 300, 140, 100);

    box(p, pc, QStringLiteral("Workstation"), QStringLiteral("COM 1 to COM 4\n9600 bit/s"), kPanel);
    box(p, iface, QStringLiteral("Interface box"), QStringLiteral("one-wire bus, echoes every byte"),
        QColor(0xfd, 0xf1, 0xdc));
    box(p, radio, portable ? QStringLiteral("Portable") : QStringLiteral("Mobile"),
        portable ? QStringLiteral("battery eliminator,\nantenna removed")
                 : QStringLiteral("accessory connector"),
        QColor(0xdf, 0xee, 0xe2));
    box(p, tester, QStringLiteral("Radio test set"),
        QStringLiteral("power meter, frequency counter, deviation, SINAD"), kPanel);
    box(p, supply, QStringLiteral("DC supply"),
        portable ? QStringLiteral("7.5 V (6 V for PA screening), current meter")
                 : QStringLiteral("13.8 V, 15 A, current meter"),
        kPanel);

    cable(p, QPointF(pc.center().x(), pc.bottom()), QPointF(iface.center().x(), iface.top()), kInk,
          QStringLiteral("RS-232 serial cable"));
    cable(p, QPointF(iface.right(), iface.center().y()), QPointF(radio.left(), radio.center().y() + 30),
          QColor(0x2f, 0x6f, 0xb5),
          portable ? QStringLiteral("side connector") : QStringLiteral("rear connector"));
    cable(p, QPointF(radio.right(), radio.top() + 20), QPointF(tester.left(), tester.center().y()),
          QColor(0xc0, 0x39, 0x2b), QStringLiteral("RF: N-type, 50 ohm"));
    cable(p, QPointF(radio.right(), radio.bottom() - 20), QPointF(supply.left(), supply.center().y()),
          QColor(0x2e, 0x8b, 0x57), QStringLiteral("DC power"));

    f.setPixelSize(12);
    f.setBold(false);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(24, 420, 540, 50), Qt::AlignLeft | Qt::TextWordWrap,
               portable ? QStringLiteral("Never key a portable without the RF cable to the test set or a "
                                         "50 ohm dummy load. Read the radio before opening any screen.")
                        : QStringLiteral("Use a 50 ohm attenuator rated for the full transmit power of the "
                                         "mobile. Read the radio before opening any screen."));
    return img;
}

}  // namespace vantrel
