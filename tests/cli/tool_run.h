// Running tegmora-fx from the tests, in a temporary folder of their own.
#pragma once

#include "qstring_printer.h"

#include <QByteArray>
#include <QFile>
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
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline ToolRun Fx(const QStringList& args) {
    QProcess process;
    return Fx(process, args);
}

class ToolTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // A 3 x 2 bitmap of grey 15 with one pixel of 231.
    QString writeRoof(const char* name) const {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(qRgb(15, 15, 15));
        image.setPixel(2, 1, qRgb(231, 231, 231));
        const QString file = path(name);
        EXPECT_TRUE(image.save(file, "BMP"));
        return file;
    }
    QByteArray bytes(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

}  // namespace tegmora::cli::harness
