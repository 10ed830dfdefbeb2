// Running tegmora-fx from the tests, in a temporary folder of their own, and
// the small pictures they feed it.
#pragma once

#include "hostile_files.h"
#include "qstring_printer.h"

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tegmora::cli::harness {

// What one run of the tool did.
struct ToolRun {
    int status = -1;  // the exit status, or -1 when the tool crashed or hung
    QString out;
    QString err;
};

// Runs the tool with `args` in `process`, which the caller may have given
// an environment or a set-up of the child.
inline ToolRun Fx(QProcess& process, const QStringList& args) {
    process.start(QStringLiteral(TEGMORA_FX), args);
    const bool finished = process.waitForFinished(60000);
    return {finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

inline ToolRun Fx(const QStringList& args) {
    QProcess process;
    return Fx(process, args);
}

// A `width` x `height` picture over a palette of `colours` entries, each
// pixel a different index from its neighbours. Qt writes it as a bitmap of
// 1 bit for 2 colours, 4 bits up to 16 and 8 bits above.
inline QImage Palettised(int width, int height, int colours) {
    QImage image(width, height, colours == 2 ? QImage::Format_Mono : QImage::Format_Indexed8);
    for (int i = 0; i < colours; ++i) image.setColor(i, qRgb(i * 7 % 256, 255 - i, i * 13 % 256));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, static_cast<uint>((x * 5 + y * 3) % colours));
    return image;
}

class ToolTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // A 3 x 2 bitmap of grey 15 with one pixel of 231, 24 bits a pixel.
    QString writeRoof(const char* name) const { return write(name, Roof()); }
    QString write(const char* name, const QImage& image, const char* format = "BMP") const {
        EXPECT_TRUE(image.save(path(name), format)) << name;
        return path(name);
    }
    static QImage Roof() {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(qRgb(15, 15, 15));
        image.setPixel(2, 1, qRgb(231, 231, 231));
        return image;
    }

    QTemporaryDir dir;
};

}  // namespace tegmora::cli::harness
