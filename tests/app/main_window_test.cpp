#include "edit_history.h"
#include "imageio.h"
#include "test_window.h"

#include <climits>

namespace tegmora::app {
namespace {

using testing::Pixels;
using testing::Scaled;
using testing::Window;

const QImage kFirst = Pixels({{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x050709}});
const QImage kSecond = Pixels({{0x050505, 0x070707}, {0x646464, 0x636363}, {0xFF0000, 0x00FF00}});

QImage Brightened(QImage image) {
    std::int32_t progress = 0;
    effects::Engine engine;
    engine.applyFilter(14, imageio::BitmapOf(image), 10, progress);
    return image;
}

void Expect(Window& window, const QImage& display, const QImage& working,
            const std::array<int, 3>& sliders = {}) {
    QCOMPARE(window.display(), display);
    QCOMPARE(window.working(), working);
    for (int i = 0; i < 3; ++i) QCOMPARE(window.slider(i + 1)->value(), sliders[i]);
}

// `source` tiled 3 x 3, each pixel a square of `zoom` pixels.
QImage Tiled(const QImage& source, int zoom) {
    QImage tiled(source.size() * zoom * 3, QImage::Format_RGB32);
    for (int y = 0; y < tiled.height(); ++y)
        for (int x = 0; x < tiled.width(); ++x)
            tiled.setPixel(x, y, source.pixel(x / zoom % source.width(), y / zoom % source.height()));
    return tiled;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void loadingShowsTheRoofAndStartsAFreshHistory() {
        Window window({{"A.bmp", kFirst}, {"b.BMP", kSecond}, {".hidden.bmp", kFirst}});
        Expect(window, kFirst, kFirst);
        window.slider(1)->setValue(50);
        window.list()->setCurrentRow(1);
        window.undo();
        Expect(window, kSecond, kSecond);
        // The working view takes the display view's size, right beside it.
        QCOMPARE(window.child<PictureView>("workingView")->geometry(), QRect(-10, 16, 6, 7));
        QCOMPARE(window.list()->count(), 2);
    }

    // A failed load, save or effect says why and loses nothing of the edits;
    // a failed effect is no step to undo.
    void failuresLoseNothing() {
        static constexpr effects::Preset overflowing[] = {{"Brighter", 14, INT_MAX}};
        Window window({{"a.bmp", kFirst}}, overflowing);
        QFile broken(window.game.roof("broken.bmp"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("BM\x10\x00", 4) == 4);
        broken.close();
        window.list()->reread();
        window.slider(1)->setValue(50);
        window.list()->setCurrentRow(1);
        window.dialogs.savePathAnswer = window.game.roof("no such folder/saved.bmp");
        window.click("saveButton");
        window.click("brighterButton");
        const QStringList& errors = window.dialogs.errors;
        QCOMPARE(errors.size(), 3);
        QVERIFY(errors[0].startsWith("Cannot load") && errors[0].contains("broken.bmp"));
        QVERIFY(errors[1].startsWith("Cannot write") && errors[1].contains("saved.bmp"));
        QCOMPARE(errors[2], "Brighter failed: Brightness: overflow");
        QVERIFY(testing::SameFolder(window.dialogs.saveFolders.value(0), window.game.roofs()));
        Expect(window, kFirst, Scaled(kFirst, 50, 0, 0), {50, 0, 0});
        window.undo();
        Expect(window, kFirst, kFirst);
    }

    // An unedited palettised roof is saved with its own palette and indexes;
    // the tool's tests pin the 8-bit form of edited ones.
    void palettisedRoofKeepsItsForm() {
        QImage roof(6, 2, QImage::Format_Indexed8);
        for (int i = 0; i < 20; ++i) roof.setColor(i, qRgb(i * 12, 255 - i, 3 * i));
        for (int i = 0; i < 12; ++i) roof.setPixel(i % 6, i / 6, static_cast<uint>(i * 7 % 20));
        Window window({{"a.bmp", roof}});
        window.dialogs.savePathAnswer = window.game.roof("unedited.bmp");
        window.click("saveButton");
        const QImage unedited(window.dialogs.savePathAnswer);
        QList<QRgb> palette = roof.colorTable();
        palette.resize(256, qRgb(0, 0, 0));
        QCOMPARE(unedited.colorTable(), palette);
        for (int i = 0; i < 12; ++i) QCOMPARE(unedited.pixelIndex(i % 6, i / 6), roof.pixelIndex(i % 6, i / 6));
    }

    void commandsAndKeysDuringARunAreIgnored() {
        Window window({{"a.bmp", kFirst}, {"b.bmp", kSecond}});
        window.slider(2)->setValue(30);
        const QImage scaled = Scaled(kFirst, 0, 30, 0);
        window.duringNextEffect([&] {
            // A second effect copies the untouched working view only.
            window.click("darkerButton");
            QCOMPARE(window.display(), scaled);
            window.list()->setCurrentRow(1);
            window.click("saveButton");
            window.click("deleteButton");
            window.slider(1)->setValue(50);
            window.undo();
            window.redo();
        });
        window.click("brighterButton");
        QCOMPARE(window.ranWhileBusy, 1);
        QVERIFY(window.dialogs.saveFolders.isEmpty() && window.dialogs.questions.isEmpty());
        Expect(window, Brightened(scaled), Brightened(scaled), {0, 30, 0});
        window.undo();
        Expect(window, kFirst, scaled, {0, 30, 0});
    }

    void closeDuringARunEndsItWritingNothing() {
        Window window({{"a.bmp", kFirst}});
        window.duringNextEffect([&] { window.click("closeButton"); });
        window.click("brighterButton");
        QCOMPARE(window.ranWhileBusy, 1);
        QVERIFY(!window.form->isVisible() && !window.form->effectRunning());
        Expect(window, kFirst, kFirst);
    }

    void undoAndRedoRestoreViewsAndSliders() {
        Window window({{"a.bmp", kSecond}});
        const QImage brighter = Brightened(Scaled(kSecond, 50, 0, 0));
        // A drag counts when the thumb is let go, and is one step.
        QScrollBar* red = window.slider(1);
        red->setSliderDown(true);
        for (const int position : {40, 50}) red->setSliderPosition(position);
        Expect(window, kSecond, kSecond);
        red->setSliderDown(false);
        window.click("brighterButton");
        window.slider(3)->triggerAction(QScrollBar::SliderSingleStepSub);
        // Without a pass of the sliders, which would scale the display again.
        window.undo();
        Expect(window, brighter, brighter, {50, 0, 0});
        window.undo();
        Expect(window, kSecond, Scaled(kSecond, 50, 0, 0), {50, 0, 0});
        window.undo();
        window.undo();
        Expect(window, kSecond, kSecond);
        for (int i = 0; i < 2; ++i) {
            window.redo();
            window.press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        }
        Expect(window, brighter, Scaled(brighter, 50, 0, -1), {50, 0, -1});
        // A new step forgets what could be redone.
        window.undo();
        window.slider(2)->setValue(10);
        window.redo();
        Expect(window, brighter, Scaled(brighter, 50, 10, 0), {50, 10, 0});
    }

    void historyDropsTheOldestStepsBeyondItsBytes() {
        // A step of two 1 x 1 images holds 8 bytes: 16 bytes hold two steps.
        EditHistory history(16);
        const auto state = [](int n) {
            return WindowState{Pixels({{QRgb(n)}}), Pixels({{QRgb(n)}}), {n, 0, 0}, QString()};
        };
        for (int n = 1; n <= 4; ++n) history.record(state(n));
        QCOMPARE(history.undo(state(5))->sliders[0], 4);
        QCOMPARE(history.undo(state(4))->working, Pixels({{3}}));
        QVERIFY(!history.undo(state(3)));
        QCOMPARE(history.redo(state(3))->working, Pixels({{4}}));
        // A step larger than the bound is not kept.
        history.record(WindowState{Pixels({{1, 2, 3}}), Pixels({{1, 2, 3}}), {}, QString()});
        QVERIFY(!history.undo(state(6)));
    }

    void deleteMovesTheRoofToTheTrash() {
        Window window({{"a.bmp", kFirst}, {"c.bmp", kSecond}});
        window.list()->setCurrentRow(1);
        window.click("deleteButton");
        QCOMPARE(window.dialogs.questions,
                 QStringList{"Confirm File Delete: Are you sure you want to delete this file?"});
        Expect(window, kFirst, kFirst);
        // Restored from the trash the way a file manager does it.
        const QDir trash(window.home.filePath("data/Trash"));
        QFile info(trash.filePath("info/c.bmp.trashinfo"));
        QVERIFY(info.open(QIODevice::ReadOnly) && !window.exists("c.bmp"));
        const QStringList lines = QString::fromUtf8(info.readAll()).split(u'\n');
        const QString path = QUrl::fromPercentEncoding(lines.filter("Path=").value(0).mid(5).toUtf8());
        QVERIFY(QFile::rename(trash.filePath("files/c.bmp"), path) && window.exists("c.bmp"));
        QCOMPARE(imageio::LoadImage(path).image, kSecond);
    }

    void whereNoTrashTakesTheRoofASecondQuestionDecides() {
        Window window({{"a.bmp", kFirst}, {"b.bmp", kSecond}});
        QFile blocker(qEnvironmentVariable("XDG_DATA_HOME"));  // no trash can be made there
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        window.list()->setCurrentRow(1);
        window.dialogs.yesAnswers = {true, false};
        window.click("deleteButton");
        QCOMPARE(window.dialogs.questions.size(), 2);
        QVERIFY(window.dialogs.questions[1].contains("cannot be restored") && window.exists("b.bmp"));
        window.click("deleteButton");
        QCOMPARE(window.dialogs.questions.size(), 4);
        QVERIFY(!window.exists("b.bmp"));
        // A roof gone behind the window's back is not asked about twice.
        QVERIFY(QFile::remove(window.game.roof("a.bmp")));
        window.click("deleteButton");
        QCOMPARE(window.dialogs.questions.size(), 5);
        QCOMPARE(window.dialogs.errors, QStringList{QString("Cannot delete %1: No such file or directory")
                                                        .arg(window.game.roof("a.bmp"))});
    }

    void previewTilesTheWorkingViewAndFollowsIt() {
        const QImage roof = kFirst.scaled(32, 32);
        Window window({{"a.bmp", roof}});
        window.doubleClick("workingView");
        TilePreview* preview = Window::previews().value(0);
        QVERIFY(preview != nullptr && preview->isVisible() && preview->zoom() >= 4);
        // 300 / 96 and 200 / 96: zoom 2, the tiles centred.
        preview->resize(300, 200);
        window.doubleClick("displayView");
        QCOMPARE(Window::previews(), QList<TilePreview*>{preview});
        const auto shown = [preview] { return preview->grab().toImage().convertToFormat(QImage::Format_RGB32); };
        QCOMPARE(shown().copy(54, 4, 192, 192), Tiled(roof, 2));
        QCOMPARE(shown().pixel(53, 4), shown().pixel(0, 0));
        window.click("brighterButton");
        QCOMPARE(shown().copy(54, 4, 192, 192), Tiled(Brightened(roof), 2));
        window.undo();
        QCOMPARE(shown().copy(54, 4, 192, 192), Tiled(roof, 2));
        window.form->close();
        QVERIFY(!preview->isVisible());
    }
};

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::MainWindowTest)
#include "main_window_test.moc"
