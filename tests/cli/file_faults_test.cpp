#include "../support/hostile_files.h"
#include "command_line.h"
#include "tool_run.h"

#include <QImage>
#include <QProcessEnvironment>

#include <sys/resource.h>

#include <gtest/gtest.h>

namespace tegmora::cli {
namespace {

using harness::Fx;
using harness::ToolRun;

constexpr int kMemoryCapMegabytes = 256;

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

}  // namespace
}  // namespace tegmora::cli
