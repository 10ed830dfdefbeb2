#include "../support/hostile_files.h"
#include "command_line.h"
#include "tool_run.h"

#include <QDir>
#include <QImage>
#include <QProcessEnvironment>

#include <sys/resource.h>

#include <gtest/gtest.h>

namespace tegmora::cli {
namespace {

using harness::Fx;
using harness::ToolRun;

constexpr int kMemoryCapMegabytes = 512;

// Runs the tool where an allocation beyond kMemoryCapMegabytes fails: under
// AddressSanitizer the sanitizer aborts on one, otherwise the tool's address
// space is capped.
ToolRun FxWithCappedMemory(const QStringList& args) {
    QProcess process;
    if constexpr (hostile::kAddressSanitizer) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QStringList options = environment.value(QStringLiteral("ASAN_OPTIONS"))
                                  .split(QLatin1Char(':'), Qt::SkipEmptyParts);
        options << QStringLiteral("max_allocation_size_mb=%1").arg(kMemoryCapMegabytes)
                << QStringLiteral("allocator_may_return_null=0");
        environment.insert(QStringLiteral("ASAN_OPTIONS"), options.join(QLatin1Char(':')));
        process.setProcessEnvironment(environment);
    } else {
        process.setChildProcessModifier([] {
            const rlim_t bytes = rlim_t{kMemoryCapMegabytes} << 20;
            const rlimit cap{bytes, bytes};
            ::setrlimit(RLIMIT_AS, &cap);
        });
    }
    return Fx(process, args);
}

class FileFaultsTest : public harness::ToolTest {
protected:
    QStringList brighten(const QString& input, const QString& output) const {
        return {QStringLiteral("-e"), QStringLiteral("brighter"), input, QStringLiteral("-o"), output};
    }
};

TEST_F(FileFaultsTest, HeaderClaimingAHugeImageIsRefusedBeforeAnyLargeAllocation) {
    for (const std::int32_t height : {60000, -60000}) {
        const QString input = path("huge.bmp");
        ASSERT_TRUE(hostile::WriteFile(input, hostile::BitmapHeaderClaiming(60000, height)));
        const ToolRun run = FxWithCappedMemory(brighten(input, path("out.bmp")));
        EXPECT_EQ(run.status, kFileError) << height << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral(
            "huge.bmp: the image is 60000 x 60000 pixels, larger than the limit of 16384 x 16384")))
            << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("out.bmp")));
    }
}

TEST_F(FileFaultsTest, MaxSizeLetsAWiderImageThrough) {
    QImage wide(17000, 2, QImage::Format_RGB32);
    wide.fill(qRgb(10, 20, 30));
    ASSERT_TRUE(wide.save(path("wide.bmp"), "BMP"));
    const ToolRun refused = Fx(brighten(path("wide.bmp"), path("out.bmp")));
    EXPECT_EQ(refused.status, kFileError);
    EXPECT_TRUE(refused.err.contains(
        QStringLiteral("the image is 17000 x 2 pixels, larger than the limit of 16384 x 16384")))
        << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.bmp")));

    const ToolRun raised = Fx(QStringList{QStringLiteral("--max-size"), QStringLiteral("17000")} +
                              brighten(path("wide.bmp"), path("out.bmp")));
    ASSERT_EQ(raised.status, kSuccess) << raised.err.toStdString();
    const QImage out(path("out.bmp"));
    EXPECT_EQ(out.size(), QSize(17000, 2));
    EXPECT_EQ(out.pixel(16999, 1), qRgb(11, 22, 33));
}

// Runs the tool where permissions bite: as the unprivileged user when the
// test runs as root, after `tree` has been handed to that user.
ToolRun FxUnprivileged(const QStringList& args) {
    QProcess process;
    process.setChildProcessModifier(hostile::BecomeUnprivilegedInChild);
    return Fx(process, args);
}

TEST_F(FileFaultsTest, InputThatCannotBeReadExitsWithThree) {
    const QString unreadable = writeRoof("unreadable.bmp");
    ASSERT_TRUE(hostile::SetMode(unreadable, 0));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    ASSERT_TRUE(hostile::WriteFile(path("short.bmp"), hostile::BitmapHeaderClaiming(3, 2)));
    const QString problem = hostile::HandToUnprivilegedUser(dir.path());
    if (!problem.isEmpty()) GTEST_SKIP() << problem.toStdString();
    struct Case {
        const char* input;
        const char* reason;
    };
    const Case cases[] = {
        {"unreadable.bmp", "Permission denied"},
        {"folder.bmp", "directory"},
        {"short.bmp", "Unable to read image data"},
    };
    for (const Case& c : cases) {
        const ToolRun run = FxUnprivileged(brighten(path(c.input), path("out.bmp")));
        EXPECT_EQ(run.status, kFileError) << c.input << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot load %1: ").arg(path(c.input))) &&
                    run.err.contains(QString::fromUtf8(c.reason)))
            << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("out.bmp")));
}

TEST_F(FileFaultsTest, ReadOnlyFolderKeepsItsFiles) {
    const QString input = writeRoof("roof.bmp");
    const QString folder = path("read-only");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("read-only")));
    const QString kept = folder + QStringLiteral("/roof.bmp");
    ASSERT_TRUE(hostile::WriteFile(kept, "an earlier roof"));
    ASSERT_TRUE(hostile::SetMode(folder, 0555));
    const QString problem = hostile::HandToUnprivilegedUser(dir.path());
    if (!problem.isEmpty()) GTEST_SKIP() << problem.toStdString();
    const QStringList runs[] = {
        brighten(input, kept),
        brighten(input, folder + QStringLiteral("/new.bmp")),
        {QStringLiteral("-e"), QStringLiteral("brighter"), input, QStringLiteral("--out-dir"), folder},
    };
    for (const QStringList& args : runs) {
        const ToolRun run = FxUnprivileged(args);
        EXPECT_EQ(run.status, kFileError) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot write ")) &&
                    run.err.contains(QStringLiteral("Permission denied")))
            << run.err.toStdString();
    }
    EXPECT_EQ(hostile::EntriesIn(folder), QStringList{QStringLiteral("roof.bmp")});
    EXPECT_EQ(bytes(kept), QByteArray("an earlier roof"));
    ASSERT_TRUE(hostile::SetMode(folder, 0755));
}

TEST_F(FileFaultsTest, ReadOnlyOutputIsNotWrittenOver) {
    const QString input = writeRoof("roof.bmp");
    const QString kept = path("out.bmp");
    ASSERT_TRUE(hostile::WriteFile(kept, "an earlier roof"));
    ASSERT_TRUE(hostile::SetMode(kept, 0444));
    const QString problem = hostile::HandToUnprivilegedUser(dir.path());
    if (!problem.isEmpty()) GTEST_SKIP() << problem.toStdString();
    const ToolRun run = FxUnprivileged(brighten(input, kept));
    EXPECT_EQ(run.status, kFileError);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot write %1: ").arg(kept)) &&
                run.err.contains(QStringLiteral("not writable")))
        << run.err.toStdString();
    EXPECT_EQ(bytes(kept), QByteArray("an earlier roof"));
    EXPECT_EQ(hostile::EntriesIn(dir.path()), QStringList({"out.bmp", "roof.bmp"}));
}

TEST_F(FileFaultsTest, FullDiskKeepsTheFileWrittenOver) {
    const hostile::SmallDisk disk(64);
    if (!disk.problem().isEmpty()) GTEST_SKIP() << disk.problem().toStdString();
    QImage large(200, 200, QImage::Format_RGB32);
    large.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(large.save(path("large.bmp"), "BMP"));
    const QString kept = disk.filePath(QStringLiteral("out.bmp"));
    ASSERT_TRUE(hostile::WriteFile(kept, "an earlier roof"));
    const ToolRun run = Fx(brighten(path("large.bmp"), kept));
    EXPECT_EQ(run.status, kFileError);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot write %1: No space left on device").arg(kept)))
        << run.err.toStdString();
    EXPECT_EQ(bytes(kept), QByteArray("an earlier roof"));
    EXPECT_EQ(hostile::EntriesIn(disk.path()), QStringList{QStringLiteral("out.bmp")});
}

TEST_F(FileFaultsTest, OutputOntoWhatIsNoFileExitsWithThree) {
    const QString input = writeRoof("roof.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    ASSERT_TRUE(hostile::MakeFifo(path("pipe.bmp")));
    struct Case {
        const char* output;
        const char* reason;
    };
    const Case cases[] = {
        {"folder.bmp", "directory"},
        {"missing/out.bmp", "No such file or directory"},
        {"pipe.bmp", "not a regular file"},
    };
    for (const Case& c : cases) {
        const ToolRun run = Fx(brighten(input, path(c.output)));
        EXPECT_EQ(run.status, kFileError) << c.output;
        EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot write %1: ").arg(path(c.output))) &&
                    run.err.contains(QString::fromUtf8(c.reason)))
            << run.err.toStdString();
    }
    EXPECT_EQ(hostile::EntriesIn(dir.path()), QStringList({"folder.bmp", "pipe.bmp", "roof.bmp"}));
    EXPECT_TRUE(hostile::EntriesIn(path("folder.bmp")).isEmpty());
    EXPECT_TRUE(hostile::IsFifo(path("pipe.bmp")));
}

}  // namespace
}  // namespace tegmora::cli
