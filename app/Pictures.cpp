// Drawings of the title picture and the two bench setup diagrams.
#include "app/Pictures.h"

#include <QFontMetricsF>
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

void cable(QPainter& p, const SetupPictureLayout::Cable& c, const QColor& colour, const QFont& font) {
    p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cablePath(c));
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(c.labelRect, Qt::AlignCenter, c.label);
}

bool clear(const QRectF& r, const SetupPictureLayout& layout, int placed) {
    constexpr double kGap = 3;
    if (!layout.picture.contains(r))
        return false;
    const QRectF padded = r.adjusted(-kGap, -kGap, kGap, kGap);
    for (const QRectF& b : layout.boxes)
        if (padded.intersects(b))
            return false;
    for (int i = 0; i < placed; ++i)
        if (padded.intersects(layout.cables[i].labelRect))
            return false;
    for (const SetupPictureLayout::Cable& c : layout.cables) {
        const QPainterPath path = cablePath(c);
        for (int step = 0; step <= 100; ++step)
            if (padded.contains(path.pointAtPercent(step / 100.0)))
                return false;
    }
    return true;
}

/// Puts a cable's label beside the middle of the cable where it touches no box and no label placed
/// before: first on one line, then broken at its middle blank.
void placeLabel(SetupPictureLayout& layout, int index) {
    SetupPictureLayout::Cable& c = layout.cables[index];
    const QFontMetricsF fm(layout.labelFont);
    QStringList variants{c.label};
    const QString text = c.label;
    int best = -1;
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char(' ') &&
            (best < 0 || std::abs(i - text.size() / 2) < std::abs(best - text.size() / 2)))
            best = i;
    if (best > 0)
        variants << text.left(best) + QLatin1Char('\n') + text.mid(best + 1);
    const QPointF mid((c.from.x() + c.to.x()) / 2, (c.from.y() + c.to.y()) / 2);
    for (const QString& v : variants) {
        const QSizeF size =
            fm.boundingRect(QRectF(0, 0, 1000, 1000), Qt::AlignCenter, v).size() + QSizeF(4, 2);
        for (double dy : {-size.height() - 6, 6.0, -size.height() - 20, 20.0, -size.height() / 2}) {
            for (double dx : {0.0, -size.width() / 2 - 8, size.width() / 2 + 8}) {
                QRectF r(QPointF(mid.x() + dx - size.width() / 2, mid.y() + dy), size);
                if (clear(r, layout, index)) {
                    c.label = v;
                    c.labelRect = r;
                    return;
                }
            }
        }
    }
    // No free place: below the cable's middle, whatever it covers (a layout fault the tests catch).
    c.labelRect = QRectF(mid, fm.boundingRect(text).size());
}

}  // namespace

QPainterPath cablePath(const SetupPictureLayout::Cable& c) {
    QPainterPath path(c.from);
    const double midX = (c.from.x() + c.to.x()) / 2;
    path.cubicTo(QPointF(midX, c.from.y()), QPointF(midX, c.to.y()), c.to);
    return path;
}

SetupPictureLayout setupPictureLayout(bool portable) {
    SetupPictureLayout layout;
    layout.picture = QRectF(0, 0, 580, 480);
    layout.labelFont.setPixelSize(11);
    layout.labelFont.setBold(false);

    const QRectF pc(20, 70, 140, 90);
    const QRectF iface(20, 250, 140, 90);
    const QRectF radio(portable ? 250 : 225, 150, portable ? 90 : 130, portable ? 200 : 100);
    const QRectF tester(430, 70, 135, 130);
    const QRectF supply(430, 300, 135, 100);
    layout.boxes = {pc, iface, radio, tester, supply};

    layout.cables = {
        {QPointF(pc.center().x(), pc.bottom()),
         QPointF(iface.center().x(), iface.top()),
         QStringLiteral("RS-232 serial cable"),
         {}},
        {QPointF(iface.right(), iface.center().y()),
         QPointF(radio.left(), radio.center().y() + 30),
         portable ? QStringLiteral("side connector") : QStringLiteral("rear connector"),
         {}},
        {QPointF(radio.right(), radio.top() + 20),
         QPointF(tester.left(), tester.center().y()),
         QStringLiteral("RF: N-type, 50 ohm"),
         {}},
        {QPointF(radio.right(), radio.bottom() - 20),
         QPointF(supply.left(), supply.center().y()),
         QStringLiteral("DC power"),
         {}},
    };
    for (int i = 0; i < layout.cables.size(); ++i) placeLabel(layout, i);
    return layout;
}

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
    const SetupPictureLayout layout = setupPictureLayout(portable);
    QImage img(layout.picture.size().toSize(), QImage::Format_RGB32);
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

    const QRectF& pc = layout.boxes[0];
    const QRectF& iface = layout.boxes[1];
    const QRectF& radio = layout.boxes[2];
    const QRectF& tester = layout.boxes[3];
    const QRectF& supply = layout.boxes[4];
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

    const QColor colours[] = {kInk, QColor(0x2f, 0x6f, 0xb5), QColor(0xc0, 0x39, 0x2b),
                              QColor(0x2e, 0x8b, 0x57)};
    for (int i = 0; i < layout.cables.size(); ++i)
        cable(p, layout.cables[i], colours[i % 4], layout.labelFont);

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
