// Writes the application icon as a PNG file, for installing beside the
// desktop entry.
#include "artwork.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE OUTPUT.png\n", argv[0]);
        return 2;
    }
    bool isNumber = false;
    const int size = QByteArray(argv[1]).toInt(&isNumber);
    if (!isNumber || size < 16 ||
        !tegmora::app::AppIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
