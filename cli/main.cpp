// tegmora-fx: the effect engine over image files.
#include "command_line.h"
#include "discovery.h"
#include "effects.h"
#include "imageio.h"
#include "qt_text.h"
#include "yield_scope.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

namespace fx = tegmora::effects;
namespace cli = tegmora::cli;

void Say(const QString& text) { std::fprintf(stderr, "tegmora-fx: %s\n", qUtf8Printable(text)); }

// A one-line progress display on a terminal, redrawn when the percentage
// changes; nothing at all when standard error is not a terminal.
class ProgressLine {
public:
    explicit ProgressLine(int files) : files_(files), shown_(isatty(STDERR_FILENO) != 0) {}

    void start(int file, const QString& name) {
        file_ = file;
        name_ = name;
        last_ = -1;
    }
    void effect(const QString& effectName) { effect_ = effectName; last_ = -1; }
    void update(std::int32_t percent) {
        if (!shown_ || percent == last_) return;
        last_ = percent;
        std::fprintf(stderr, "\r\033[K[%d/%d] %s: %s %d%%", file_, files_, qUtf8Printable(name_),
                     qUtf8Printable(effect_), percent);
        std::fflush(stderr);
    }
    void clear() {
        if (shown_) std::fprintf(stderr, "\r\033[K");
    }

private:
    int files_;
    bool shown_;
    int file_ = 0;
    QString name_;
    QString effect_;
    std::int32_t last_ = -1;
};

QString OutputFor(const cli::Command& command, const QString& input) {
    if (!command.output.isEmpty()) return command.output;
    return QDir(command.outputDir).filePath(QFileInfo(input).fileName());
}

tegmora::imageio::FileFormat FormatFor(const QString& path, cli::Depth depth, bool palettised) {
    using tegmora::imageio::FileFormat;
    if (QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0) return FileFormat::Png;
    const bool eight = depth == cli::Depth::Eight || (depth == cli::Depth::Keep && palettised);
    return eight ? FileFormat::Bitmap8 : FileFormat::Bitmap24;
}

// The picture cut to the proportions of `size` around its centre and area-averaged to it.
QImage Fitted(const QImage& image, QSize size) {
    QImage fitted(size, image.format());
    fx::FitToSize(tegmora::imageio::ConstBitmapOf(image), tegmora::imageio::BitmapOf(fitted));
    return fitted;
}

// Runs every effect over one file; returns its exit status.
int ProcessFile(const cli::Command& command, const QString& input, ProgressLine& line) {
    tegmora::imageio::LoadedImage loaded = tegmora::imageio::LoadImage(input, command.sideLimit);
    if (loaded.image.isNull()) {
        line.clear();
        Say(loaded.error);
        return cli::kFileError;
    }
    if (command.fit.isValid()) loaded.image = Fitted(loaded.image, command.fit);
    std::int32_t progress = 0;
    const tegmora::YieldScope scope([&] { line.update(progress); });
    for (const cli::Effect& effect : command.effects) {
        line.effect(effect.name);
        const fx::Bitmap bitmap = tegmora::imageio::BitmapOf(loaded.image);
        if (effect.operation) {
            effect.operation->run(bitmap, effect.amounts);
            continue;
        }
        try {
            fx::ApplyFilter(effect.code, bitmap, effect.amount, progress, fx::WriteBack::AsRowsFinish);
        } catch (const fx::FilterError& error) {
            line.clear();
            Say(QStringLiteral("%1: %2 failed: %3; nothing written")
                    .arg(input, tegmora::QStringOf(error.filterName()),
                         tegmora::QStringOf(fx::ErrorKindText(error.kind()))));
            return cli::kEngineFailure;
        }
    }
    const QString output = OutputFor(command, input);
    const QString error =
        tegmora::imageio::SaveImage(loaded.image, output, FormatFor(output, command.depth, !loaded.palettised.isNull()),
                                    {loaded.palettised, command.dither});
    line.clear();
    if (!error.isEmpty()) {
        Say(error);
        return cli::kFileError;
    }
    return cli::kSuccess;
}

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
    ProgressLine line(static_cast<int>(command.inputs.size()));
    int status = cli::kSuccess;
    for (qsizetype i = 0; i < command.inputs.size(); ++i) {
        line.start(static_cast<int>(i + 1), QFileInfo(command.inputs[i]).fileName());
        status = std::max(status, ProcessFile(command, command.inputs[i], line));
    }
    return status;
}
