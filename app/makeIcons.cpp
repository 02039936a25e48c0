// Build helper: writes the application icon as hicolor/<N>x<N>/apps/vantrel.png for the desktop's icon
// theme, drawn by the same code as the window icon.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "app/AppIcons.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vantrel_icons DIRECTORY SIZE...\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int side = std::atoi(argv[i]);
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(side);
        if (side <= 0 || !root.mkpath(folder) ||
            !vantrel::applicationIconImage(side).save(root.filePath(folder + QStringLiteral("/vantrel.png")),
                                                      "PNG")) {
            std::fprintf(stderr, "vantrel_icons: cannot write the %s pixel icon into %s\n", argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
