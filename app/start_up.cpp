#include "start_up.h"

#include "discovery.h"
#include "qt_text.h"
#include "roof_list.h"
#include "version.h"

#include <QFileInfo>
#include <QImageReader>

#include <cstdio>
#include <filesystem>

namespace tegmora::app {
namespace {

QString CannotFind(const gamedir::Search& search) {
    return QStringLiteral("Tegmora cannot find the roof textures of The Sims. It looks, in this order:\n%1\n%2\n\n"
                          "Choose the game's folder, or start Tegmora with it: tegmora FOLDER")
        .arg(QStringOf(gamedir::kSearchOrder), QStringOf(gamedir::DescribeNotes(search)));
}

// A file named on the command line: the folder that holds it, with it
// chosen. It must be a bitmap by its content, and a name the list shows.
RoofsFolder RoofBitmap(const QFileInfo& file) {
    if (!RoofFileNames(file.absolutePath()).contains(file.fileName()) ||
        QImageReader::imageFormat(file.absoluteFilePath()) != "bmp")
        return {{}, QStringLiteral("%1 is not a roof bitmap: Tegmora opens the game's roofs, "
                                   "Windows bitmaps named *.bmp").arg(file.filePath())};
    return {file.absolutePath(), {}, file.fileName()};
}

}  // namespace

RoofsFolder LocateRoofsFolder(const QString& named, const QSettings& settings) {
    if (!named.isEmpty()) {
        if (QFileInfo(named).isFile()) return RoofBitmap(QFileInfo(named));
        const std::optional<std::filesystem::path> roofs = gamedir::RoofsFolderOfNamed(PathOfQString(named));
        if (!roofs) return {{}, QStringLiteral("%1: no such file or folder").arg(named)};
        return {QStringOfPath(*roofs), {}};
    }
    // A set WINEPREFIX is the only place searched, before the remembered folder.
    if (!gamedir::WinePrefixFromEnvironment()) {
        const QString chosen = settings.value(QLatin1String(kChosenRoofsKey)).toString();
        if (!chosen.isEmpty() && QFileInfo(chosen).isDir()) return {chosen, {}};
    }
    const gamedir::Search search = gamedir::SearchFromEnvironment();
    if (search.found.empty()) return {{}, CannotFind(search)};
    return {QStringOfPath(search.found.front().roofs), {}};
}

RoofsFolder StartUpRoofsFolder(const QStringList& arguments, QSettings& settings, Dialogs& dialogs) {
    const bool usable = arguments.size() < 2 && !arguments.value(0).startsWith(QLatin1Char('-'));
    const RoofsFolder found =
        usable ? LocateRoofsFolder(arguments.value(0), settings)
               : RoofsFolder{{}, QStringLiteral("Tegmora opens one folder or roof bitmap: "
                                                "tegmora [FOLDER | ROOF.bmp] (tegmora --help explains)")};
    if (!found.path.isEmpty()) return found;
    std::fprintf(stderr, "%s\n", qUtf8Printable(found.problem));
    if (!arguments.isEmpty()) {
        dialogs.showError(nullptr, found.problem);
        return {};
    }
    QString message = found.problem;
    while (dialogs.offerFolderChoice(nullptr, message)) {
        const QString chosen = dialogs.askFolder(nullptr, QStringLiteral("The Sims' folder or its roofs folder"));
        if (chosen.isEmpty()) continue;
        const std::optional<std::filesystem::path> roofs = gamedir::RoofsFolderOfNamed(PathOfQString(chosen));
        if (roofs && gamedir::HoldsRoofs(*roofs)) {
            settings.setValue(QLatin1String(kChosenRoofsKey), QStringOfPath(*roofs));
            return {QStringOfPath(*roofs), {}};
        }
        message = QStringLiteral("%1 holds no roofs of The Sims.\n\n%2").arg(chosen, found.problem);
    }
    return {};
}

QString HelpText() {
    return QStringLiteral(
        "Usage:\n"
        "  tegmora [FOLDER | ROOF.bmp]\n"
        "  tegmora --help | --version\n"
        "\n"
        "Opens the editor window on the roof textures of The Sims. FOLDER is the game's folder,\n"
        "its GameData or its roofs folder; ROOF.bmp opens the folder that holds that roof, with\n"
        "it chosen. When nothing is found it offers to choose a folder.\n"
        "\n"
        "Where Tegmora looks for the game, in this order:\n"
        "%1"
        "\n"
        "Options:\n"
        "  -h, --help     This text.\n"
        "  --version      The version of Tegmora.\n"
        "\n"
        "Exit status: 0 when the window was closed; 1 when there was nothing to open: what was\n"
        "named is no folder or no roof bitmap, or no game was found and none chosen.\n")
        .arg(QStringOf(gamedir::kSearchOrder));
}

std::optional<QString> InformationAsked(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) return HelpText();
        if (argument == QLatin1String("--version")) return QStringLiteral("tegmora %1\n").arg(QLatin1String(kVersion));
    }
    return std::nullopt;
}

}  // namespace tegmora::app
