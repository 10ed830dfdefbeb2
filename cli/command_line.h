// What tegmora-fx was asked to do, read from its arguments.
#pragma once

#include "effects.h"
#include "quantise.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tegmora::cli {

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kEngineFailure = 1;
inline constexpr int kUsageError = 2;
inline constexpr int kFileError = 3;

struct Effect {
    std::int32_t code = 0;
    std::int32_t amount = 0;
    QString name;  // the filter's name, or "code N" for a code without one
    // A named operation runs instead of a code, with all of its amounts.
    const effects::NamedOperation* operation = nullptr;
    std::vector<std::int32_t> amounts;
};

enum class Action { Apply, Help, Version, List, RoofsFolder, Games, SeamRatio };

// Bits per pixel of a bitmap output: those of a palettised input (8) or 24.
enum class Depth { Keep, Eight, TwentyFour };

struct Command {
    Action action = Action::Apply;
    std::vector<Effect> effects;
    QSize fit;          // --fit: each input is fitted to this size before any effect; invalid without
    QStringList inputs;
    QString output;     // -o: the one output file
    QString outputDir;  // --out-dir: a folder for a batch
    int sideLimit = 0;
    int jobs = 1;       // -j: files of a batch worked on at once
    Depth depth = Depth::Keep;
    imageio::Dither dither = imageio::Dither::None;
    QString roofs;      // --roofs: the game's folder, named instead of searched for
    QStringList warnings;
};

struct ParsedCommand {
    Command command;
    QString error;  // set for a usage error
};

ParsedCommand ParseCommandLine(const QStringList& arguments);

// Adds the effect FILTER[:AMOUNT] to `command`: a filter name (any case,
// spaces or hyphens), an editor preset such as "darker", or an integer code;
// or NAME[:AMOUNT,...], a named operation such as "hsl:120,0,0".
// Returns the usage error, or the empty text.
QString ParseEffect(const QString& text, Command& command);

QString HelpText();
QString FilterList();

}  // namespace tegmora::cli
