// Build helper: writes title.bmp, portablesetup.bmp and mobilesetup.bmp into the given directory.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/Pictures.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vantrel_bitmaps DIRECTORY\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok =
        vantrel::drawTitlePicture().save(dir.filePath(vantrel::pictureFile::Title), "BMP") &&
        vantrel::drawSetupPicture(true).save(dir.filePath(vantrel::pictureFile::PortableSetup), "BMP") &&
        vantrel::drawSetupPicture(false).save(dir.filePath(vantrel::pictureFile::MobileSetup), "BMP");
    if (!ok)
        std::fprintf(stderr, "vantrel_bitmaps: cannot write the pictures into %s\n", argv[1]);
    return ok ? 0 : 1;
}
