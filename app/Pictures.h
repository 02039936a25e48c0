// The pictures shipped beside the program: the progress window's title picture and the setup pictures.
#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace vantrel {

/// File names of the pictures in the program directory.
namespace pictureFile {
inline constexpr const char* Title = "title.bmp";
inline constexpr const char* PortableSetup = "portablesetup.bmp";
inline constexpr const char* MobileSetup = "mobilesetup.bmp";
}  // namespace pictureFile

/// The title picture of the progress window (550 x 340).
QImage drawTitlePicture();
/// How a portable (true) or a mobile radio is wired to the test equipment (580 x 480).
QImage drawSetupPicture(bool portable);

/// Where the parts of a setup picture go: the equipment boxes, the cables between them and each cable's
/// label, placed in free space beside its cable (never over a box or another label).
struct SetupPictureLayout {
    struct Cable {
        QPointF from, to;
        QString label;     ///< with a line break when it had to wrap
        QRectF labelRect;  ///< fits the label's text in labelFont
    };
    QRectF picture;
    QList<QRectF> boxes;
    QList<Cable> cables;
    QFont labelFont;
};
SetupPictureLayout setupPictureLayout(bool portable);
/// The line a cable is drawn along.
QPainterPath cablePath(const SetupPictureLayout::Cable& cable);

}  // namespace vantrel
