// What tegmora-fx does with files that go wrong: its exit status, its
// message, and no output damaged or left half-written.
#include "command_line.h"
#include "tool_run.h"

#include <QDir>
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
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":max_allocation_size_mb=%1:allocator_may_return_null=0")
                                   .arg(kMemoryCapMegabytes));
        process.setProcessEnvironment(environment);
    } else {
        process.setChildProcessModifier([] {
            const rlimit cap{rlim_t{kMemoryCapMegabytes} << 20, rlim_t{kMemoryCapMegabytes} << 20};
            ::setrlimit(RLIMIT_AS, &cap);
        });
    }
    return Fx(process, args);
}

// Runs the tool where permissions bite: as the unprivileged user when the
// test runs as root, after the test's folder has been handed to that user.
ToolRun FxUnprivileged(const QStringList& args) {
    QProcess process;
    process.setChildProcessModifier(hostile::BecomeUnprivilegedInChild);
    return Fx(process, args);
}

class FileFaultsTest : public harness::ToolTest {
protected:
    static QStringList Brighten(const QString& input, const QString& output) {
        return {QStringLiteral("-e"), QStringLiteral("brighter"), input, QStringLiteral("-o"), output};
    }
    // Runs each of `runs` and expects it to fail with kFileError and a message
    // holding both of its texts.
    struct Failing {
        QStringList args;
        QString mentions;
        const char* reason;
    };
    static void ExpectFileErrors(std::initializer_list<Failing> runs, ToolRun (*fx)(const QStringList&)) {
        for (const Failing& run : runs) {
            const ToolRun result = fx(run.args);
            EXPECT_EQ(result.status, kFileError) << run.args.join(u' ').toStdString();
            EXPECT_TRUE(result.err.contains(run.mentions) && result.err.contains(QString::fromUtf8(run.reason)))
                << result.err.toStdString();
        }
    }
};

TEST_F(FileFaultsTest, HeaderClaimingAHugeImageIsRefusedBeforeAnyLargeAllocation) {
    ASSERT_TRUE(hostile::WriteFile(path("huge.bmp"), hostile::BitmapHeaderClaiming(60000, -60000)));
    const ToolRun run = FxWithCappedMemory(Brighten(path("huge.bmp"), path("out.bmp")));
    EXPECT_EQ(run.status, kFileError) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("huge.bmp: the image is 60000 x 60000 pixels, larger than the limit of 16384 x 16384")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.bmp")));
}

TEST_F(FileFaultsTest, InputThatCannotBeReadExitsWithThree) {
    const QString roof = writeRoof("roof.bmp");
    ASSERT_TRUE(hostile::SetMode(writeRoof("unreadable.bmp"), 0));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    ASSERT_TRUE(hostile::WriteFile(path("short.bmp"), hostile::BitmapHeaderClaiming(3, 2)));
    const QString problem = hostile::HandToUnprivilegedUser(dir.path());
    if (!problem.isEmpty()) GTEST_SKIP() << problem.toStdString();
    const auto load = [this](const char* name) { return QStringLiteral("Cannot load %1: ").arg(path(name)); };
    ExpectFileErrors({{Brighten(path("unreadable.bmp"), path("out.bmp")), load("unreadable.bmp"), "Permission denied"},
                      {Brighten(path("folder.bmp"), path("out.bmp")), load("folder.bmp"), "directory"},
                      {Brighten(path("short.bmp"), path("out.bmp")), load("short.bmp"), "Unable to read image data"},
                      {Brighten(path("missing.bmp"), path("out.bmp")), load("missing.bmp"), "No such file"},
                      {QStringList{"--max-size", "2"} + Brighten(roof, path("out.bmp")), load("roof.bmp"),
                       "the image is 3 x 2 pixels, larger than the limit of 2 x 2"}},
                     FxUnprivileged);
    EXPECT_FALSE(QFile::exists(path("out.bmp")));
}

TEST_F(FileFaultsTest, ReadOnlyFolderAndFileKeepWhatTheyHold) {
    const QString roof = writeRoof("roof.bmp");
    const QString folder = path("read-only");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("read-only")));
    const QString kept = folder + QStringLiteral("/roof.bmp");
    ASSERT_TRUE(hostile::WriteFile(kept, "an earlier roof"));
    ASSERT_TRUE(hostile::WriteFile(path("out.bmp"), "an earlier roof"));
    ASSERT_TRUE(hostile::SetMode(path("out.bmp"), 0444));
    ASSERT_TRUE(hostile::SetMode(folder, 0555));
    const QString problem = hostile::HandToUnprivilegedUser(dir.path());
    if (!problem.isEmpty()) GTEST_SKIP() << problem.toStdString();
    const QString write = QStringLiteral("Cannot write ");
    ExpectFileErrors({{Brighten(roof, kept), write, "Permission denied"},
                      {Brighten(roof, folder + QStringLiteral("/new.bmp")), write, "Permission denied"},
                      {{"-e", "brighter", roof, "--out-dir", folder}, write, "Permission denied"},
                      {Brighten(roof, path("out.bmp")), write + path("out.bmp"), "not writable"}},
                     FxUnprivileged);
    EXPECT_EQ(hostile::EntriesIn(folder), QStringList{QStringLiteral("roof.bmp")});
    EXPECT_EQ(hostile::FileBytes(kept), QByteArray("an earlier roof"));
    EXPECT_EQ(hostile::FileBytes(path("out.bmp")), QByteArray("an earlier roof"));
    ASSERT_TRUE(hostile::SetMode(folder, 0755));
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
        ExpectFileErrors({{QStringList{"--depth", depth} + Brighten(input, kept),
                           QStringLiteral("Cannot write %1: ").arg(kept), "No space left on device"}},
                         Fx);
    EXPECT_EQ(hostile::FileBytes(kept), QByteArray("an earlier roof"));
    EXPECT_EQ(hostile::EntriesIn(disk.path()), QStringList{QStringLiteral("out.bmp")});
}

TEST_F(FileFaultsTest, OutputOntoWhatIsNoFileOrNowhereExitsWithThree) {
    const QString roof = writeRoof("roof.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    ASSERT_TRUE(hostile::MakeFifo(path("pipe.bmp")));
    const auto write = [this](const char* name) { return QStringLiteral("Cannot write %1: ").arg(path(name)); };
    ExpectFileErrors({{Brighten(roof, path("folder.bmp")), write("folder.bmp"), "directory"},
                      {Brighten(roof, path("missing/out.bmp")), write("missing/out.bmp"), "No such file or directory"},
                      {Brighten(roof, path("pipe.bmp")), write("pipe.bmp"), "not a regular file"},
                      {{"-e", "brighter", roof, "--out-dir", path("nowhere")}, path("nowhere"), "no such folder"}},
                     Fx);
    EXPECT_EQ(hostile::EntriesIn(dir.path()), QStringList({"folder.bmp", "pipe.bmp", "roof.bmp"}));
    EXPECT_TRUE(hostile::EntriesIn(path("folder.bmp")).isEmpty());
    EXPECT_TRUE(hostile::IsFifo(path("pipe.bmp")));
}

}  // namespace
}  // namespace tegmora::cli
