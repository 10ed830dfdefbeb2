#include "command_line.h"
#include "tool_run.h"
#include "wine_prefix.h"

#include <QDir>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace tegmora::cli {
namespace {

using harness::ToolRun;

class RoofsFolderTest : public harness::ToolTest {
protected:
    // The tool with HOME set to the test's folder and WINEPREFIX as given.
    ToolRun Run(const QStringList& args, const QString& winePrefix = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), dir.path());
        environment.insert(QStringLiteral("WINEPREFIX"), winePrefix);
        process.setProcessEnvironment(environment);
        return harness::Fx(process, args);
    }
    QString Game(const char* prefix) {
        return QString::fromStdString(demo::MakeGamePrefix(path(prefix).toStdString()).string())
            .replace(QStringLiteral("/drive_c/"), QStringLiteral("/dosdevices/c:/"));
    }
};

TEST_F(RoofsFolderTest, ListsEveryInstallationOrWhereItSearched) {
    const ToolRun none = Run({QStringLiteral("--roofs-folder")});
    EXPECT_EQ(none.status, kFileError);
    EXPECT_TRUE(none.out.isEmpty());
    for (const char* part : {"cannot find the roof textures of The Sims.\nSearched:\n  - Wine: not installed (no ~/.wine)\n",
                             "  - Steam: not installed", "Name the game's folder with --roofs DIR."})
        EXPECT_TRUE(none.err.contains(QString::fromUtf8(part))) << part << " in " << none.err.toStdString();
    const QString wine = Game(".wine"), bottle = Game(".local/share/bottles/bottles/Sims");
    const ToolRun games = Run({QStringLiteral("--games")});
    EXPECT_EQ(games.status, kSuccess) << games.err.toStdString();
    EXPECT_EQ(games.out, wine + QStringLiteral("\tWine prefix ~/.wine\n") + bottle +
                             QStringLiteral("\tBottles bottle Sims (~/.local/share/bottles/bottles/Sims)\n"));
    EXPECT_EQ(Run({QStringLiteral("--roofs-folder")}).out, wine + QLatin1Char('\n'));
    const ToolRun onlyPrefix = Run({QStringLiteral("--games")}, path("empty"));
    EXPECT_EQ(onlyPrefix.status, kFileError);
    EXPECT_TRUE(onlyPrefix.err.contains(QStringLiteral("WINEPREFIX is set, so no other place was searched"))) << onlyPrefix.err.toStdString();
}

TEST_F(RoofsFolderTest, TakesTheFolderNamedWithRoofs) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Sims/GameData/ROOFS")));
    const ToolRun games = Run({QStringLiteral("--roofs"), path("Sims"), QStringLiteral("--games")}, path("empty"));
    EXPECT_EQ(games.status, kSuccess) << games.err.toStdString();
    EXPECT_EQ(games.out, path("Sims/GameData/ROOFS") + QStringLiteral("\tnamed with --roofs\n"));
    const ToolRun missing = Run({QStringLiteral("--roofs-folder"), QStringLiteral("--roofs"), path("Gone")});
    EXPECT_EQ(missing.status, kFileError);
    EXPECT_EQ(missing.err, QStringLiteral("tegmora-fx: --roofs %1: no such folder\n").arg(path("Gone")));
}

}  // namespace
}  // namespace tegmora::cli
