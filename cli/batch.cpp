#include "batch.h"

#include "effects.h"
#include "imageio.h"
#include "qt_text.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tegmora::cli {
namespace {

namespace fx = tegmora::effects;

// What one file came to: its exit status and what to say about it.
struct FileOutcome {
    int status = kSuccess;
    QStringList messages;
};

// Told the effect under way and its percentage, from the engine's yield.
using ProgressHook = std::function<void(const QString& effect, std::int32_t percent)>;

// A one-line progress display on a terminal; nothing at all when standard
// error is not a terminal. One file at a time shows each effect's
// percentage, several at once how many files are done.
class ProgressLine {
public:
    explicit ProgressLine(qsizetype files) : files_(files), shown_(isatty(STDERR_FILENO) != 0) {}

    void file(qsizetype number, const QString& name) {
        number_ = number;
        name_ = name;
        last_ = -1;
    }
    void effect(const QString& effect, std::int32_t percent) {
        if (percent == last_ && effect == effect_) return;
        effect_ = effect;
        last_ = percent;
        std::fprintf(stderr, "\r\033[K[%lld/%lld] %s: %s %d%%", static_cast<long long>(number_),
                     static_cast<long long>(files_), qUtf8Printable(name_), qUtf8Printable(effect), percent);
        std::fflush(stderr);
    }
    bool shown() const { return shown_; }
    void done(qsizetype files) {
        if (!shown_) return;
        std::fprintf(stderr, "\r\033[K[%lld/%lld] files done", static_cast<long long>(files),
                     static_cast<long long>(files_));
        std::fflush(stderr);
    }
    void clear() {
        if (shown_) std::fprintf(stderr, "\r\033[K");
    }

private:
    qsizetype files_;
    bool shown_;
    qsizetype number_ = 0;
    QString name_;
    QString effect_;
    std::int32_t last_ = -1;
};

QString OutputFor(const Command& command, const QString& input) {
    if (!command.output.isEmpty()) return command.output;
    return QDir(command.outputDir).filePath(QFileInfo(input).fileName());
}

imageio::FileFormat FormatFor(const QString& path, Depth depth, bool palettised) {
    using imageio::FileFormat;
    if (QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0) return FileFormat::Png;
    const bool eight = depth == Depth::Eight || (depth == Depth::Keep && palettised);
    return eight ? FileFormat::Bitmap8 : FileFormat::Bitmap24;
}

// Every effect over one file, on an engine of its own, so that a file's
// random draws do not depend on the files before it.
FileOutcome ProcessFile(const Command& command, const QString& input, const ProgressHook& progressHook) {
    imageio::LoadedImage loaded = imageio::LoadImage(input, command.sideLimit);
    if (loaded.image.isNull()) return {kFileError, {loaded.error}};
    if (command.fit.isValid()) loaded.image = imageio::Fitted(loaded.image, command.fit);
    std::int32_t progress = 0;
    const Effect* current = nullptr;
    fx::Engine engine;
    // An empty hook spares the engine a call after every row.
    if (progressHook) engine.setYieldHook([&] { progressHook(current->name, progress); });
    for (const Effect& effect : command.effects) {
        current = &effect;
        const fx::Bitmap bitmap = imageio::BitmapOf(loaded.image);
        if (effect.operation) {
            effect.operation->run(bitmap, effect.amounts);
            continue;
        }
        try {
            engine.applyFilter(effect.code, bitmap, effect.amount, progress, fx::WriteBack::AsRowsFinish);
        } catch (const fx::FilterError& error) {
            return {kEngineFailure, {QStringLiteral("%1: %2 failed: %3; nothing written")
                                         .arg(input, QStringOf(error.filterName()),
                                              QStringOf(fx::ErrorKindText(error.kind())))}};
        }
    }
    const QString output = OutputFor(command, input);
    const QString error = imageio::SaveImage(loaded.image, output,
                                             FormatFor(output, command.depth, !loaded.palettised.isNull()),
                                             {loaded.palettised, command.dither});
    if (!error.isEmpty()) return {kFileError, {error}};
    return {};
}

int Report(const FileOutcome& outcome, ProgressLine& line) {
    line.clear();
    for (const QString& message : outcome.messages) Say(message);
    return outcome.status;
}

// One file after another on this thread, each effect's progress shown.
int RunInTurn(const Command& command) {
    ProgressLine line(command.inputs.size());
    int status = kSuccess;
    ProgressHook progress;
    if (line.shown()) progress = [&line](const QString& effect, std::int32_t percent) { line.effect(effect, percent); };
    for (qsizetype i = 0; i < command.inputs.size(); ++i) {
        line.file(i + 1, QFileInfo(command.inputs[i]).fileName());
        const FileOutcome outcome = ProcessFile(command, command.inputs[i], progress);
        status = std::max(status, Report(outcome, line));
    }
    return status;
}

// Workers take the files in input order; this thread says each file's
// messages as soon as it and every file before it are done.
int RunTogether(const Command& command, int jobs) {
    const auto files = static_cast<std::size_t>(command.inputs.size());
    std::vector<FileOutcome> outcomes(files);
    std::vector<char> finished(files, 0);
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i = next++; i < files; i = next++) {
            FileOutcome outcome = ProcessFile(command, command.inputs[static_cast<qsizetype>(i)], {});
            const std::lock_guard lock(mutex);
            outcomes[i] = std::move(outcome);
            finished[i] = 1;
            changed.notify_one();
        }
    };
    std::vector<std::jthread> workers;
    for (int j = 0; j < jobs; ++j) workers.emplace_back(work);
    ProgressLine line(command.inputs.size());
    int status = kSuccess;
    for (std::size_t i = 0; i < files; ++i) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return finished[i] != 0; });
        const FileOutcome outcome = std::move(outcomes[i]);
        lock.unlock();
        status = std::max(status, Report(outcome, line));
        line.done(static_cast<qsizetype>(i + 1));
    }
    line.clear();
    return status;
}

// A batch makes and frees pictures of the same few sizes again and again.
// Kept by the allocator rather than handed back to the system between files,
// their memory is not faulted in anew for every file: a third of the time on
// pictures of 1024 x 1024. Pictures past glibc's largest threshold, 32 MiB,
// still come and go with the system.
void KeepPictureMemory() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace

void Say(const QString& text) { std::fprintf(stderr, "tegmora-fx: %s\n", qUtf8Printable(text)); }

int RunBatch(const Command& command) {
    KeepPictureMemory();
    const int jobs = static_cast<int>(std::min<qsizetype>(command.jobs, command.inputs.size()));
    return jobs <= 1 ? RunInTurn(command) : RunTogether(command, jobs);
}

}  // namespace tegmora::cli
