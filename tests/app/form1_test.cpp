#include "about.h"
#include "app_test_support.h"
#include "artwork.h"
#include "channel_scaling.h"
#include "effects.h"
#include "engine.h"
#include "form1.h"
#include "frame.h"
#include "imageio.h"
#include "picture_view.h"
#include "roof_list.h"
#include "test_window.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <climits>
#include <memory>
#include <span>
#include <utility>

namespace tegmora::app {
namespace {

using testing::Dump;
using testing::GamePrefix;
using testing::Pixels;
using testing::ScriptedDialogs;
using testing::Window;

QImage FirstRoof() {
    return Pixels({{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x050709}});
}
QImage SecondRoof() {
    return Pixels({{0x050505, 0x070707}, {0x646464, 0x636363}, {0xFF0000, 0x00FF00}});
}

// Colours unlike each other in every channel, so that a filter that mixes
// up channels or neighbours shows.
QImage Patterned(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256,
                                (x * 19 + y * 7 + 100) % 256));
    return image;
}

// The engine's draws made repeatable, so that a filter with noise gives the
// same result twice.
void RestartDraws() {
    effects::SetRandomSourceForTesting([next = 0u](std::span<float> out) mutable {
        for (float& draw : out) draw = static_cast<float>(next++ % 97) / 97.0f;
    });
}

QImage Filtered(QImage image, std::int32_t code, std::int32_t amount) {
    RestartDraws();
    std::int32_t progress = 0;
    effects::ApplyFilter(code, imageio::BitmapOf(image), amount, progress);
    return image;
}

QImage Brightened(const QImage& image) { return Filtered(image, 14, 10); }

QImage ChannelsScaled(const QImage& source, int red, int green, int blue) {
    QImage target = source.copy();
    ScaleChannels(source, target, FactorsOf(red, green, blue), [](int) {});
    return target;
}

QString CaptionOf(const QWidget* widget) {
    if (const auto* frame = qobject_cast<const Frame*>(widget)) return frame->caption();
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    return {};
}

// The effect buttons, left column top to bottom, then the right column.
struct EffectButton {
    const char* name;
    const char* caption;
    int code;
    int amount;
};
constexpr EffectButton kEffectButtons[] = {
    {"Command6", "Smooth", 5, 0},
    {"Command7", "Blur", 3, 0},
    {"Command8", "Sharpen", 1, 2},
    {"Command9", "Sharpen More", 1, 0},
    {"Command10", "Diffuse", 4, 6},
    {"Command11", "Diffuse More", 4, 12},
    {"Command12", "Pixelize", 15, 3},
    {"Command17", "Relief", 13, 0},
    {"Command18", "Edge Enhance", 6, 1},
    {"Command31", "Increase Saturation", 30, 15},
    {"Command33", "Black and White", 19, 0},
    {"Command21", "Gray Scale", 12, 0},
    {"Command24", "Brighter", 14, 10},
    {"Command25", "Darker", 14, -10},
    {"Command26", "Increase Contrast", 17, 10},
    {"Command27", "Decrease Contrast", 17, -10},
    {"Command28", "Dilate", 25, 0},
    {"Command29", "Erode", 26, 0},
    {"Command19", "Contour", 7, 0xFFFFFF},
    {"Command32", "Decrease Saturation", 30, -20},
};

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    void cleanup() { effects::SetRandomSourceForTesting({}); }

    void controlsAreWhereTheyBelong_data();
    void controlsAreWhereTheyBelong();
    void windowIsFixedNavyAndCentred();
    void listsAndLoadsRoofs();
    void clickingTheShownRoofAgainReloadsIt();
    void emptyFolderShowsTheStartPicture();
    void roofThatDoesNotLoadIsReported();

    void buttonRunsItsFilter_data();
    void buttonRunsItsFilter();
    void effectsAccumulateOnTheSliderResult();
    void engineFailureIsReported();
    void secondEffectDuringARunIsTurnedAway();
    void commandsDuringARunAreIgnored();
    void closeDuringARunEndsItWritingNothing();

    void slidersChangeOnArrowsAndReleasedThumbs();
    void loadingSetsSlidersBackWithoutAPass();

    void saveWritesTheWorkingView();
    void cancelledOrFailedSaveChangesNothing();
    void deleteAnsweredYesLoadsTheFirstRoof();
    void deleteAnsweredNoChangesNothing();
    void fileThatCannotBeDeletedIsReported();
    void quorvelOpensTheHomePage();
};

void Form1Test::controlsAreWhereTheyBelong_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    auto place = [](const char* name, const char* parent, const QString& caption, QRect geometry) {
        QTest::newRow(name) << QString::fromLatin1(parent) << caption << geometry;
    };
    place("Frame1", "Form1", "Roof List:", {8, 8, 201, 241});
    place("File1", "Frame1", "", {8, 16, 185, 214});
    place("Frame2", "Form1", "Image:", {216, 8, 81, 65});
    place("Picture1", "Frame2", "", {-16, 24, 68, 68});
    place("Picture3", "Frame2", "", {152, 16, 68, 68});
    place("Frame5", "Form1", "RGB:", {216, 80, 81, 169});
    const char* const channels[] = {"R:", "G:", "B:"};
    for (int i = 0; i < 3; ++i) {
        place(qPrintable(QStringLiteral("Label%1").arg(i + 1)), "Frame5", channels[i],
              {8 + 24 * i, 16, 17, 17});
        place(qPrintable(QStringLiteral("VScroll%1").arg(i + 1)), "Frame5", "",
              {8 + 24 * i, 32, 17, 129});
    }
    place("Frame3", "Form1", "Main Options:", {304, 8, 249, 49});
    place("Command1", "Frame3", "Save", {8, 16, 73, 25});
    place("Command3", "Frame3", "Delete", {88, 16, 73, 25});
    place("Command5", "Frame3", "Close", {168, 16, 73, 25});
    place("Frame6", "Form1", "Image Options - double click to show effect:", {304, 64, 249, 185});
    for (int i = 0; i < 20; ++i)
        place(kEffectButtons[i].name, "Frame6", kEffectButtons[i].caption,
              {i < 10 ? 8 : 128, 16 * (i % 10 + 1), 113, 17});
    place("Frame4", "Form1", "About:", {8, 256, 545, 57});
    place("Command2", "Frame4", "Quorvel", {8, 16, 129, 17});
    place("Label4", "Frame4", kContactCaption, {152, 16, 97, 17});
    place("Label5", "Frame4", kContactAddress, {152, 32, 121, 17});
    place("Label6", "Frame4", kWebCaption, {384, 16, 121, 17});
    place("Label7", "Frame4", kWebAddress, {392, 32, 97, 17});
    place("Label9", "Form1",
          QStringLiteral(
              "Thanks for supporting Quorvel!  Have any problems/suggestions?   Contact me at %1!")
              .arg(kContactAddress),
          {8, 320, 545, 25});
}

void Form1Test::controlsAreWhereTheyBelong() {
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    Window window;
    const QWidget* control = window.child<QWidget>(QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(CaptionOf(control), caption);
    QCOMPARE(control->geometry(), geometry);
}

void Form1Test::windowIsFixedNavyAndCentred() {
    Window window;
    Form1& form = window.form();
    QCOMPARE(form.windowTitle(), QStringLiteral("Tegmora"));
    QCOMPARE(form.size(), QSize(563, 347));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // Centred, give or take the platform's rounding of odd sizes.
    const QPoint offCentre = form.geometry().center() - form.screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(form.palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(
        window.child<QPushButton>(QStringLiteral("Command1"))->palette().color(QPalette::Button),
        QColor(Qt::white));
    QCOMPARE(form.font().pixelSize(), 11);
    QVERIFY(!form.windowIcon().isNull());
}

void Form1Test::listsAndLoadsRoofs() {
    Window window({{"b.BMP", SecondRoof()},
                   {"A.bmp", FirstRoof()},
                   {"c.bmpold", FirstRoof()},
                   {"d.txt", FirstRoof()},
                   {"e.bm", FirstRoof()},
                   {".hidden.bmp", FirstRoof()}});
    QStringList shown;
    for (int row = 0; row < window.list()->count(); ++row)
        shown << window.list()->item(row)->text();
    QCOMPARE(shown, QStringList({"A.bmp", "b.BMP", "c.bmpold"}));
    // The first entry is loaded into both views; the display view takes the
    // image's size plus its border, the working view the display view's size
    // right beside it.
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QCOMPARE(Dump(window.working()), Dump(FirstRoof()));
    QCOMPARE(window.child<PictureView>(QStringLiteral("Picture1"))->geometry(),
             QRect(-16, 24, 7, 6));
    QCOMPARE(window.child<PictureView>(QStringLiteral("Picture3"))->geometry(),
             QRect(-9, 16, 7, 6));
    window.list()->setCurrentRow(1);
    QCOMPARE(Dump(window.display()), Dump(SecondRoof()));
    QCOMPARE(Dump(window.working()), Dump(SecondRoof()));
    QCOMPARE(window.child<PictureView>(QStringLiteral("Picture3"))->geometry(),
             QRect(-10, 16, 6, 7));
    QVERIFY(!window.dialogs.askedAnything());
}

void Form1Test::clickingTheShownRoofAgainReloadsIt() {
    Window window({{"a.bmp", FirstRoof()}});
    window.click("Command24");
    QCOMPARE(Dump(window.working()), Dump(Brightened(FirstRoof())));
    RoofList* list = window.list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QCOMPARE(Dump(window.working()), Dump(FirstRoof()));
}

void Form1Test::emptyFolderShowsTheStartPicture() {
    Window window;
    QCOMPARE(window.list()->count(), 0);
    QCOMPARE(window.display().size(), QSize(64, 64));
    QCOMPARE(Dump(window.display()), Dump(StartPicture()));
    window.click("Command3");
    QVERIFY(!window.dialogs.askedAnything());
}

void Form1Test::roofThatDoesNotLoadIsReported() {
    Window window({{"a.bmp", FirstRoof()}});
    QFile broken(window.game.roof(QStringLiteral("broken.bmp")));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("BM\x10\x00", 4) == 4);
    broken.close();
    window.list()->reread();
    window.click("Command24");
    window.list()->setCurrentRow(1);
    QCOMPARE(window.dialogs.errors.size(), 1);
    QVERIFY2(window.dialogs.errors[0].contains(QStringLiteral("broken.bmp")),
             qPrintable(window.dialogs.errors[0]));
    QCOMPARE(Dump(window.display()), Dump(Brightened(FirstRoof())));
    QCOMPARE(Dump(window.working()), Dump(Brightened(FirstRoof())));
}

void Form1Test::buttonRunsItsFilter_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("amount");
    for (const EffectButton& button : kEffectButtons)
        QTest::newRow(button.name) << button.code << button.amount;
}

void Form1Test::buttonRunsItsFilter() {
    QFETCH(int, code);
    QFETCH(int, amount);
    Window window({{"a.bmp", Patterned(7, 5)}});
    RestartDraws();
    window.click(QTest::currentDataTag());
    const QImage expected = Filtered(Patterned(7, 5), code, amount);
    QCOMPARE(Dump(window.working()), Dump(expected));
    QCOMPARE(Dump(window.display()), Dump(expected));
}

void Form1Test::effectsAccumulateOnTheSliderResult() {
    Window window({{"a.bmp", Patterned(4, 3)}});
    window.slider(1)->setValue(50);
    window.click("Command24");
    window.click("Command26");
    const QImage expected = Filtered(Brightened(ChannelsScaled(Patterned(4, 3), 50, 0, 0)), 17, 10);
    QCOMPARE(Dump(window.working()), Dump(expected));
    QCOMPARE(Dump(window.display()), Dump(expected));
    // The sliders keep their values and now scale the new display image.
    QCOMPARE(window.slider(1)->value(), 50);
    window.slider(2)->setValue(100);
    QCOMPARE(Dump(window.working()), Dump(ChannelsScaled(expected, 50, 100, 0)));
}

void Form1Test::engineFailureIsReported() {
    static constexpr effects::Preset overflowing[] = {{"Brighter", 14, INT_MAX}};
    Window window({{"a.bmp", FirstRoof()}}, overflowing);
    window.slider(3)->setValue(100);
    const QImage sliderResult = window.working();
    window.click("Command24");
    QCOMPARE(window.dialogs.errors,
             QStringList{QStringLiteral("Brighter failed: Brightness: overflow")});
    QCOMPARE(Dump(window.working()), Dump(sliderResult));
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    // The window goes on working.
    window.slider(3)->setValue(0);
    QCOMPARE(Dump(window.working()), Dump(ChannelsScaled(FirstRoof(), 0, 0, 0)));
}

void Form1Test::secondEffectDuringARunIsTurnedAway() {
    Window window({{"a.bmp", Patterned(5, 4)}});
    QString displayDuringRun;
    const auto ranWhileBusy = window.duringNextEffect([&] {
        window.click("Command25");
        displayDuringRun = Dump(window.display());
    });
    window.click("Command24");
    QVERIFY(*ranWhileBusy);
    // The second click copied the untouched working view; only the first
    // effect was applied.
    QCOMPARE(displayDuringRun, Dump(Patterned(5, 4)));
    QCOMPARE(Dump(window.working()), Dump(Brightened(Patterned(5, 4))));
    QCOMPARE(Dump(window.display()), Dump(Brightened(Patterned(5, 4))));
}

void Form1Test::commandsDuringARunAreIgnored() {
    Window window({{"a.bmp", Patterned(5, 4)}, {"b.bmp", SecondRoof()}});
    window.dialogs.savePathAnswer = window.game.roof(QStringLiteral("saved.bmp"));
    const auto ranWhileBusy = window.duringNextEffect([&] {
        window.list()->setCurrentRow(1);
        window.click("Command1");
        window.click("Command3");
        window.slider(1)->setValue(50);
    });
    window.click("Command24");
    QVERIFY(*ranWhileBusy);
    QVERIFY(!window.dialogs.askedAnything());
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(window.slider(1)->value(), 0);
    QVERIFY(window.exists("a.bmp"));
    QCOMPARE(Dump(window.working()), Dump(Brightened(Patterned(5, 4))));
    QCOMPARE(Dump(window.display()), Dump(Brightened(Patterned(5, 4))));
}

void Form1Test::closeDuringARunEndsItWritingNothing() {
    Window window({{"a.bmp", Patterned(5, 4)}});
    const auto ranWhileBusy = window.duringNextEffect([&] { window.click("Command5"); });
    window.click("Command24");
    QVERIFY(*ranWhileBusy);
    QVERIFY(!window.form().isVisible());
    QVERIFY(!effects::FilterBusy());
    QCOMPARE(Dump(window.working()), Dump(Patterned(5, 4)));
    QCOMPARE(Dump(window.display()), Dump(Patterned(5, 4)));
}

void Form1Test::slidersChangeOnArrowsAndReleasedThumbs() {
    Window window({{"a.bmp", Pixels({{0x050505, 0x070707}})}});
    QScrollBar* red = window.slider(1);
    QCOMPARE(red->minimum(), -255);
    QCOMPARE(red->maximum(), 255);
    QTest::mouseClick(red, Qt::LeftButton, {}, QPoint(red->width() / 2, red->height() - 4));
    QCOMPARE(red->value(), 1);
    QCOMPARE(Dump(window.working()), Dump(Pixels({{0x000000, 0x000000}})));
    // Dragging changes nothing until the thumb is let go.
    red->setSliderDown(true);
    red->setSliderPosition(50);
    QCOMPARE(Dump(window.working()), Dump(Pixels({{0x000000, 0x000000}})));
    red->setSliderDown(false);
    QCOMPARE(Dump(window.working()), Dump(Pixels({{0x020000, 0x040000}})));
    QCOMPARE(Dump(window.display()), Dump(Pixels({{0x050505, 0x070707}})));
}

void Form1Test::loadingSetsSlidersBackWithoutAPass() {
    Window window({{"a.bmp", FirstRoof()}, {"b.bmp", SecondRoof()}});
    window.slider(1)->setValue(50);
    window.slider(3)->setValue(-20);
    window.list()->setCurrentRow(1);
    QCOMPARE(window.slider(1)->value(), 0);
    QCOMPARE(window.slider(3)->value(), 0);
    QCOMPARE(Dump(window.working()), Dump(SecondRoof()));
}

void Form1Test::saveWritesTheWorkingView() {
    Window window({{"a.bmp", FirstRoof()}});
    window.slider(1)->setValue(50);
    window.dialogs.savePathAnswer = window.game.roof(QStringLiteral("saved.bmp"));
    window.click("Command1");
    QCOMPARE(window.dialogs.saveRequests.size(), 1);
    const ScriptedDialogs::SaveRequest& request = window.dialogs.saveRequests[0];
    QVERIFY(testing::SameFolder(request.folder, window.game.roofs()));
    QCOMPARE(request.filters.size(), 2);
    QCOMPARE(request.filters[0].text + QLatin1Char('|') + request.filters[0].patterns,
             QStringLiteral("Bitmaps (*.bmp)|*.bmp"));
    QCOMPARE(request.filters[1].text + QLatin1Char('|') + request.filters[1].patterns,
             QStringLiteral("All Files *.*)|*"));
    const imageio::LoadedImage saved =
        imageio::LoadImage(window.game.roof(QStringLiteral("saved.bmp")));
    QCOMPARE(Dump(saved.image), Dump(ChannelsScaled(FirstRoof(), 50, 0, 0)));
    QCOMPARE(window.list()->count(), 2);
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(window.slider(1)->value(), 50);
    QVERIFY(window.dialogs.errors.isEmpty());
}

void Form1Test::cancelledOrFailedSaveChangesNothing() {
    Window window({{"a.bmp", FirstRoof()}});
    window.click("Command24");
    window.click("Command1");
    QVERIFY(window.dialogs.errors.isEmpty());
    window.dialogs.savePathAnswer = window.game.roof(QStringLiteral("no such folder/saved.bmp"));
    window.click("Command1");
    QCOMPARE(window.dialogs.saveRequests.size(), 2);
    QCOMPARE(window.dialogs.errors.size(), 1);
    QVERIFY2(window.dialogs.errors[0].contains(QStringLiteral("saved.bmp")),
             qPrintable(window.dialogs.errors[0]));
    QCOMPARE(RoofFileNames(window.game.roofs()), QStringList{QStringLiteral("a.bmp")});
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(Dump(window.working()), Dump(Brightened(FirstRoof())));
}

void Form1Test::deleteAnsweredYesLoadsTheFirstRoof() {
    Window window({{"a.bmp", FirstRoof()}, {"b.bmp", SecondRoof()}, {"c.bmp", Patterned(2, 2)}});
    window.list()->setCurrentRow(2);
    window.click("Command3");
    QCOMPARE(window.dialogs.questions,
             QStringList{QStringLiteral(
                 "Confirm File Delete: Are you sure you want to delete this file?")});
    QVERIFY(!window.exists("c.bmp"));
    QCOMPARE(window.list()->count(), 2);
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QCOMPARE(Dump(window.working()), Dump(FirstRoof()));
}

void Form1Test::deleteAnsweredNoChangesNothing() {
    Window window({{"a.bmp", FirstRoof()}, {"b.bmp", SecondRoof()}});
    window.list()->setCurrentRow(1);
    window.click("Command24");
    window.slider(2)->setValue(50);
    window.dialogs.yesAnswer = false;
    window.click("Command3");
    QCOMPARE(window.dialogs.questions.size(), 1);
    QVERIFY(window.exists("b.bmp"));
    QCOMPARE(window.list()->currentRow(), 1);
    QCOMPARE(window.slider(2)->value(), 50);
    QCOMPARE(Dump(window.working()), Dump(ChannelsScaled(Brightened(SecondRoof()), 0, 50, 0)));
}

void Form1Test::fileThatCannotBeDeletedIsReported() {
    Window window({{"a.bmp", FirstRoof()}, {"b.bmp", SecondRoof()}});
    window.list()->setCurrentRow(1);
    // Gone behind the window's back, so the deletion fails.
    QVERIFY(QFile::remove(window.game.roof(QStringLiteral("b.bmp"))));
    window.click("Command3");
    QCOMPARE(window.dialogs.errors.size(), 1);
    QVERIFY2(window.dialogs.errors[0].startsWith(QStringLiteral("Cannot delete ")) &&
                 window.dialogs.errors[0].contains(QStringLiteral("b.bmp")),
             qPrintable(window.dialogs.errors[0]));
    QCOMPARE(window.list()->count(), 1);
    QCOMPARE(Dump(window.display()), Dump(SecondRoof()));
}

void Form1Test::quorvelOpensTheHomePage() {
    Window window;
    window.click("Command2");
    QCOMPARE(window.dialogs.openedUrls, QList<QUrl>{QUrl(QString::fromLatin1(kHomePage))});
}

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::Form1Test)
#include "form1_test.moc"
