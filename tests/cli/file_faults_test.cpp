// What tegmora-fx does with files that go wrong: its exit status, its
// message, and no output damaged or left half-written.
#include "command_line.h"
#include "tool_run.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tegmora::cli {
namespace {

using harness::Fx;
using harness::ToolRun;

class FileFaultsTest : public harness::ToolTest {
protected:
    struct Failing {
        QStringList args;
        QString mentions;  // the start of the message, naming the file
        const char* reason;
    };
    // Each run must fail with kFileError and say what and why.
    void expectFileErrors(std::initializer_list<Failing> runs) const {
        for (const Failing& run : runs) {
            const ToolRun result = Fx(run.args);
            EXPECT_EQ(result.status, kFileError) << run.args.join(u' ').toStdString();
            EXPECT_TRUE(result.err.contains(run.mentions) && result.err.contains(QString::fromUtf8(run.reason)))
                << result.err.toStdString();
        }
    }
    static QStringList Brighten(const QString& input, const QString& output) {
        return {QStringLiteral("-e"), QStringLiteral("brighter"), input, QStringLiteral("-o"), output};
    }
    QString load(const char* name) const { return QStringLiteral("Cannot load %1: ").arg(path(name)); }
    QString save(const char* name) const { return QStringLiteral("Cannot write %1: ").arg(path(name)); }
};

TEST_F(FileFaultsTest, UnreadableInputsAndReadOnlyOutputsExitWithThreeKeepingWhatIsThere) {
    const QString roof = writeRoof("roof.bmp");
    ASSERT_TRUE(hostile::SetMode(writeRoof("unreadable.bmp"), 0));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    ASSERT_TRUE(hostile::WriteFile(path("short.bmp"), hostile::BitmapHeaderClaiming(3, 2)));
    ASSERT_TRUE(hostile::WriteFile(path("huge.bmp"), hostile::BitmapHeaderClaiming(60000, -60000)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("read-only")));
    ASSERT_TRUE(hostile::WriteFile(path("read-only/roof.bmp"), "an earlier roof"));
    ASSERT_TRUE(hostile::WriteFile(path("out.bmp"), "an earlier roof"));
    ASSERT_TRUE(hostile::SetMode(path("out.bmp"), 0444));
    ASSERT_TRUE(hostile::SetMode(path("read-only"), 0555));
    const QString out = path("new.bmp");
    {
        // Root may read and write anything: the runs go as an unprivileged user.
        const hostile::Unprivileged user(dir.path());
        if (!user.problem().isEmpty()) GTEST_SKIP() << user.problem().toStdString();
        expectFileErrors({{Brighten(path("unreadable.bmp"), out), load("unreadable.bmp"), "Permission denied"},
                          {Brighten(path("folder.bmp"), out), load("folder.bmp"), "directory"},
                          {Brighten(path("short.bmp"), out), load("short.bmp"), "Unable to read image data"},
                          {Brighten(path("missing.bmp"), out), load("missing.bmp"), "No such file"},
                          {Brighten(path("huge.bmp"), out), load("huge.bmp"), "60000 x 60000 pixels, larger than"},
                          {QStringList{"--max-size", "2"} + Brighten(roof, out), load("roof.bmp"),
                           "the image is 3 x 2 pixels, larger than the limit of 2 x 2"},
                          {Brighten(roof, path("read-only/roof.bmp")), save("read-only/roof.bmp"), "Permission denied"},
                          {Brighten(roof, path("read-only/new.bmp")), save("read-only/new.bmp"), "Permission denied"},
                          {{"-e", "brighter", roof, "--out-dir", path("read-only")}, save("read-only/roof.bmp"),
                           "Permission denied"},
                          {Brighten(roof, path("out.bmp")), save("out.bmp"), "not writable"}});
    }
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(hostile::EntriesIn(path("read-only")), QStringList{QStringLiteral("roof.bmp")});
    EXPECT_EQ(hostile::FileBytes(path("read-only/roof.bmp")), QByteArray("an earlier roof"));
    EXPECT_EQ(hostile::FileBytes(path("out.bmp")), QByteArray("an earlier roof"));
    ASSERT_TRUE(hostile::SetMode(path("read-only"), 0755));
}

TEST_F(FileFaultsTest, FullDiskKeepsTheFileWrittenOverAtEitherDepth) {
    const hostile::SmallDisk disk(64);
    if (!disk.problem().isEmpty()) GTEST_SKIP() << disk.problem().toStdString();
    QImage large(300, 300, QImage::Format_RGB32);
    large.fill(qRgb(1, 2, 3));
    const QString input = write("large.bmp", large);
    const QString kept = disk.filePath(QStringLiteral("out.bmp"));
    ASSERT_TRUE(hostile::WriteFile(kept, "an earlier roof"));
    for (const char* depth : {"8", "24"})
        expectFileErrors({{QStringList{"--depth", depth} + Brighten(input, kept),
                           QStringLiteral("Cannot write %1: ").arg(kept), "No space left on device"}});
    EXPECT_EQ(hostile::FileBytes(kept), QByteArray("an earlier roof"));
    EXPECT_EQ(hostile::EntriesIn(disk.path()), QStringList{QStringLiteral("out.bmp")});
}

TEST_F(FileFaultsTest, OutputOntoWhatIsNoFileOrNowhereExitsWithThree) {
    const QString roof = writeRoof("roof.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    ASSERT_TRUE(hostile::MakeFifo(path("pipe.bmp")));
    expectFileErrors({{Brighten(roof, path("folder.bmp")), save("folder.bmp"), "directory"},
                      {Brighten(roof, path("missing/out.bmp")), save("missing/out.bmp"), "No such file or directory"},
                      {Brighten(roof, path("pipe.bmp")), save("pipe.bmp"), "not a regular file"},
                      {{"-e", "brighter", roof, "--out-dir", path("nowhere")}, path("nowhere"), "no such folder"}});
    EXPECT_EQ(hostile::EntriesIn(dir.path()), QStringList({"folder.bmp", "pipe.bmp", "roof.bmp"}));
    EXPECT_TRUE(hostile::EntriesIn(path("folder.bmp")).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(path("pipe.bmp")) && !QFileInfo(path("pipe.bmp")).isFile());  // still the pipe
}

}  // namespace
}  // namespace tegmora::cli
