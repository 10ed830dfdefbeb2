// Thousands of random clicks on the window over the demo roofs: effect
// buttons, sliders, list entries, Save and Delete, some of them while an
// effect runs. Nothing may crash or leak (the sanitizer build checks), the
// engine is idle at the end, and every saved file is a bitmap holding what
// the working view held when it was saved.
//
// TEGMORA_STRESS_ACTIONS sets the number of actions.
#include "app_test_support.h"
#include "demo_prefix.h"
#include "effects.h"
#include "imageio.h"
#include "test_window.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <random>

namespace tegmora::app {
namespace {

using testing::Window;

constexpr int kDefaultActions = 5000;
constexpr std::mt19937::result_type kSeed = 1998;

int ActionCount() {
    bool given = false;
    const int count = qEnvironmentVariableIntValue("TEGMORA_STRESS_ACTIONS", &given);
    return given && count > 0 ? count : kDefaultActions;
}

QImage Opaque(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

// Plays random actions on a window and checks what each one leaves behind.
class Player {
public:
    explicit Player(Window& window) : window_(window) {}

    // One action now; some of them queue further actions that arrive while
    // the next effect runs.
    void play() {
        switch (pick(0, 9)) {
            case 0: case 1: case 2: clickEffect(); break;
            case 3: case 4: moveSlider(); break;
            case 5: case 6: chooseEntry(); break;
            case 7: save(); break;
            case 8: deleteChosen(); break;
            case 9: clickDuringAnEffect(); break;
        }
    }

    const QSet<QString>& saved() const { return saved_; }
    int playedWhileBusy() const { return playedWhileBusy_; }
    int checkedSaves() const { return checkedSaves_; }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    void clickEffect() {
        const auto presets = effects::Presets();
        const effects::Preset& preset =
            presets[static_cast<std::size_t>(pick(0, static_cast<int>(presets.size()) - 1))];
        window_.child<QPushButton>(EffectButtonName(preset))->click();
    }

    void moveSlider() { window_.slider(pick(1, 3))->setValue(pick(-255, 255)); }

    // A click on an entry, which reloads it when it is the shown one.
    void chooseEntry() {
        RoofList* list = window_.list();
        if (list->count() == 0) return;
        QListWidgetItem* item = list->item(pick(0, list->count() - 1));
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }

    // Saves under one of a few names, or cancels; a save made outside an
    // effect must hold the working view.
    void save() {
        const int name = pick(0, 4);
        const QString path =
            name == 4 ? QString() : window_.game.roof(QStringLiteral("stress_%1.bmp").arg(name));
        window_.dialogs.savePathAnswer = path;
        const qsizetype requests = window_.dialogs.saveRequests.size();
        const qsizetype errors = window_.dialogs.errors.size();
        window_.click("Command1");
        if (path.isEmpty() || window_.dialogs.saveRequests.size() == requests) return;
        QCOMPARE(window_.dialogs.errors.size(), errors);
        saved_.insert(path);
        if (effects::FilterBusy()) return;
        const imageio::LoadedImage loaded = imageio::LoadImage(path);
        QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
        QVERIFY(Opaque(loaded.image) == Opaque(window_.working()));
        ++checkedSaves_;
    }

    void deleteChosen() {
        window_.dialogs.yesAnswer = pick(0, 1) == 1;
        window_.click("Command3");
    }

    // Queues a few actions, which the next effect's first yield plays.
    void clickDuringAnEffect() {
        const int count = pick(1, 3);
        QMetaObject::invokeMethod(
            &window_.form(),
            [this, count] {
                if (effects::FilterBusy()) ++playedWhileBusy_;
                for (int i = 0; i < count; ++i) play();
            },
            Qt::QueuedConnection);
        clickEffect();
    }

    Window& window_;
    std::mt19937 random_{kSeed};
    QSet<QString> saved_;
    int playedWhileBusy_ = 0;
    int checkedSaves_ = 0;
};

// Bits per pixel from a bitmap file's info header, or -1 for no bitmap.
int BitmapDepth(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray header = file.read(30);
    if (header.size() < 30 || !header.startsWith("BM")) return -1;
    return static_cast<unsigned char>(header[28]) | static_cast<unsigned char>(header[29]) << 8;
}

}  // namespace

class WindowStressTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    void effectClicksDuringARunAreTurnedAway();
    void randomClicksOnTheDemoRoofs();
};

void WindowStressTest::effectClicksDuringARunAreTurnedAway() {
    Window window({{"a.bmp", testing::Pixels({{0x0A141E, 0x646464}, {0x000000, 0xC8C8C8}})}});
    const auto ranWhileBusy = window.duringNextEffect([&window] {
        window.click("Command24");
        window.click("Command26");
        window.click("Command25");
    });
    window.click("Command24");
    QVERIFY(*ranWhileBusy);
    // Only the first "Brighter" applies: each channel times 1.1, rounded.
    const QImage brighter = testing::Pixels({{0x0B1621, 0x6E6E6E}, {0x000000, 0xDCDCDC}});
    QCOMPARE(testing::Dump(window.working()), testing::Dump(brighter));
    QCOMPARE(testing::Dump(window.display()), testing::Dump(brighter));
    QVERIFY(!effects::FilterBusy());
}

void WindowStressTest::randomClicksOnTheDemoRoofs() {
    Window window([](const testing::GamePrefix& game) {
        demo::WriteDemoRoofs(game.roofs().toStdString());
    });
    Player player(window);
    const int actions = ActionCount();
    for (int i = 0; i < actions && !QTest::currentTestFailed(); ++i) {
        player.play();
        QCOMPARE(window.working().size(), window.display().size());
    }
    // Actions still queued arrive now.
    QCoreApplication::processEvents();

    QVERIFY(!effects::FilterBusy());
    QVERIFY2(player.playedWhileBusy() > 0, "no action arrived while an effect ran");
    QVERIFY2(player.checkedSaves() > 0, "no save was checked");
    // The damaged demo roof is the only file that may fail.
    for (const QString& error : window.dialogs.errors)
        QVERIFY2(error.contains(QStringOf(demo::kDamagedRoof)), qPrintable(error));
    for (const QString& path : player.saved()) {
        if (!QFile::exists(path)) continue;
        QCOMPARE(BitmapDepth(path), 24);
        const imageio::LoadedImage loaded = imageio::LoadImage(path);
        QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
    }
}

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::WindowStressTest)
#include "window_stress_test.moc"
