#include "channel_scaling.h"
#include "edit_history.h"
#include "imageio.h"
#include "test_window.h"

#include <climits>

namespace tegmora::app {
namespace {

using testing::Dump;
using testing::Pixels;
using testing::Window;

const QImage kFirst = Pixels({{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x050709}});
const QImage kSecond = Pixels({{0x050505, 0x070707}, {0x646464, 0x636363}, {0xFF0000, 0x00FF00}});

// Colours unlike each other in every channel, so that a filter that mixes
// up channels or neighbours shows.
QImage Patterned(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 37 + y * 11, (x * 5 + y * 53) % 256, x * 19 + y * 7));
    return image;
}

QImage Brightened(QImage image) {
    std::int32_t progress = 0;
    effects::ApplyFilter(14, imageio::BitmapOf(image), 10, progress);
    return image;
}

QImage Scaled(const QImage& source, int red, int green, int blue) {
    QImage target = source.copy();
    ScaleChannels(source, target, FactorsOf(red, green, blue), [](int) {});
    return target;
}

void Expect(Window& window, const QImage& display, const QImage& working,
            const std::array<int, 3>& sliders = {}) {
    QCOMPARE(Dump(window.display()), Dump(display));
    QCOMPARE(Dump(window.working()), Dump(working));
    for (int i = 0; i < 3; ++i) QCOMPARE(window.slider(i + 1)->value(), sliders[i]);
}

void ExpectOneError(const Window& window, const QString& start, const QString& part) {
    QCOMPARE(window.dialogs.errors.size(), 1);
    QVERIFY(window.dialogs.errors[0].startsWith(start) && window.dialogs.errors[0].contains(part));
}

// `source` tiled 3 x 3, each pixel a square of `zoom` pixels.
QString Tiled(const QImage& source, int zoom) {
    QImage tiled(source.size() * zoom * 3, QImage::Format_RGB32);
    for (int y = 0; y < tiled.height(); ++y)
        for (int x = 0; x < tiled.width(); ++x)
            tiled.setPixel(x, y, source.pixel(x / zoom % source.width(), y / zoom % source.height()));
    return Dump(tiled);
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    void loadingShowsTheRoofAndStartsAFreshHistory() {
        Window window({{"b.BMP", kSecond}, {"A.bmp", kFirst}, {"c.bmpold", kFirst},
                       {"d.txt", kFirst}, {".hidden.bmp", kFirst}});
        QCOMPARE(RoofFileNames(window.game.roofs()), QStringList({"A.bmp", "b.BMP", "c.bmpold"}));
        Expect(window, kFirst, kFirst);
        // The working view takes the display view's size, right beside it.
        QCOMPARE(window.child<PictureView>("Picture3")->geometry(), QRect(-9, 16, 7, 6));
        window.slider(1)->setValue(50);
        window.list()->setCurrentRow(1);
        window.undo();
        Expect(window, kSecond, kSecond);
        QCOMPARE(window.child<PictureView>("Picture3")->geometry(), QRect(-10, 16, 6, 7));
        // Clicking the shown roof again reloads it.
        window.click("Command24");
        RoofList* list = window.list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        window.undo();
        Expect(window, kSecond, kSecond);
    }

    // A failed load, save or delete says why and loses nothing of the edits.
    void roofThatDoesNotLoadIsReported() {
        Window window({{"a.bmp", kFirst}});
        QFile broken(window.game.roof("broken.bmp"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("BM\x10\x00", 4) == 4);
        broken.close();
        window.list()->reread();
        window.click("Command24");
        window.list()->setCurrentRow(1);
        ExpectOneError(window, "Cannot load", "broken.bmp");
        window.undo();
        Expect(window, kFirst, kFirst);
    }

    void failedSaveLosesNothing() {
        Window window({{"a.bmp", kFirst}});
        window.slider(1)->setValue(50);
        window.dialogs.savePathAnswer = window.game.roof("no such folder/saved.bmp");
        window.click("Command1");
        ExpectOneError(window, "Cannot write", "saved.bmp");
        QVERIFY(testing::SameFolder(window.dialogs.saveFolders.value(0), window.game.roofs()));
        Expect(window, kFirst, Scaled(kFirst, 50, 0, 0), {50, 0, 0});
    }

    void engineFailureIsReportedAndIsNoStep() {
        static constexpr effects::Preset overflowing[] = {{"Command24", "Brighter", 14, INT_MAX}};
        Window window({{"a.bmp", kFirst}}, overflowing);
        window.slider(3)->setValue(100);
        window.click("Command24");
        QCOMPARE(window.dialogs.errors, QStringList{"Brighter failed: Brightness: overflow"});
        Expect(window, kFirst, Scaled(kFirst, 0, 0, 100), {0, 0, 100});
        window.undo();
        Expect(window, kFirst, kFirst);
    }

    void commandsAndKeysDuringARunAreIgnored() {
        Window window({{"a.bmp", Patterned(5, 4)}, {"b.bmp", kSecond}});
        window.slider(2)->setValue(30);
        const QImage scaled = Scaled(Patterned(5, 4), 0, 30, 0);
        window.dialogs.savePathAnswer = window.game.roof("saved.bmp");
        window.duringNextEffect([&] {
            // A second effect copies the untouched working view only.
            window.click("Command25");
            QCOMPARE(Dump(window.display()), Dump(scaled));
            window.list()->setCurrentRow(1);
            window.click("Command1");
            window.click("Command3");
            window.slider(1)->setValue(50);
            window.undo();
            window.redo();
        });
        window.click("Command24");
        QCOMPARE(window.ranWhileBusy, 1);
        QVERIFY(window.dialogs.saveFolders.isEmpty() && window.dialogs.questions.isEmpty());
        QCOMPARE(window.list()->currentRow(), 0);
        Expect(window, Brightened(scaled), Brightened(scaled), {0, 30, 0});
        window.undo();
        Expect(window, Patterned(5, 4), scaled, {0, 30, 0});
    }

    void closeDuringARunEndsItWritingNothing() {
        Window window({{"a.bmp", Patterned(5, 4)}});
        window.duringNextEffect([&] { window.click("Command5"); });
        window.click("Command24");
        QCOMPARE(window.ranWhileBusy, 1);
        QVERIFY(!window.form().isVisible() && !effects::FilterBusy());
        Expect(window, Patterned(5, 4), Patterned(5, 4));
    }

    void undoAndRedoRestoreViewsAndSliders() {
        Window window({{"a.bmp", Patterned(4, 3)}});
        const QImage scaled = Scaled(Patterned(4, 3), 50, 0, 0);
        const QImage brighter = Brightened(scaled);
        // A drag counts when the thumb is let go, and is one step.
        QScrollBar* red = window.slider(1);
        red->setSliderDown(true);
        for (const int position : {40, 50}) red->setSliderPosition(position);
        Expect(window, Patterned(4, 3), Patterned(4, 3));
        red->setSliderDown(false);
        window.click("Command24");
        window.slider(3)->triggerAction(QScrollBar::SliderSingleStepSub);
        // Without a pass of the sliders, which would scale the display again.
        window.undo();
        Expect(window, brighter, brighter, {50, 0, 0});
        window.undo();
        Expect(window, Patterned(4, 3), scaled, {50, 0, 0});
        window.undo();
        window.undo();
        Expect(window, Patterned(4, 3), Patterned(4, 3));
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
            return WindowState{Pixels({{QRgb(n)}}), Pixels({{QRgb(n)}}), {n, 0, 0}};
        };
        for (int n = 1; n <= 4; ++n) history.record(state(n));
        QCOMPARE(history.undo(state(5))->sliders[0], 4);
        QCOMPARE(history.undo(state(4))->sliders[0], 3);
        QVERIFY(!history.undo(state(3)));
        QCOMPARE(history.redo(state(3))->sliders[0], 4);
        QCOMPARE(Dump(history.redo(state(4))->working), Dump(Pixels({{5}})));
        QVERIFY(!history.redo(state(5)));
        // A step larger than the bound is not kept.
        history.record(WindowState{Pixels({{1, 2, 3}}), Pixels({{1, 2, 3}}), {}});
        QVERIFY(!history.undo(state(6)));
    }

    void deleteMovesTheRoofToTheTrash() {
        Window window({{"a.bmp", kFirst}, {"c.bmp", Patterned(2, 2)}});
        window.list()->setCurrentRow(1);
        const QString roof = QFileInfo(window.game.roof("c.bmp")).canonicalFilePath();
        window.click("Command24");
        window.click("Command3");
        QCOMPARE(window.dialogs.questions,
                 QStringList{"Confirm File Delete: Are you sure you want to delete this file?"});
        QVERIFY(!window.exists("c.bmp"));
        window.undo();
        Expect(window, kFirst, kFirst);
        // Restored from the trash the way a file manager does it.
        const QDir trash(window.home.filePath("data/Trash"));
        QFile info(trash.filePath("info/c.bmp.trashinfo"));
        QVERIFY(info.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(info.readAll()).split(u'\n');
        const QString path = QUrl::fromPercentEncoding(lines.filter("Path=").value(0).mid(5).toUtf8());
        QCOMPARE(path, roof);
        QVERIFY(QFile::rename(trash.filePath("files/c.bmp"), path));
        QCOMPARE(Dump(imageio::LoadImage(path).image), Dump(Patterned(2, 2)));
    }

    void whereNoTrashTakesTheRoofASecondQuestionDecides() {
        Window window({{"a.bmp", kFirst}, {"b.bmp", kSecond}});
        QFile blocker(qEnvironmentVariable("XDG_DATA_HOME"));  // no trash can be made there
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        window.list()->setCurrentRow(1);
        window.dialogs.yesAnswers = {false, true, false};
        window.click("Command3");
        window.click("Command3");
        QCOMPARE(window.dialogs.questions.size(), 3);
        QVERIFY(window.dialogs.questions[2].contains("cannot be restored"));
        QVERIFY(window.exists("b.bmp"));
        window.click("Command3");
        QCOMPARE(window.dialogs.questions.size(), 5);
        QVERIFY(!window.exists("b.bmp"));
        // A roof gone behind the window's back is not asked about twice.
        QVERIFY(QFile::remove(window.game.roof("a.bmp")));
        window.click("Command3");
        QCOMPARE(window.dialogs.questions.size(), 6);
        ExpectOneError(window, "Cannot delete ", "a.bmp");
        QCOMPARE(window.list()->count(), 0);
    }

    void previewTilesTheWorkingViewAndFollowsIt() {
        Window window({{"a.bmp", Patterned(32, 32)}});
        QVERIFY(Window::previews().isEmpty());
        window.doubleClick("Picture3");
        window.doubleClick("Picture1");
        QCOMPARE(Window::previews().size(), 1);
        TilePreview* preview = Window::previews()[0];
        QVERIFY(preview->isVisible() && preview->zoom() >= 4);
        // 300 / 96 and 200 / 96: zoom 2, the tiles centred.
        preview->resize(300, 200);
        const auto shown = [preview] { return preview->grab().toImage(); };
        QCOMPARE(Dump(shown().copy(54, 4, 192, 192)), Tiled(Patterned(32, 32), 2));
        QCOMPARE(shown().pixel(53, 4), shown().pixel(0, 0));
        window.click("Command24");
        QCOMPARE(Dump(shown().copy(54, 4, 192, 192)), Tiled(Brightened(Patterned(32, 32)), 2));
        window.undo();
        QCOMPARE(Dump(shown().copy(54, 4, 192, 192)), Tiled(Patterned(32, 32), 2));
        window.form().close();
        QVERIFY(!preview->isVisible());
    }
};

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::Form1Test)
#include "form1_test.moc"
