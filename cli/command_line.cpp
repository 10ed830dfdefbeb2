#include "command_line.h"

#include "discovery.h"
#include "effects.h"
#include "imageio.h"
#include "qt_text.h"

#include <QRegularExpression>

#include <algorithm>
#include <thread>

namespace tegmora::cli {
namespace fx = tegmora::effects;

namespace {

// "Floyd-Steinberg Dither", "floyd steinberg dither" and "FLOYD-STEINBERG-DITHER"
// all read the same.
QString Folded(QString name) {
    name = name.trimmed().toLower();
    name.replace(QRegularExpression(QStringLiteral("[\\s_-]+")), QStringLiteral("-"));
    return name;
}

const fx::FilterInfo* FilterNamed(const QString& name) {
    for (const fx::FilterInfo& filter : fx::Filters())
        if (Folded(QStringOf(filter.name)) == name) return &filter;
    return nullptr;
}

const fx::Preset* PresetNamed(const QString& name) {
    for (const fx::Preset& preset : fx::Presets())
        if (Folded(QStringOf(preset.caption)) == name) return &preset;
    return nullptr;
}

bool ReadInt32(const QString& text, std::int32_t& value) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool ReadDepth(const QString& text, Depth& depth) {
    if (text == QLatin1String("keep")) depth = Depth::Keep;
    else if (text == QLatin1String("8")) depth = Depth::Eight;
    else if (text == QLatin1String("24")) depth = Depth::TwentyFour;
    else return false;
    return true;
}

// WIDTHxHEIGHT, each at least 1.
bool ReadSize(const QString& text, QSize& size) {
    const QStringList sides = text.split(QLatin1Char('x'));
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (sides.size() != 2 || !ReadInt32(sides[0], width) || !ReadInt32(sides[1], height) || width < 1 || height < 1)
        return false;
    size = QSize(width, height);
    return true;
}

// More threads than this only wait on the disk.
constexpr int kMostJobs = 256;

// One file at once per core.
int DefaultJobs() { return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned{kMostJobs})); }

ParsedCommand Usage(Command command, const QString& message) { return {std::move(command), message}; }

// "hsl:HUE,SATURATION,LIGHTNESS with hue -180..180, ...", or "seamless, with no amount".
QString OperationForm(const fx::NamedOperation& operation) {
    const QString name = QStringOf(operation.name);
    if (operation.amounts.empty()) return QStringLiteral("%1, with no amount").arg(name);
    QStringList fields;
    QStringList ranges;
    for (const fx::AmountRange& range : operation.amounts) {
        fields << QStringOf(range.name).toUpper();
        ranges << QStringLiteral("%1 %2..%3").arg(QStringOf(range.name)).arg(range.lowest).arg(range.highest);
    }
    return QStringLiteral("%1:%2 with %3").arg(name, fields.join(QLatin1Char(',')), ranges.join(QStringLiteral(", ")));
}

// Every amount of the operation, each in its range; no amount for one that takes none.
QString ParseNamedOperation(const fx::NamedOperation& operation, const QString& text, Command& command) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QStringList fields = colon < 0 ? QStringList() : text.mid(colon + 1).split(QLatin1Char(','));
    Effect effect;
    effect.name = QStringOf(operation.name);
    effect.operation = &operation;
    bool valid = static_cast<std::size_t>(fields.size()) == operation.amounts.size();
    for (qsizetype i = 0; valid && i < fields.size(); ++i) {
        const fx::AmountRange& range = operation.amounts[static_cast<std::size_t>(i)];
        std::int32_t amount = 0;
        valid = ReadInt32(fields[i].trimmed(), amount) && amount >= range.lowest && amount <= range.highest;
        effect.amounts.push_back(amount);
    }
    if (!valid) return QStringLiteral("bad amounts in \"%1\": write %2").arg(text, OperationForm(operation));
    command.effects.push_back(effect);
    return QString();
}

// A numbered filter (or a code that selects none) with or without an
// amount: a missing amount the filter needs is the usage error
// `missingAmount`; one it takes none of is ignored with a warning.
QString AddFilter(const fx::FilterInfo* filter, const Effect& effect, bool hasAmount, const QString& missingAmount,
                  Command& command) {
    if (filter && filter->takesAmount && !hasAmount) return missingAmount;
    if (filter && !filter->takesAmount && hasAmount)
        command.warnings << QStringLiteral("%1 takes no amount; %2 is ignored").arg(effect.name).arg(effect.amount);
    command.effects.push_back(effect);
    return QString();
}

}  // namespace

QString ParseEffect(const QString& text, Command& command) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString filterText = colon < 0 ? text : text.left(colon);
    if (const fx::NamedOperation* operation = fx::FindNamedOperation(Folded(filterText).toStdString()))
        return ParseNamedOperation(*operation, text, command);
    const bool hasAmount = colon >= 0;
    Effect effect;
    if (hasAmount && !ReadInt32(text.mid(colon + 1).trimmed(), effect.amount))
        return QStringLiteral("malformed amount in \"%1\": expected a whole number from %2 to %3")
                                  .arg(text).arg(INT32_MIN).arg(INT32_MAX);

    std::int32_t code = 0;
    if (ReadInt32(filterText.trimmed(), code)) {
        effect.code = code;
        const fx::FilterInfo* filter = fx::FindFilter(code);
        effect.name = filter ? QStringOf(filter->name) : QStringLiteral("code %1").arg(code);
        if (!filter)
            command.warnings << QStringLiteral("code %1 selects no filter; the image passes through unchanged").arg(code);
        return AddFilter(filter, effect, hasAmount,
                         QStringLiteral("%1 (code %2) takes an amount: write %2:AMOUNT").arg(effect.name).arg(code), command);
    }

    const QString name = Folded(filterText);
    if (const fx::FilterInfo* filter = FilterNamed(name)) {
        effect.code = filter->code;
        effect.name = QStringOf(filter->name);
        const fx::Preset* preset = PresetNamed(name);
        const QString hint = preset ? QStringLiteral(" (the editor's \"%1\" button uses %2)")
                                          .arg(QStringOf(preset->caption)).arg(preset->amount)
                                    : QString();
        return AddFilter(filter, effect, hasAmount,
                         QStringLiteral("%1 takes an amount: write %2:AMOUNT%3").arg(effect.name, name, hint), command);
    }
    if (const fx::Preset* preset = PresetNamed(name)) {
        if (hasAmount)
            return QStringLiteral("\"%1\" is an editor preset with its own amount; name the filter to choose one")
                                      .arg(QStringOf(preset->caption));
        effect.code = preset->code;
        effect.amount = preset->amount;
        effect.name = QStringOf(preset->caption);
        command.effects.push_back(effect);
        return QString();
    }
    return QStringLiteral("unknown filter \"%1\" (tegmora-fx --list shows the filters)").arg(filterText);
}

ParsedCommand ParseCommandLine(const QStringList& arguments) {
    Command command;
    command.sideLimit = imageio::kDefaultSideLimit;
    command.jobs = DefaultJobs();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const auto value = [&](QString& into) {
            if (i + 1 >= arguments.size()) return false;
            into = arguments[++i];
            return true;
        };
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            command.action = Action::Help;
            return {command, QString()};
        }
        if (arg == QLatin1String("--version")) {
            command.action = Action::Version;
            return {command, QString()};
        }
        if (arg == QLatin1String("--list")) {
            command.action = Action::List;
        } else if (arg == QLatin1String("--roofs-folder")) {
            command.action = Action::RoofsFolder;
        } else if (arg == QLatin1String("--games")) {
            command.action = Action::Games;
        } else if (arg == QLatin1String("--seam-ratio")) {
            command.action = Action::SeamRatio;
        } else if (arg == QLatin1String("--fit")) {
            QString text;
            if (!value(text) || !ReadSize(text, command.fit))
                return Usage(command, QStringLiteral("--fit needs WIDTHxHEIGHT, such as 32x32"));
        } else if (arg == QLatin1String("--roofs")) {
            if (!value(command.roofs) || command.roofs.isEmpty())
                return Usage(command, QStringLiteral("--roofs needs a folder"));
        } else if (arg == QLatin1String("-e") || arg == QLatin1String("--effect")) {
            QString text;
            if (!value(text)) return Usage(command, QStringLiteral("%1 needs FILTER[:AMOUNT]").arg(arg));
            const QString error = ParseEffect(text, command);
            if (!error.isEmpty()) return Usage(command, error);
        } else if (arg == QLatin1String("-o") || arg == QLatin1String("--output")) {
            if (!value(command.output) || command.output.isEmpty())
                return Usage(command, QStringLiteral("%1 needs an output file").arg(arg));
        } else if (arg == QLatin1String("--out-dir")) {
            if (!value(command.outputDir) || command.outputDir.isEmpty())
                return Usage(command, QStringLiteral("--out-dir needs a folder"));
        } else if (arg == QLatin1String("--max-size")) {
            QString text;
            std::int32_t limit = 0;
            if (!value(text) || !ReadInt32(text, limit) || limit < 1 || limit > 65535)
                return Usage(command, QStringLiteral("--max-size needs a number of pixels from 1 to 65535"));
            command.sideLimit = limit;
        } else if (arg == QLatin1String("-j") || arg == QLatin1String("--jobs")) {
            QString text;
            std::int32_t jobs = 0;
            if (!value(text) || !ReadInt32(text, jobs) || jobs < 1 || jobs > kMostJobs)
                return Usage(command, QStringLiteral("%1 needs a number of files at once from 1 to %2").arg(arg).arg(kMostJobs));
            command.jobs = jobs;
        } else if (arg == QLatin1String("--depth")) {
            QString text;
            if (!value(text) || !ReadDepth(text, command.depth))
                return Usage(command, QStringLiteral("--depth needs keep, 8 or 24"));
        } else if (arg == QLatin1String("--dither")) {
            command.dither = imageio::Dither::FloydSteinberg;
        } else if (arg == QLatin1String("--")) {
            command.inputs << arguments.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return Usage(command, QStringLiteral("unknown option %1 (tegmora-fx --help explains the options)").arg(arg));
        } else {
            command.inputs << arg;
        }
    }
    if (command.action == Action::SeamRatio && command.inputs.isEmpty())
        return Usage(command, QStringLiteral("--seam-ratio needs the files to measure"));
    if (command.action != Action::Apply) return {command, QString()};
    if (command.effects.empty() && !command.fit.isValid())
        return Usage(command, QStringLiteral("no effect given: name one with -e FILTER[:AMOUNT] or fit with --fit WxH"));
    if (command.fit.width() > command.sideLimit || command.fit.height() > command.sideLimit)
        return Usage(command, QStringLiteral("--fit %1x%2 is larger than the side limit of %3 (--max-size)")
                                  .arg(command.fit.width()).arg(command.fit.height()).arg(command.sideLimit));
    if (command.inputs.isEmpty()) return Usage(command, QStringLiteral("no input file given"));
    if (!command.output.isEmpty() && !command.outputDir.isEmpty())
        return Usage(command, QStringLiteral("give either -o OUTPUT or --out-dir DIR, not both"));
    if (command.output.isEmpty() && command.outputDir.isEmpty())
        return Usage(command, QStringLiteral("no output given: -o OUTPUT for one input, --out-dir DIR for several"));
    if (!command.output.isEmpty() && command.inputs.size() > 1)
        return Usage(command, QStringLiteral("-o takes one input; use --out-dir DIR for %1 inputs").arg(command.inputs.size()));
    return {command, QString()};
}

QString FilterList() {
    QString list;
    for (const fx::FilterInfo& filter : fx::Filters())
        list += QStringLiteral("%1  %2  %3\n")
                    .arg(filter.code, 2)
                    .arg(QStringOf(filter.name), -26)
                    .arg(filter.takesAmount ? QStringLiteral("takes an amount") : QStringLiteral("no amount"));
    for (const fx::NamedOperation& operation : fx::NamedOperations())
        list += QStringLiteral("    %1  %2: %3\n")
                    .arg(QStringOf(operation.name), -26)
                    .arg(OperationForm(operation), QStringOf(operation.summary));
    return list;
}

QString HelpText() {
    QString presets;
    for (const fx::Preset& preset : fx::Presets()) {
        const fx::FilterInfo* filter = fx::FindFilter(preset.code);
        presets += QStringLiteral("  %1 %2%3\n")
                       .arg(Folded(QStringOf(preset.caption)), -22)
                       .arg(Folded(QStringOf(filter->name)))
                       .arg(filter->takesAmount ? QStringLiteral(":%1").arg(preset.amount) : QString());
    }
    return QStringLiteral(
               "Usage:\n"
               "  tegmora-fx [--fit WxH] -e FILTER[:AMOUNT] [-e FILTER[:AMOUNT]]... INPUT -o OUTPUT\n"
               "  tegmora-fx [--fit WxH] -e FILTER[:AMOUNT] [-e ...]... INPUT... --out-dir DIR\n"
               "  tegmora-fx --fit WxH INPUT -o OUTPUT\n"
               "  tegmora-fx --seam-ratio FILE...\n"
               "  tegmora-fx --list | --help | --version\n"
               "  tegmora-fx [--roofs DIR] --roofs-folder | --games\n"
               "\n"
               "Fits each input image to a size when asked, then applies the effects in the order\n"
               "given, and writes the result.\n"
               "\n"
               "Options:\n"
               "  -e, --effect FILTER[:AMOUNT]  An effect. FILTER is a filter name from --list (any case;\n"
               "                                spaces may be written as hyphens), an editor preset below,\n"
               "                                or an integer code, handed to the engine as it is (a code\n"
               "                                that selects no filter leaves the image unchanged, with a\n"
               "                                warning). AMOUNT is a whole number: a strength, a step, a\n"
               "                                selector or a colour red + 256*green + 65536*blue, as the\n"
               "                                filter reads it. A filter that takes an amount needs one; an\n"
               "                                amount given to one that takes none is ignored, with a warning.\n"
               "  -e seamless                   Blend the edges so that the picture tiles without a seam: its\n"
               "                                right edge runs on into its left and its bottom into its top.\n"
               "                                Every pixel touching the middle half of the columns and of the\n"
               "                                rows stays as it was.\n"
               "  -e hsl:HUE,SAT,LIGHT          Move each pixel's hue by HUE degrees (-180..180) and scale its\n"
               "                                saturation (SAT -100..100) and lightness (LIGHT -100..100:\n"
               "                                -100 is black, 100 white), as an HSL colour.\n"
               "  -e colourize:HUE,SAT,LIGHT    Give every pixel the hue HUE (-360..360, degrees) and the\n"
               "                                saturation (SAT + 100) / 200, keeping its own lightness, moved\n"
               "                                by LIGHT as for hsl: a red roof to blue with its shading.\n"
               "  --fit WxH                     Before any effect, cut each input to the proportions of W x H\n"
               "                                around its centre and scale it to W x H by area averaging\n"
               "                                (each pixel the exact mean of what it covers); a smaller input\n"
               "                                is enlarged the same way. The game's roofs are 32x32.\n"
               "  -o, --output FILE             The output for a single input.\n"
               "  --out-dir DIR                 A batch: each result goes into DIR under its input's name.\n"
               "  --depth keep|8|24             Bits per pixel of a bitmap output. keep (the default): 8 for\n"
               "                                an input that is a palettised bitmap (1, 4 or 8 bits), 24 for\n"
               "                                any other; 8: always the 8-bit form; 24: always 24 bits.\n"
               "  --dither                      When an 8-bit output must reduce more than 256 colours, spread\n"
               "                                the difference by Floyd-Steinberg dithering. Without it each\n"
               "                                pixel takes the nearest palette colour, so a tiling roof keeps\n"
               "                                seamless edges.\n"
               "  --max-size N                  Refuse images wider or higher than N pixels (default %1).\n"
               "  -j, --jobs N                  Work on N files of a batch at once (default: one per core);\n"
               "                                the outputs, messages and exit status are those of one at a time.\n"
               "  --list                        One line per filter: code, name, whether it takes an amount;\n"
               "                                then seamless, hsl and colourize with their amounts.\n"
               "  --seam-ratio FILE...          Print each file's seam ratio, a tab after its name: the mean\n"
               "                                difference across the wrap (last column against the first, last\n"
               "                                row against the first) over that between neighbours inside, to\n"
               "                                two decimals. About 1 tiles without a visible seam; photos\n"
               "                                of textures give 2 to 10. Exit status 3 if a file is unreadable.\n"
               "  --roofs-folder                Print the game's roofs folder: the first one --games lists.\n"
               "  --games                       Every installation found, one per line: the roofs folder, a tab,\n"
               "                                where it was found. Exit status 3 when there is none.\n"
               "  --roofs DIR                   The game's folder, its GameData or its roofs folder, named\n"
               "                                instead of searched for.\n"
               "  -h, --help                    This text.\n"
               "  --version                     The version of tegmora-fx.\n"
               "\n"
               "Inputs are Windows bitmaps of any depth, PNG, JPEG, GIF (the first frame), WebP or TIFF\n"
               "files. An output ending in .png is written as PNG; any other output as a Windows bitmap of\n"
               "the depth --depth chooses: a photo gives 24 bits unless --depth 8 asks for the 8-bit form,\n"
               "the one the game's roofs take: 256 palette entries, no compression. A result of at most\n"
               "256 colours is written exactly, in the input's own palette and indexes when its colours\n"
               "allow; one of more colours is reduced to the best 256 by libimagequant.\n"
               "\n"
               "Every output is written to a temporary file beside it and renamed into place when\n"
               "complete, so a failed run never leaves a partial file and never touches an existing one.\n"
               "An output that exists but is no regular file, such as a device or a pipe, is refused\n"
               "rather than replaced.\n"
               "\n"
               "Where Tegmora looks for the game, in this order:\n"
               "%3"
               "\n"
               "Editor presets (name = filter:amount):\n"
               "%2"
               "\n"
               "Exit status: 0 success; 1 a filter failed (nothing is written for that file); 2 usage\n"
               "error; 3 an input could not be read or an output not written. A batch goes on after a\n"
               "failed file and exits with the highest status of its files.\n"
               "\n"
               "Examples:\n"
               "  tegmora-fx -e darker \"$(tegmora-fx --roofs-folder)\"/*.bmp --out-dir darker-roofs\n"
               "  tegmora-fx --fit 32x32 -e seamless --depth 8 photo.jpg -o roof.bmp   (a photo to a\n"
               "    seamless roof in the game's 8-bit form)\n"
               "  tegmora-fx -e colourize:210,0,0 roof.bmp -o blue-roof.bmp\n")
        .arg(imageio::kDefaultSideLimit)
        .arg(presets, QStringOf(gamedir::kSearchOrder));
}

}  // namespace tegmora::cli
