#include "command_line.h"
#include "tool_run.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace tegmora::cli {
namespace {

using harness::Fx;
using harness::ToolRun;
using harness::ToolTest;

class RoofsFolderTest : public ToolTest {
protected:
    // A Wine prefix whose registry names `dataFolder`, with the game's roofs
    // folder spelt in other cases on disk than in the registry.
    void makePrefix(const char* dataFolder) {
        QDir root(dir.path());
        ASSERT_TRUE(root.mkpath(QStringLiteral("prefix/drive_c/Games/The Sims/Gamedata/ROOFS")));
        ASSERT_TRUE(root.mkpath(QStringLiteral("prefix/dosdevices")));
        ASSERT_TRUE(QFile::link(QStringLiteral("../drive_c"), path("prefix/dosdevices/c:")));
        QFile registry(path("prefix/system.reg"));
        ASSERT_TRUE(registry.open(QIODevice::WriteOnly));
        registry.write("WINE REGISTRY Version 2\n#arch=win32\n\n[Software\\\\Maxis\\\\The Sims] 1600000000\n"
                       "\"SIMS_DATA\"=\"");
        registry.write(dataFolder);
        registry.write("\"\n");
    }

    ToolRun roofsFolder() {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), path("prefix"));
        process.setProcessEnvironment(environment);
        return Fx(process, {QStringLiteral("--roofs-folder")});
    }
};

TEST_F(RoofsFolderTest, PrintsTheLocalRoofsFolder) {
    makePrefix("C:\\\\games\\\\the sims");
    const ToolRun run = roofsFolder();
    EXPECT_EQ(run.status, kSuccess) << run.err.toStdString();
    EXPECT_EQ(run.out, path("prefix/dosdevices/c:/Games/The Sims/Gamedata/ROOFS") + QLatin1Char('\n'));
}

TEST_F(RoofsFolderTest, SaysWhatIsMissingAndExitsWithThree) {
    makePrefix("C:\\\\Games\\\\Another Game");
    const ToolRun missingFolder = roofsFolder();
    EXPECT_EQ(missingFolder.status, kFileError);
    EXPECT_TRUE(missingFolder.out.isEmpty());
    EXPECT_TRUE(missingFolder.err.contains(QLatin1String("Another Game"))) << missingFolder.err.toStdString();

    ASSERT_TRUE(QFile::remove(path("prefix/system.reg")));
    const ToolRun noRegistry = roofsFolder();
    EXPECT_EQ(noRegistry.status, kFileError);
    EXPECT_TRUE(noRegistry.err.contains(QLatin1String("SIMS_DATA"))) << noRegistry.err.toStdString();
    EXPECT_TRUE(noRegistry.err.contains(path("prefix"))) << noRegistry.err.toStdString();
}

}  // namespace
}  // namespace tegmora::cli
