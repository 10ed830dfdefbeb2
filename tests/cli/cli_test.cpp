#include "command_line.h"
#include "tool_run.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace tegmora::cli {
namespace {

ParsedCommand Parse(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args) list << QString::fromUtf8(a);
    return ParseCommandLine(list);
}

TEST(CommandLineTest, ReadsFilterNamesCodesAndPresets) {
    struct Case {
        const char* effect;
        std::int32_t code;
        std::int32_t amount;
    };
    const Case cases[] = {
        {"brightness:10", 14, 10},      {"Edge-Enhance:1", 6, 1},          {"EDGE ENHANCE:3", 6, 3},
        {"floyd steinberg dither:10", 21, 10}, {"Floyd-Steinberg-Dither:-5", 21, -5},
        {"invert", 2, 0},               {"14:-10", 14, -10},               {"darker", 14, -10},
        {"Gray-Scale", 12, 0},          {"sharpen-more", 1, 0},            {"contour:16777215", 7, 16777215},
        {"brightness:-2147483648", 14, INT32_MIN},
    };
    for (const Case& c : cases) {
        const ParsedCommand parsed = Parse({"-e", c.effect, "in.bmp", "-o", "out.bmp"});
        ASSERT_TRUE(parsed.error.isEmpty()) << c.effect << ": " << parsed.error.toStdString();
        ASSERT_EQ(parsed.command.effects.size(), 1u) << c.effect;
        EXPECT_EQ(parsed.command.effects[0].code, c.code) << c.effect;
        EXPECT_EQ(parsed.command.effects[0].amount, c.amount) << c.effect;
    }
}

TEST(CommandLineTest, UsageErrorsNameTheirCause) {
    struct Case {
        std::initializer_list<const char*> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"-e", "blurry", "a.bmp", "-o", "b.bmp"}, "blurry"},
        {{"-e", "brightness", "a.bmp", "-o", "b.bmp"}, "Brightness takes an amount"},
        {{"-e", "sharpen", "a.bmp", "-o", "b.bmp"}, "\"Sharpen\" button uses 2"},
        {{"-e", "14", "a.bmp", "-o", "b.bmp"}, "code 14"},
        {{"-e", "brightness:ten", "a.bmp", "-o", "b.bmp"}, "brightness:ten"},
        {{"-e", "brightness:", "a.bmp", "-o", "b.bmp"}, "malformed amount"},
        {{"-e", "brightness:2147483648", "a.bmp", "-o", "b.bmp"}, "malformed amount"},
        {{"-e", "darker:5", "a.bmp", "-o", "b.bmp"}, "preset"},
        {{"-e", "invert", "a.bmp", "b.bmp", "-o", "c.bmp"}, "--out-dir"},
        {{"-e", "invert", "a.bmp", "-o", "c.bmp", "--out-dir", "d"}, "not both"},
        {{"-e", "invert", "a.bmp"}, "no output"},
        {{"-e", "invert", "-o", "c.bmp"}, "no input"},
        {{"a.bmp", "-o", "c.bmp"}, "no effect"},
        {{"-e"}, "-e needs"},
        {{"--frobnicate"}, "--frobnicate"},
        {{"-e", "invert", "--max-size", "0", "a.bmp", "-o", "b.bmp"}, "--max-size"},
    };
    for (const Case& c : cases) {
        const ParsedCommand parsed = ParseCommandLine([&] {
            QStringList list;
            for (const char* a : c.args) list << QString::fromUtf8(a);
            return list;
        }());
        EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(c.mentions)))
            << "expected \"" << c.mentions << "\" in: " << parsed.error.toStdString();
    }
}

TEST(CommandLineTest, WarnsAboutCodesWithoutFilterAndIgnoredAmounts) {
    const ParsedCommand parsed = Parse({"-e", "0", "-e", "32:7", "-e", "invert:5", "a.bmp", "-o", "b.bmp"});
    ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.command.warnings.size(), 3);
    EXPECT_TRUE(parsed.command.warnings[0].contains(QLatin1String("code 0 selects no filter")));
    EXPECT_TRUE(parsed.command.warnings[1].contains(QLatin1String("code 32")));
    EXPECT_TRUE(parsed.command.warnings[2].contains(QLatin1String("Invert takes no amount")));
    EXPECT_EQ(parsed.command.effects[1].amount, 7);
}

using harness::Fx;
using harness::ToolRun;
using harness::ToolTest;

TEST_F(ToolTest, ListsEveryFilterWithItsCode) {
    const ToolRun run = Fx({QStringLiteral("--list")});
    EXPECT_EQ(run.status, kSuccess);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 31);
    EXPECT_TRUE(lines[0].startsWith(QLatin1String(" 1  Sharpen"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QLatin1String("takes an amount")));
    EXPECT_TRUE(lines[1].endsWith(QLatin1String("no amount")));
    EXPECT_TRUE(lines[30].startsWith(QLatin1String("31  Gamma")));
}

TEST_F(ToolTest, AppliesEffectsInOrderAndWrites24BitBitmap) {
    const QString input = writeRoof("roof.bmp");
    const QString output = path("out.bmp");
    const ToolRun run = Fx({QStringLiteral("-e"), QStringLiteral("brighter"), input, QStringLiteral("-o"), output});
    ASSERT_EQ(run.status, kSuccess) << run.err.toStdString();
    const QByteArray file = bytes(output);
    ASSERT_GT(file.size(), 30);
    EXPECT_EQ(file[28], 24);  // bits per pixel of the header
    const QImage result(output);
    EXPECT_EQ(qRed(result.pixel(0, 0)), 17);
    EXPECT_EQ(qBlue(result.pixel(2, 1)), 254);
}

TEST_F(ToolTest, WritesPngForPngOutput) {
    const QString input = writeRoof("roof.bmp");
    const QString output = path("out.png");
    ASSERT_EQ(Fx({QStringLiteral("-e"), QStringLiteral("14:-10"), input, QStringLiteral("-o"), output}).status, kSuccess);
    EXPECT_TRUE(bytes(output).startsWith("\x89PNG"));
    EXPECT_EQ(qGreen(QImage(output).pixel(0, 0)), 13);
}

TEST_F(ToolTest, EngineFailureWritesNothingAndKeepsExistingOutput) {
    const QString input = writeRoof("roof.bmp");
    const QString output = path("out.bmp");
    QFile existing(output);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    const ToolRun run =
        Fx({QStringLiteral("-e"), QStringLiteral("brightness:2147483647"), input, QStringLiteral("-o"), output});
    EXPECT_EQ(run.status, kEngineFailure);
    EXPECT_TRUE(run.err.contains(QLatin1String("Brightness failed: overflow"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(input));
    EXPECT_EQ(bytes(output), QByteArray("keep me"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary file left
}

TEST_F(ToolTest, FileErrorsExitWithThree) {
    const QString input = writeRoof("roof.bmp");
    QFile damaged(path("damaged.bmp"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("BM not really a bitmap");
    damaged.close();
    struct Case {
        QStringList args;
        const char* mentions;
    };
    const Case cases[] = {
        {{QStringLiteral("-e"), QStringLiteral("invert"), path("damaged.bmp"), QStringLiteral("-o"), path("x.bmp")}, "damaged.bmp"},
        {{QStringLiteral("-e"), QStringLiteral("invert"), path("missing.bmp"), QStringLiteral("-o"), path("x.bmp")}, "missing.bmp"},
        {{QStringLiteral("-e"), QStringLiteral("invert"), input, QStringLiteral("-o"), path("no/such/dir/x.bmp")}, "x.bmp"},
        {{QStringLiteral("-e"), QStringLiteral("invert"), input, QStringLiteral("--out-dir"), path("nowhere")}, "nowhere"},
        {{QStringLiteral("-e"), QStringLiteral("invert"), QStringLiteral("--max-size"), QStringLiteral("2"), input,
          QStringLiteral("-o"), path("x.bmp")}, "3 x 2 pixels"},
    };
    for (const Case& c : cases) {
        const ToolRun run = Fx(c.args);
        EXPECT_EQ(run.status, kFileError) << c.mentions;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.mentions))) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("x.bmp")));
}

TEST_F(ToolTest, BatchGoesOnAfterAFailedFile) {
    const QString good = writeRoof("good.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const ToolRun run = Fx({QStringLiteral("-e"), QStringLiteral("brighter"), path("missing.bmp"), good,
                        QStringLiteral("--out-dir"), path("out")});
    EXPECT_EQ(run.status, kFileError);
    EXPECT_EQ(qRed(QImage(path("out/good.bmp")).pixel(0, 0)), 17);
    EXPECT_TRUE(run.err.contains(QLatin1String("missing.bmp"))) << run.err.toStdString();
}

TEST_F(ToolTest, UsageErrorExitsWithTwoAndCodeWithoutFilterPassesThrough) {
    const QString input = writeRoof("roof.bmp");
    EXPECT_EQ(Fx({QStringLiteral("-e"), QStringLiteral("nothing"), input, QStringLiteral("-o"), path("x.bmp")}).status,
              kUsageError);
    const ToolRun run = Fx({QStringLiteral("-e"), QStringLiteral("32"), input, QStringLiteral("-o"), path("x.bmp")});
    EXPECT_EQ(run.status, kSuccess);
    EXPECT_TRUE(run.err.contains(QLatin1String("warning: code 32 selects no filter")));
    EXPECT_EQ(QImage(path("x.bmp")).convertToFormat(QImage::Format_RGB32),
              QImage(input).convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace tegmora::cli
