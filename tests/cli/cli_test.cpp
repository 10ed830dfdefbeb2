#include "command_line.h"
#include "tool_run.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tegmora::cli {
namespace {

using harness::Fx;
using harness::ToolRun;
using harness::ToolTest;

ParsedCommand Parse(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args) list << QString::fromUtf8(a);
    return ParseCommandLine(list);
}

TEST(CommandLineTest, ReadsFilterNamesCodesAndPresets) {
    const std::tuple<const char*, std::int32_t, std::int32_t> cases[] = {
        {"EDGE ENHANCE:3", 6, 3}, {"Floyd-Steinberg-Dither:-5", 21, -5}, {"invert", 2, 0},
        {"14:-10", 14, -10},      {"darker", 14, -10},                    {"brightness:-2147483648", 14, INT32_MIN}};
    for (const auto& [effect, code, amount] : cases) {
        const ParsedCommand parsed = Parse({"-e", effect, "in.bmp", "-o", "out.bmp"});
        ASSERT_EQ(parsed.command.effects.size(), 1u) << effect << parsed.error.toStdString();
        EXPECT_EQ(parsed.command.effects[0].code, code) << effect;
        EXPECT_EQ(parsed.command.effects[0].amount, amount) << effect;
    }
}

TEST(CommandLineTest, UsageErrorsNameTheirCause) {
    const struct {
        std::initializer_list<const char*> args;  // an aggregate keeps the list's array alive
        const char* mentions;
    } cases[] = {
        {{"-e", "blurry", "a.bmp", "-o", "b.bmp"}, "unknown filter \"blurry\""},
        {{"-e", "sharpen", "a.bmp", "-o", "b.bmp"}, "\"Sharpen\" button uses 2"},
        {{"-e", "14", "a.bmp", "-o", "b.bmp"}, "code 14"},
        {{"-e", "brightness:2147483648", "a.bmp", "-o", "b.bmp"}, "malformed amount"},
        {{"-e", "darker:5", "a.bmp", "-o", "b.bmp"}, "preset"},
        {{"-e", "invert", "a.bmp", "b.bmp", "-o", "c.bmp"}, "--out-dir"},
        {{"-e", "invert", "a.bmp", "-o", "c.bmp", "--out-dir", "d"}, "not both"},
        {{"-e", "invert", "a.bmp"}, "no output"},
        {{"-e", "invert", "--max-size", "0", "a.bmp", "-o", "b.bmp"}, "--max-size"},
        {{"-e", "invert", "--depth", "16", "a.bmp", "-o", "b.bmp"}, "--depth needs keep, 8 or 24"},
        {{"-e", "invert", "a.bmp", "-o", "b.bmp", "--depth"}, "--depth needs"},
        {{"-e", "hsl:181,0,0", "a.bmp", "-o", "b.bmp"}, "write hsl:HUE,SATURATION,LIGHTNESS with hue -180..180, sat"},
        {{"-e", "colourize:1,2", "a.bmp", "-o", "b.bmp"}, "bad amounts in \"colourize:1,2\""},
        {{"-e", "seamless:0", "a.bmp", "-o", "b.bmp"}, "write seamless, with no amount"},
        {{"--fit", "32x0", "a.bmp", "-o", "b.bmp"}, "--fit needs WIDTHxHEIGHT"},
        {{"--fit", "9x5", "--max-size", "8", "a.bmp", "-o", "b.bmp"}, "larger than the side limit of 8"},
        {{"-e", "invert", "-j", "0", "a.bmp", "-o", "b.bmp"}, "-j needs a number"},
    };
    for (const auto& c : cases) EXPECT_TRUE(Parse(c.args).error.contains(QString::fromUtf8(c.mentions))) << c.mentions;
}

TEST(CommandLineTest, WarnsAboutCodesWithoutFilterAndIgnoredAmounts) {
    const ParsedCommand parsed = Parse({"-e", "0", "-e", "invert:5", "a.bmp", "-o", "b.bmp"});
    ASSERT_EQ(parsed.error, QString());
    EXPECT_EQ(parsed.command.warnings,
              QStringList({"code 0 selects no filter; the image passes through unchanged",
                           "Invert takes no amount; 5 is ignored"}));
}

TEST_F(ToolTest, ListsEveryFilterWithItsCode) {
    const ToolRun run = Fx({QStringLiteral("--list")});
    EXPECT_EQ(run.status, kSuccess);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 34);
    EXPECT_EQ(lines[30], QStringLiteral("31  Gamma                       takes an amount"));
    EXPECT_TRUE(lines[33].startsWith(QStringLiteral("    colourize                   colourize:HUE,SATURATION,LIGHTNESS with hue -360..360")));
}

TEST_F(ToolTest, AppliesTheEffectAndWritesBitmapOrPng) {
    const QString input = writeRoof("roof.bmp");
    for (const char* output : {"out.bmp", "out.PNG"}) {
        const ToolRun run = Fx({"-e", "brighter", input, "-o", path(output)});
        ASSERT_EQ(run.status, kSuccess) << run.err.toStdString();
        const QImage result(path(output));
        EXPECT_EQ(result.pixel(0, 0), qRgb(17, 17, 17)) << output;
        EXPECT_EQ(result.pixel(2, 1), qRgb(254, 254, 254)) << output;
    }
    EXPECT_EQ(hostile::FileBytes(path("out.bmp")).at(28), 24);  // bits per pixel, as its input
    EXPECT_TRUE(hostile::FileBytes(path("out.PNG")).startsWith("\x89PNG"));
}

TEST_F(ToolTest, EngineFailureWritesNothingAndKeepsExistingOutput) {
    const QString input = writeRoof("roof.bmp");
    ASSERT_TRUE(hostile::WriteFile(path("out.bmp"), "keep me"));
    const ToolRun run = Fx({"-e", "brightness:2147483647", input, "-o", path("out.bmp")});
    EXPECT_EQ(run.status, kEngineFailure);
    EXPECT_TRUE(run.err.contains(input + QStringLiteral(": Brightness failed: overflow"))) << run.err.toStdString();
    EXPECT_EQ(hostile::FileBytes(path("out.bmp")), QByteArray("keep me"));
    EXPECT_EQ(hostile::EntriesIn(dir.path()), QStringList({"out.bmp", "roof.bmp"}));
}

TEST_F(ToolTest, BatchGoesOnAfterAFailedFileAndUsageErrorsExitWithTwo) {
    const QString good = writeRoof("good.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const ToolRun run = Fx({"-e", "32", path("missing.bmp"), good, "--out-dir", path("out")});
    EXPECT_EQ(run.status, kFileError);
    EXPECT_TRUE(run.err.contains(QLatin1String("warning: code 32 selects no filter"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("missing.bmp"))) << run.err.toStdString();
    EXPECT_EQ(QImage(path("out/good.bmp")), Roof());
    EXPECT_EQ(Fx({"-e", "nothing", good, "-o", path("x.bmp")}).status, kUsageError);
    EXPECT_FALSE(QFile::exists(path("x.bmp")));
}

// Files at random draws, a missing one and a damaged one among them, worked
// on four at a time: the outputs, the messages in input order and the exit
// status of one file after another.
TEST_F(ToolTest, ABatchOnSeveralThreadsSaysAndWritesWhatOneAtATimeDoes) {
    QStringList inputs;
    for (int i = 0; i < 7; ++i) inputs << write(qPrintable(QStringLiteral("p%1.bmp").arg(i)), harness::Palettised(9 + i, 7, 40));
    inputs[2] = path("missing.bmp");
    QFile damaged(inputs[5]);
    ASSERT_TRUE(damaged.resize(60));
    QList<ToolRun> runs;
    for (const QString jobs : {"1", "4"}) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(jobs));
        runs << Fx(QStringList{"-j", jobs, "-e", "diffuse:6", "-e", "hsl:30,10,0"} + inputs + QStringList{"--out-dir", path(qPrintable(jobs))});
    }
    EXPECT_EQ(runs[0].status, kFileError);
    EXPECT_EQ(runs[1].status, runs[0].status);
    EXPECT_EQ(runs[1].err, runs[0].err);
    EXPECT_LT(runs[0].err.indexOf(QLatin1String("missing.bmp")), runs[0].err.indexOf(QLatin1String("p5.bmp")));
    const auto bytes = [this](const QString& name) {
        QFile file(path(qPrintable(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("no file");
    };
    for (const QString& input : inputs)
        EXPECT_EQ(bytes("1/" + QFileInfo(input).fileName()), bytes("4/" + QFileInfo(input).fileName())) << input.toStdString();
}

// The roof fitted to 2 x 2 cuts half a column off each side: its bright
// pixel and the one beside it average to 123, which Gamma then lifts to 157
// (fitted after Gamma, the pixel would be 139).
TEST_F(ToolTest, FitsFirstThenRunsNamedOperationsAndFiltersInABatch) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const ToolRun run = Fx({"-e", "gamma:150", "--fit", "2x2", "-e", "Colourize:-360, 100,0", "-e", "seamless", writeRoof("roof.bmp"),
                            "--out-dir", path("out")});
    ASSERT_EQ(run.status, kSuccess) << run.err.toStdString();
    const QImage result(path("out/roof.bmp"));
    EXPECT_EQ(result.size(), QSize(2, 2));
    EXPECT_EQ(result.pixel(0, 0), qRgb(78, 0, 0));  // 39 and 157 coloured red at full saturation
    EXPECT_EQ(result.pixel(1, 1), qRgb(255, 59, 59));
    const ToolRun ratios = Fx({"--seam-ratio", path("missing.bmp"), path("roof.bmp")});
    EXPECT_EQ(ratios.status, kFileError);
    EXPECT_EQ(ratios.out, path("roof.bmp") + QStringLiteral("\t1.40\n"));
    EXPECT_TRUE(ratios.err.contains(QLatin1String("missing.bmp"))) << ratios.err.toStdString();
}

}  // namespace
}  // namespace tegmora::cli
