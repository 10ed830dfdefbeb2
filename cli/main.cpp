// tegmora-fx: the effect engine over image files.
#include "batch.h"
#include "command_line.h"
#include "discovery.h"
#include "effects.h"
#include "imageio.h"
#include "qt_text.h"
#include "version.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

namespace fx = tegmora::effects;
namespace cli = tegmora::cli;
using cli::Say;

// The installations to report: the folder --roofs names, or what the
// search finds. Null after saying why there is none.
std::optional<tegmora::gamedir::Search> FindGames(const cli::Command& command) {
    namespace gamedir = tegmora::gamedir;
    gamedir::Search search;
    if (!command.roofs.isEmpty()) {
        const std::optional<std::filesystem::path> roofs =
            gamedir::RoofsFolderOfNamed(tegmora::PathOfQString(command.roofs));
        if (!roofs) {
            Say(QStringLiteral("--roofs %1: no such folder").arg(command.roofs));
            return std::nullopt;
        }
        search.found.push_back({*roofs, "named with --roofs"});
        return search;
    }
    search = gamedir::SearchFromEnvironment();
    if (search.found.empty()) {
        Say(QStringLiteral("cannot find the roof textures of The Sims.\n%1\nName the game's folder with --roofs DIR.")
                .arg(tegmora::QStringOf(gamedir::DescribeNotes(search))));
        return std::nullopt;
    }
    return search;
}

// Each file's seam ratio, or why it could not be read; exit status 3 if any could not.
int PrintSeamRatios(const cli::Command& command) {
    int status = cli::kSuccess;
    for (const QString& input : command.inputs) {
        const tegmora::imageio::LoadedImage loaded = tegmora::imageio::LoadImage(input, command.sideLimit);
        if (loaded.image.isNull()) {
            Say(loaded.error);
            status = cli::kFileError;
            continue;
        }
        std::printf("%s\t%.2f\n", qUtf8Printable(input), fx::SeamRatio(tegmora::imageio::ConstBitmapOf(loaded.image)));
    }
    return status;
}

int PrintGames(const cli::Command& command, bool all) {
    const std::optional<tegmora::gamedir::Search> search = FindGames(command);
    if (!search) return cli::kFileError;
    for (const tegmora::gamedir::Installation& game : search->found) {
        if (!all) {
            std::printf("%s\n", game.roofs.c_str());
            break;
        }
        std::printf("%s\t%s\n", game.roofs.c_str(), game.where.c_str());
    }
    return cli::kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const cli::ParsedCommand parsed = cli::ParseCommandLine(app.arguments().mid(1));
    if (!parsed.error.isEmpty()) {
        Say(parsed.error);
        return cli::kUsageError;
    }
    const cli::Command& command = parsed.command;
    switch (command.action) {
        case cli::Action::Help:
            std::printf("%s", qUtf8Printable(cli::HelpText()));
            return cli::kSuccess;
        case cli::Action::Version:
            std::printf("tegmora-fx %s\n", tegmora::kVersion);
            return cli::kSuccess;
        case cli::Action::List:
            std::printf("%s", qUtf8Printable(cli::FilterList()));
            return cli::kSuccess;
        case cli::Action::RoofsFolder:
            return PrintGames(command, false);
        case cli::Action::Games:
            return PrintGames(command, true);
        case cli::Action::SeamRatio:
            return PrintSeamRatios(command);
        case cli::Action::Apply:
            break;
    }
    for (const QString& warning : command.warnings) Say(QStringLiteral("warning: %1").arg(warning));
    if (!command.outputDir.isEmpty() && !QFileInfo(command.outputDir).isDir()) {
        Say(QStringLiteral("Cannot write into %1: no such folder").arg(command.outputDir));
        return cli::kFileError;
    }
    return cli::RunBatch(command);
}
