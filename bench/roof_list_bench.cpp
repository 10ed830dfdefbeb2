// Listing a roofs folder of 2,000 roofs, wall-clock time with the files in
// the page cache: the names alone as the list showed them before it had
// pictures, the names of today's list (its pictures asked for), and today's
// list until the last picture is shown.
#include "roof_list.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using tegmora::app::RoofList;

constexpr int kRoofs = 2000;

// Different 32 x 32 roofs, the game's size, in 24 bits.
QString RoofsFolder() {
    static QTemporaryDir folder;
    static const bool made = [] {
        QImage roof(32, 32, QImage::Format_RGB32);
        for (int i = 0; i < kRoofs; ++i) {
            roof.fill(QColor::fromRgb(QRgb(i * 2654435761u)));
            if (!roof.save(folder.filePath(QStringLiteral("roof%1.bmp").arg(i, 4, 10, QChar(u'0'))), "BMP"))
                return false;
        }
        return true;
    }();
    if (!made) qFatal("cannot write the roofs");
    return folder.path();
}

// The names on show: the list laid out and painted at once.
void ShowNow(QListWidget& list) { list.repaint(); }

// A list of the folder's roofs at its size in the window, filled by `fill`,
// until its entries are painted.
template <class List, class Fill>
void TimeList(benchmark::State& state, Fill fill) {
    for (auto _ : state) {
        List list;
        list.resize(185, 214);
        list.show();
        fill(list);
        ShowNow(list);
    }
}

void BM_NamesAlone(benchmark::State& state) {
    TimeList<QListWidget>(state, [](QListWidget& list) { list.addItems(tegmora::app::RoofFileNames(RoofsFolder())); });
}

void BM_ListNames(benchmark::State& state) {
    TimeList<RoofList>(state, [](RoofList& list) { list.setFolder(RoofsFolder()); });
}

void BM_ListWithPictures(benchmark::State& state) {
    TimeList<RoofList>(state, [](RoofList& list) {
        list.setFolder(RoofsFolder());
        while (list.picturesPending() > 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
}

BENCHMARK(BM_NamesAlone)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListNames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListWithPictures)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    RoofsFolder();  // written before the clock starts
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
