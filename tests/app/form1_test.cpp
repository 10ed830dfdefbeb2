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

namespace tegmora::app {
namespace {

using testing::Dump;
using testing::GamePrefix;
using testing::Pixels;
using testing::ScriptedDialogs;

// Two roofs that sort as listed, and one that does not load.
QImage FirstRoof() { return Pixels({{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x050709}}); }
QImage SecondRoof() { return Pixels({{0x050505, 0x070707}, {0x646464, 0x636363}, {0xFF0000, 0x00FF00}}); }

// Colours unlike each other in every channel, so that a filter that mixes
// up channels or neighbours shows.
QImage Patterned(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * 19 + y * 7 + 100) % 256));
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

// The window on a game prefix, answering through scripted dialogs.
class Window {
public:
    explicit Window(const GamePrefix& game, std::span<const effects::Preset> presets = effects::Presets())
        : form_(std::make_unique<Form1>(game.prefix(), game.roofs(), dialogs, presets)) {
        form_->show();
    }

    Form1& form() { return *form_; }
    template <class Widget>
    Widget* child(const char* name) {
        auto* widget = form_->findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) qFatal("the window has no %s", name);
        return widget;
    }
    void click(const char* button) { child<QPushButton>(button)->click(); }
    RoofList* list() { return child<RoofList>("File1"); }
    QScrollBar* slider(int number) {
        return child<QScrollBar>((QByteArray("VScroll") + QByteArray::number(number)).constData());
    }
    QImage display() { return child<PictureView>("Picture1")->image(); }
    QImage working() { return child<PictureView>("Picture3")->image(); }

    ScriptedDialogs dialogs;

private:
    std::unique_ptr<Form1> form_;
};

// Runs `during` from inside the next effect's first yield.
void DuringNextEffect(QObject* context, std::function<void()> during, bool* ranWhileBusy) {
    QMetaObject::invokeMethod(context, [during = std::move(during), ranWhileBusy] {
        *ranWhileBusy = effects::FilterBusy();
        during();
    }, Qt::QueuedConnection);
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void controlsAreWhereTheyBelong_data();
    void controlsAreWhereTheyBelong();
    void windowIsFixedNavyAndCentred();
    void listShowsBitmapsWithoutRegardToCase();
    void startLoadsTheFirstRoofIntoBothViews();
    void choosingARoofLoadsIt();
    void clickingTheShownRoofAgainReloadsIt();
    void emptyFolderShowsTheStartPicture();
    void roofThatDoesNotLoadIsReported();

    void buttonRunsItsFilter_data();
    void buttonRunsItsFilter();
    void effectsAccumulate();
    void effectWorksOnTheSliderResult();
    void engineFailureIsReported();
    void secondEffectDuringARunIsTurnedAway();
    void commandsDuringARunAreIgnored();
    void closeDuringARunEndsItWritingNothing();

    void slidersScaleChannels_data();
    void slidersScaleChannels();
    void slidersAreSetByArrowsAndReleasedThumbs();
    void loadingSetsSlidersBackWithoutAPass();

    void saveWritesTheWorkingView();
    void cancelledSaveWritesNothing();
    void failedSaveIsReported();
    void deleteAnsweredYesDeletesAndLoadsTheFirstRoof();
    void deleteAnsweredNoChangesNothing();
    void deleteWithoutASelectionAsksNothing();
    void fileThatCannotBeDeletedIsReported();
    void quorvelOpensTheHomePage();
};

void Form1Test::initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

void Form1Test::cleanup() { effects::SetRandomSourceForTesting({}); }

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
    place("Label1", "Frame5", "R:", {8, 16, 17, 17});
    place("Label2", "Frame5", "G:", {32, 16, 17, 17});
    place("Label3", "Frame5", "B:", {56, 16, 17, 17});
    place("VScroll1", "Frame5", "", {8, 32, 17, 129});
    place("VScroll2", "Frame5", "", {32, 32, 17, 129});
    place("VScroll3", "Frame5", "", {56, 32, 17, 129});
    place("Frame3", "Form1", "Main Options:", {304, 8, 249, 49});
    place("Command1", "Frame3", "Save", {8, 16, 73, 25});
    place("Command3", "Frame3", "Delete", {88, 16, 73, 25});
    place("Command5", "Frame3", "Close", {168, 16, 73, 25});
    place("Frame6", "Form1", "Image Options - double click to show effect:", {304, 64, 249, 185});
    const char* const effectButtons[][2] = {
        {"Command6", "Smooth"},          {"Command7", "Blur"},           {"Command8", "Sharpen"},
        {"Command9", "Sharpen More"},    {"Command10", "Diffuse"},       {"Command11", "Diffuse More"},
        {"Command12", "Pixelize"},       {"Command17", "Relief"},        {"Command18", "Edge Enhance"},
        {"Command31", "Increase Saturation"}, {"Command33", "Black and White"}, {"Command21", "Gray Scale"},
        {"Command24", "Brighter"},       {"Command25", "Darker"},        {"Command26", "Increase Contrast"},
        {"Command27", "Decrease Contrast"}, {"Command28", "Dilate"},     {"Command29", "Erode"},
        {"Command19", "Contour"},        {"Command32", "Decrease Saturation"},
    };
    for (int i = 0; i < 20; ++i)
        place(effectButtons[i][0], "Frame6", effectButtons[i][1], {i < 10 ? 8 : 128, 16 * (i % 10 + 1), 113, 17});
    place("Frame4", "Form1", "About:", {8, 256, 545, 57});
    place("Command2", "Frame4", "Quorvel", {8, 16, 129, 17});
    place("Label4", "Frame4", kContactCaption, {152, 16, 97, 17});
    place("Label5", "Frame4", kContactAddress, {152, 32, 121, 17});
    place("Label6", "Frame4", kWebCaption, {384, 16, 121, 17});
    place("Label7", "Frame4", kWebAddress, {392, 32, 97, 17});
    place("Label9", "Form1",
          QStringLiteral("Thanks for supporting Quorvel!  Have any problems/suggestions?   Contact me at %1!")
              .arg(kContactAddress),
          {8, 320, 545, 25});
}

void Form1Test::controlsAreWhereTheyBelong() {
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    const GamePrefix emptyGame;
    Window window(emptyGame);
    const QWidget* control = window.child<QWidget>(QTest::currentDataTag());
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(CaptionOf(control), caption);
    QCOMPARE(control->geometry(), geometry);
}

void Form1Test::windowIsFixedNavyAndCentred() {
    const GamePrefix emptyGame;
    Window window(emptyGame);
    Form1& form = window.form();
    QCOMPARE(form.windowTitle(), QStringLiteral("Tegmora"));
    QCOMPARE(form.size(), QSize(563, 347));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // Centred, give or take the platform's rounding of odd sizes.
    const QPoint offCentre = form.geometry().center() - form.screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2, qPrintable(QStringLiteral("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(form.palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(window.child<QPushButton>("Command1")->palette().color(QPalette::Button), QColor(Qt::white));
    QCOMPARE(form.font().pixelSize(), 11);
    QVERIFY(!form.windowIcon().isNull());
}

void Form1Test::listShowsBitmapsWithoutRegardToCase() {
    const GamePrefix game;
    for (const char* name : {"b.BMP", "A.bmp", "c.bmpold", "a2.Bmp", "d.txt", "e.bm", ".hidden.bmp"})
        game.addRoof(QString::fromLatin1(name), FirstRoof());
    QVERIFY(QDir(game.roofs()).mkdir(QStringLiteral("folder.bmp")));
    const QStringList expected{"A.bmp", "a2.Bmp", "b.BMP", "c.bmpold"};
    QCOMPARE(RoofFileNames(game.roofs()), expected);
    Window window(game);
    QStringList shown;
    for (int row = 0; row < window.list()->count(); ++row) shown << window.list()->item(row)->text();
    QCOMPARE(shown, expected);
}

void Form1Test::startLoadsTheFirstRoofIntoBothViews() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("b.bmp"), SecondRoof());
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    Window window(game);
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QCOMPARE(Dump(window.working()), Dump(FirstRoof()));
    // The display view takes the image's size plus its border; the working
    // view takes the display view's size and sits right beside it.
    QCOMPARE(window.child<PictureView>("Picture1")->geometry(), QRect(-16, 24, 7, 6));
    QCOMPARE(window.child<PictureView>("Picture3")->geometry(), QRect(-9, 16, 7, 6));
    for (int number = 1; number <= 3; ++number) QCOMPARE(window.slider(number)->value(), 0);
    QVERIFY(!window.dialogs.askedAnything());
}

void Form1Test::choosingARoofLoadsIt() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    game.addRoof(QStringLiteral("b.bmp"), SecondRoof());
    Window window(game);
    window.list()->setCurrentRow(1);
    QCOMPARE(Dump(window.display()), Dump(SecondRoof()));
    QCOMPARE(Dump(window.working()), Dump(SecondRoof()));
    QCOMPARE(window.child<PictureView>("Picture1")->geometry(), QRect(-16, 24, 6, 7));
    QCOMPARE(window.child<PictureView>("Picture3")->geometry(), QRect(-10, 16, 6, 7));
}

void Form1Test::clickingTheShownRoofAgainReloadsIt() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    Window window(game);
    window.click("Command24");
    QCOMPARE(Dump(window.working()), Dump(Brightened(FirstRoof())));
    RoofList* list = window.list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QCOMPARE(Dump(window.working()), Dump(FirstRoof()));
}

void Form1Test::emptyFolderShowsTheStartPicture() {
    const GamePrefix emptyGame;
    Window window(emptyGame);
    QCOMPARE(window.list()->count(), 0);
    QCOMPARE(Dump(window.display()), Dump(StartPicture()));
    QCOMPARE(window.display().size(), QSize(64, 64));
    window.click("Command3");
    QVERIFY(!window.dialogs.askedAnything());
}

void Form1Test::roofThatDoesNotLoadIsReported() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    QFile broken(game.roof(QStringLiteral("broken.bmp")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("BM\x10\x00", 4);
    broken.close();
    Window window(game);
    window.click("Command24");
    window.list()->setCurrentRow(1);
    QCOMPARE(window.dialogs.errors.size(), 1);
    QVERIFY2(window.dialogs.errors[0].contains(QStringLiteral("broken.bmp")), qPrintable(window.dialogs.errors[0]));
    QCOMPARE(Dump(window.display()), Dump(Brightened(FirstRoof())));
    QCOMPARE(Dump(window.working()), Dump(Brightened(FirstRoof())));
}

void Form1Test::buttonRunsItsFilter_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("amount");
    const std::pair<const char*, std::pair<int, int>> buttons[] = {
        {"Command6", {5, 0}},    {"Command7", {3, 0}},    {"Command8", {1, 2}},     {"Command9", {1, 0}},
        {"Command10", {4, 6}},   {"Command11", {4, 12}},  {"Command12", {15, 3}},   {"Command17", {13, 0}},
        {"Command18", {6, 1}},   {"Command31", {30, 15}}, {"Command33", {19, 0}},   {"Command21", {12, 0}},
        {"Command24", {14, 10}}, {"Command25", {14, -10}}, {"Command26", {17, 10}}, {"Command27", {17, -10}},
        {"Command28", {25, 0}},  {"Command29", {26, 0}},  {"Command19", {7, 0xFFFFFF}}, {"Command32", {30, -20}},
    };
    for (const auto& [name, filter] : buttons) QTest::newRow(name) << filter.first << filter.second;
}

void Form1Test::buttonRunsItsFilter() {
    QFETCH(int, code);
    QFETCH(int, amount);
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), Patterned(7, 5));
    Window window(game);
    RestartDraws();
    window.click(QTest::currentDataTag());
    const QImage expected = Filtered(Patterned(7, 5), code, amount);
    QCOMPARE(Dump(window.working()), Dump(expected));
    QCOMPARE(Dump(window.display()), Dump(expected));
}

void Form1Test::effectsAccumulate() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), Patterned(4, 3));
    Window window(game);
    window.click("Command24");
    window.click("Command24");
    window.click("Command26");
    const QImage expected = Filtered(Brightened(Brightened(Patterned(4, 3))), 17, 10);
    QVERIFY(Dump(expected) != Dump(Patterned(4, 3)));
    QCOMPARE(Dump(window.working()), Dump(expected));
    QCOMPARE(Dump(window.display()), Dump(expected));
}

void Form1Test::effectWorksOnTheSliderResult() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), Patterned(4, 3));
    Window window(game);
    window.slider(1)->setValue(50);
    window.click("Command24");
    const QImage expected = Brightened(ChannelsScaled(Patterned(4, 3), 50, 0, 0));
    QCOMPARE(Dump(window.working()), Dump(expected));
    QCOMPARE(Dump(window.display()), Dump(expected));
    // The sliders keep their values and now scale the new display image.
    QCOMPARE(window.slider(1)->value(), 50);
    window.slider(2)->setValue(100);
    QCOMPARE(Dump(window.working()), Dump(ChannelsScaled(expected, 50, 100, 0)));
}

void Form1Test::engineFailureIsReported() {
    static constexpr effects::Preset overflowing[] = {{"Command24", "Brighter", 14, INT_MAX}};
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    Window window(game, overflowing);
    window.slider(3)->setValue(100);
    const QImage sliderResult = window.working();
    window.click("Command24");
    QCOMPARE(window.dialogs.errors, QStringList{QStringLiteral("Brighter failed: Brightness: overflow")});
    QCOMPARE(Dump(window.working()), Dump(sliderResult));
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QVERIFY(!effects::FilterBusy());
    // The window goes on working.
    window.slider(3)->setValue(0);
    QCOMPARE(Dump(window.working()), Dump(ChannelsScaled(FirstRoof(), 0, 0, 0)));
}

void Form1Test::secondEffectDuringARunIsTurnedAway() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), Patterned(5, 4));
    Window window(game);
    bool ranWhileBusy = false;
    QString displayDuringRun;
    DuringNextEffect(&window.form(), [&] {
        window.click("Command25");
        displayDuringRun = Dump(window.display());
    }, &ranWhileBusy);
    window.click("Command24");
    QVERIFY(ranWhileBusy);
    // The second click copied the untouched working view; only the first
    // effect was applied.
    QCOMPARE(displayDuringRun, Dump(Patterned(5, 4)));
    QCOMPARE(Dump(window.working()), Dump(Brightened(Patterned(5, 4))));
    QCOMPARE(Dump(window.display()), Dump(Brightened(Patterned(5, 4))));
}

void Form1Test::commandsDuringARunAreIgnored() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), Patterned(5, 4));
    game.addRoof(QStringLiteral("b.bmp"), SecondRoof());
    Window window(game);
    window.dialogs.savePathAnswer = game.roof(QStringLiteral("saved.bmp"));
    bool ranWhileBusy = false;
    DuringNextEffect(&window.form(), [&] {
        window.list()->setCurrentRow(1);
        window.click("Command1");
        window.click("Command3");
        window.slider(1)->setValue(50);
    }, &ranWhileBusy);
    window.click("Command24");
    QVERIFY(ranWhileBusy);
    QVERIFY(!window.dialogs.askedAnything());
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(window.slider(1)->value(), 0);
    QVERIFY(QFile::exists(game.roof(QStringLiteral("a.bmp"))));
    QCOMPARE(Dump(window.working()), Dump(Brightened(Patterned(5, 4))));
    QCOMPARE(Dump(window.display()), Dump(Brightened(Patterned(5, 4))));
}

void Form1Test::closeDuringARunEndsItWritingNothing() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), Patterned(5, 4));
    Window window(game);
    bool ranWhileBusy = false;
    DuringNextEffect(&window.form(), [&] { window.click("Command5"); }, &ranWhileBusy);
    window.click("Command24");
    QVERIFY(ranWhileBusy);
    QVERIFY(!window.form().isVisible());
    QVERIFY(!effects::FilterBusy());
    QCOMPARE(Dump(window.working()), Dump(Patterned(5, 4)));
    QCOMPARE(Dump(window.display()), Dump(Patterned(5, 4)));
}

void Form1Test::slidersScaleChannels_data() {
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<QImage>("roof");
    QTest::addColumn<QImage>("expected");
    QTest::newRow("red 50") << 50 << 0 << 0 << Pixels({{0x050505, 0x070707}}) << Pixels({{0x020000, 0x040000}});
    QTest::newRow("red 255") << 255 << 0 << 0 << Pixels({{0x646464, 0x636363}}) << Pixels({{0xFF0000, 0xFC0000}});
    QTest::newRow("all -30") << -30 << -30 << -30 << Pixels({{0x0A141E, 0xC8FAFF}}) << Pixels({{0x030609, 0x3C4B4D}});
    QTest::newRow("all 30") << 30 << 30 << 30 << Pixels({{0x0A141E, 0xC8FAFF}}) << Pixels({{0x030609, 0x3C4B4D}});
    QTest::newRow("all 100") << 100 << 100 << 100 << Pixels({{0x0A141E, 0xC8FAFF}}) << Pixels({{0x0A141E, 0xC8FAFF}});
}

void Form1Test::slidersScaleChannels() {
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(QImage, roof);
    QFETCH(QImage, expected);
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), roof);
    Window window(game);
    window.slider(1)->setValue(red);
    window.slider(2)->setValue(green);
    window.slider(3)->setValue(blue);
    QCOMPARE(Dump(window.working()), Dump(expected));
    QCOMPARE(Dump(window.display()), Dump(roof));
}

void Form1Test::slidersAreSetByArrowsAndReleasedThumbs() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), Pixels({{0x646464, 0xC8C8C8}}));
    Window window(game);
    QScrollBar* red = window.slider(1);
    QCOMPARE(red->minimum(), -255);
    QCOMPARE(red->maximum(), 255);
    // The lower arrow: one step.
    QTest::mouseClick(red, Qt::LeftButton, {}, QPoint(red->width() / 2, red->height() - 4));
    QCOMPARE(red->value(), 1);
    QCOMPARE(Dump(window.working()), Dump(Pixels({{0x010000, 0x020000}})));
    // Dragging changes nothing until the thumb is let go.
    red->setSliderDown(true);
    red->setSliderPosition(50);
    QCOMPARE(Dump(window.working()), Dump(Pixels({{0x010000, 0x020000}})));
    red->setSliderDown(false);
    QCOMPARE(red->value(), 50);
    QCOMPARE(Dump(window.working()), Dump(Pixels({{0x320000, 0x640000}})));
}

void Form1Test::loadingSetsSlidersBackWithoutAPass() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    game.addRoof(QStringLiteral("b.bmp"), SecondRoof());
    Window window(game);
    window.slider(1)->setValue(50);
    window.slider(3)->setValue(-20);
    window.list()->setCurrentRow(1);
    QCOMPARE(window.slider(1)->value(), 0);
    QCOMPARE(window.slider(3)->value(), 0);
    QCOMPARE(Dump(window.working()), Dump(SecondRoof()));
    QCOMPARE(Dump(window.display()), Dump(SecondRoof()));
}

void Form1Test::saveWritesTheWorkingView() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    Window window(game);
    window.slider(1)->setValue(50);
    window.dialogs.savePathAnswer = game.roof(QStringLiteral("saved.bmp"));
    window.click("Command1");
    QCOMPARE(window.dialogs.saveRequests.size(), 1);
    const ScriptedDialogs::SaveRequest& request = window.dialogs.saveRequests[0];
    QVERIFY(testing::SameFolder(request.folder, game.roofs()));
    QCOMPARE(request.filters.size(), 2);
    QCOMPARE(request.filters[0].text, QStringLiteral("Bitmaps (*.bmp)"));
    QCOMPARE(request.filters[0].patterns, QStringLiteral("*.bmp"));
    QCOMPARE(request.filters[1].text, QStringLiteral("All Files *.*)"));
    QCOMPARE(request.filters[1].patterns, QStringLiteral("*"));

    const imageio::LoadedImage saved = imageio::LoadImage(game.roof(QStringLiteral("saved.bmp")));
    QCOMPARE(Dump(saved.image), Dump(ChannelsScaled(FirstRoof(), 50, 0, 0)));
    QCOMPARE(window.list()->count(), 2);
    QCOMPARE(window.list()->item(1)->text(), QStringLiteral("saved.bmp"));
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(window.slider(1)->value(), 50);
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QVERIFY(window.dialogs.errors.isEmpty());
}

void Form1Test::cancelledSaveWritesNothing() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    Window window(game);
    window.click("Command1");
    QCOMPARE(window.dialogs.saveRequests.size(), 1);
    QVERIFY(window.dialogs.errors.isEmpty());
    QCOMPARE(RoofFileNames(game.roofs()), QStringList{QStringLiteral("a.bmp")});
}

void Form1Test::failedSaveIsReported() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    Window window(game);
    window.click("Command24");
    window.dialogs.savePathAnswer = game.roof(QStringLiteral("no such folder/saved.bmp"));
    window.click("Command1");
    QCOMPARE(window.dialogs.errors.size(), 1);
    QVERIFY2(window.dialogs.errors[0].contains(QStringLiteral("saved.bmp")), qPrintable(window.dialogs.errors[0]));
    QCOMPARE(window.list()->count(), 1);
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(Dump(window.working()), Dump(Brightened(FirstRoof())));
}

void Form1Test::deleteAnsweredYesDeletesAndLoadsTheFirstRoof() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    game.addRoof(QStringLiteral("b.bmp"), SecondRoof());
    game.addRoof(QStringLiteral("c.bmp"), Patterned(2, 2));
    Window window(game);
    window.list()->setCurrentRow(2);
    window.click("Command3");
    QCOMPARE(window.dialogs.questions,
             QStringList{QStringLiteral("Confirm File Delete: Are you sure you want to delete this file?")});
    QVERIFY(!QFile::exists(game.roof(QStringLiteral("c.bmp"))));
    QCOMPARE(window.list()->count(), 2);
    QCOMPARE(window.list()->currentRow(), 0);
    QCOMPARE(Dump(window.display()), Dump(FirstRoof()));
    QCOMPARE(Dump(window.working()), Dump(FirstRoof()));
}

void Form1Test::deleteAnsweredNoChangesNothing() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    game.addRoof(QStringLiteral("b.bmp"), SecondRoof());
    Window window(game);
    window.list()->setCurrentRow(1);
    window.click("Command24");
    window.slider(2)->setValue(50);
    window.dialogs.yesAnswer = false;
    window.click("Command3");
    QCOMPARE(window.dialogs.questions.size(), 1);
    QVERIFY(QFile::exists(game.roof(QStringLiteral("b.bmp"))));
    QCOMPARE(window.list()->currentRow(), 1);
    QCOMPARE(window.slider(2)->value(), 50);
    QCOMPARE(Dump(window.display()), Dump(Brightened(SecondRoof())));
    QCOMPARE(Dump(window.working()), Dump(ChannelsScaled(Brightened(SecondRoof()), 0, 50, 0)));
}

void Form1Test::deleteWithoutASelectionAsksNothing() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    Window window(game);
    window.list()->setCurrentRow(-1);
    window.click("Command3");
    QVERIFY(!window.dialogs.askedAnything());
    QVERIFY(QFile::exists(game.roof(QStringLiteral("a.bmp"))));
}

void Form1Test::fileThatCannotBeDeletedIsReported() {
    const GamePrefix game;
    game.addRoof(QStringLiteral("a.bmp"), FirstRoof());
    game.addRoof(QStringLiteral("b.bmp"), SecondRoof());
    Window window(game);
    window.list()->setCurrentRow(1);
    // Gone behind the window's back: the deletion fails.
    QVERIFY(QFile::remove(game.roof(QStringLiteral("b.bmp"))));
    window.click("Command3");
    QCOMPARE(window.dialogs.errors.size(), 1);
    QVERIFY2(window.dialogs.errors[0].startsWith(QStringLiteral("Cannot delete ")) &&
                 window.dialogs.errors[0].contains(QStringLiteral("b.bmp")),
             qPrintable(window.dialogs.errors[0]));
    QCOMPARE(window.list()->count(), 1);
    QCOMPARE(Dump(window.display()), Dump(SecondRoof()));
}

void Form1Test::quorvelOpensTheHomePage() {
    const GamePrefix emptyGame;
    Window window(emptyGame);
    window.click("Command2");
    QCOMPARE(window.dialogs.openedUrls, QList<QUrl>{QUrl(QString::fromLatin1(kHomePage))});
}

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::Form1Test)
#include "form1_test.moc"
