// Icons drawn with QPainter at a few sizes.
#include "app/AppIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace vantrel {

namespace {

using Draw = std::function<void(QPainter&)>;

/// Paints a drawing made on a 32 x 32 canvas onto a square device of the given side.
void paintScaled(QPaintDevice& device, int side, const Draw& draw) {
    QPainter p(&device);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 32.0, side / 32.0);
    draw(p);
}

/// Renders a drawing made on a 32 x 32 canvas at the usual icon sizes.
QIcon render(const Draw& draw) {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        paintScaled(pm, side, draw);
        icon.addPixmap(pm);
    }
    return icon;
}

const QColor kInk(0x2b, 0x3a, 0x4a);
const QColor kBlue(0x2f, 0x6f, 0xb5);
const QColor kGreen(0x2e, 0x8b, 0x57);
const QColor kAmber(0xe0, 0x9a, 0x1b);
const QColor kRed(0xc0, 0x39, 0x2b);

void radio(QPainter& p, QRectF body, const QColor& face) {
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(face);
    p.drawLine(QPointF(body.left() + 3, body.top()), QPointF(body.left() + 3, body.top() - 8));
    p.drawRoundedRect(body, 2.5, 2.5);
    p.setBrush(QColor(0xcf, 0xe8, 0xd0));
    p.drawRect(QRectF(body.left() + 2, body.top() + 3, body.width() - 4, 5));
    p.setBrush(kInk);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(body.center().x(), body.top() + 12 + i * 3.2), 1.0, 1.0);
}

void folder(QPainter& p) {
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(kAmber);
    QPainterPath path;
    path.moveTo(3, 9);
    path.lineTo(12, 9);
    path.lineTo(14, 12);
    path.lineTo(28, 12);
    path.lineTo(28, 27);
    path.lineTo(3, 27);
    path.closeSubpath();
    p.drawPath(path);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    QLineF l(to, from);
    QLineF a = l;
    a.setLength(5);
    a.setAngle(l.angle() + 35);
    QLineF b = l;
    b.setLength(5);
    b.setAngle(l.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void loadArchive(QPainter& p) {
    folder(p);
    arrow(p, QPointF(20, 3), QPointF(20, 20), kBlue);
}

void saveArchive(QPainter& p) {
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 4, 14, 9));
    p.setBrush(QColor(0xdd, 0xe6, 0xf0));
    p.drawRect(QRectF(8, 17, 16, 11));
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(11, 21), QPointF(21, 21));
    p.drawLine(QPointF(11, 24), QPointF(21, 24));
}

void readRadio(QPainter& p) {
    radio(p, QRectF(3, 10, 12, 20), QColor(0x55, 0x5f, 0x6a));
    arrow(p, QPointF(16, 18), QPointF(29, 18), kGreen);
}

void programAll(QPainter& p) {
    radio(p, QRectF(17, 10, 12, 20), QColor(0x55, 0x5f, 0x6a));
    arrow(p, QPointF(2, 18), QPointF(15, 18), kRed);
}

void printPreview(QPainter& p) {
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 3, 17, 23));
    p.setPen(QPen(kInk.lighter(160), 1));
    for (int y = 8; y < 22; y += 3) p.drawLine(QPointF(8, y), QPointF(19, y));
    p.setPen(QPen(kInk, 2.2));
    p.setBrush(QColor(0xd8, 0xec, 0xff, 200));
    p.drawEllipse(QPointF(20, 19), 5.5, 5.5);
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 23), QPointF(29, 28));
}

void commSettings(QPainter& p) {
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(QColor(0x9a, 0xa5, 0xb1));
    QPainterPath dsub;
    dsub.moveTo(3, 9);
    dsub.lineTo(29, 9);
    dsub.lineTo(26, 23);
    dsub.lineTo(6, 23);
    dsub.closeSubpath();
    p.drawPath(dsub);
    p.setBrush(kInk);
    for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(8 + i * 4, 14), 1.1, 1.1);
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(10 + i * 4, 18.5), 1.1, 1.1);
}

void helpIndex(QPainter& p) {
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(Qt::white);
    QFont f;
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
}

void appIcon(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x79));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    radio(p, QRectF(6, 11, 11, 18), QColor(0xe8, 0xee, 0xf4));
    p.setPen(QPen(kAmber, 1.6));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i)
        p.drawArc(QRectF(14 - i * 3, 4 - i * 3, 10 + i * 6, 10 + i * 6), -30 * 16, 80 * 16);
}

}  // namespace

QIcon toolbarIcon(int bitmapNumber) {
    switch (bitmapNumber) {
        case bitmap::LoadArchive:
            return render(loadArchive);
        case bitmap::SaveArchive:
            return render(saveArchive);
        case bitmap::ReadRadio:
            return render(readRadio);
        case bitmap::ProgramAll:
            return render(programAll);
        case bitmap::PrintPreview:
            return render(printPreview);
        case bitmap::CommSettings:
            return render(commSettings);
        case bitmap::HelpIndex:
            return render(helpIndex);
        default:
            return {};
    }
}

QIcon applicationIcon() {
    return render(appIcon);
}

QImage applicationIconImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    paintScaled(image, side, appIcon);
    return image;
}

}  // namespace vantrel
