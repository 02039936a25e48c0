// The pictures shipped beside the program: the progress window's title picture and the setup pictures.
#pragma once

#include <QImage>

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

}  // namespace vantrel
