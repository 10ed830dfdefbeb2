// Thousands of random actions on the window over the demo roofs: effect
// buttons, sliders, list entries, Save, Delete, undo, redo and the preview,
// some of them while an effect runs. Nothing may crash or leak (the
// sanitizer build checks), the engine is idle at the end, and every saved
// file is a bitmap holding what the working view held when it was saved.
//
// TEGMORA_STRESS_ACTIONS sets the number of actions.
#include "imageio.h"
#include "test_window.h"

#include <QSet>

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

// Plays random actions on a window and checks what each one leaves behind.
class Player {
public:
    explicit Player(Window& window) : window_(window) {}

    // One action now; some of them queue further actions that arrive while
    // the next effect runs.
    void play() {
        switch (pick(0, 12)) {
            case 0: case 1: case 2: clickEffect(); break;
            case 3: case 4: moveSlider(); break;
            case 5: chooseEntry(); break;
            case 6: save(); break;
            case 7: deleteChosen(); break;
            case 8: window_.undo(); break;
            case 9: window_.redo(); break;
            case 10: togglePreview(); break;
            default: clickDuringAnEffect(); break;
        }
    }

    QSet<QString> saved;
    int playedWhileBusy = 0;
    int checkedSaves = 0;

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    void clickEffect() {
        const auto presets = effects::Presets();
        const effects::Preset& preset =
            presets[static_cast<std::size_t>(pick(0, static_cast<int>(presets.size()) - 1))];
        window_.child<QPushButton>(QStringOf(preset.control))->click();
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
        const qsizetype requests = window_.dialogs.saveFolders.size();
        const qsizetype errors = window_.dialogs.errors.size();
        window_.click("Command1");
        if (path.isEmpty() || window_.dialogs.saveFolders.size() == requests) return;
        QCOMPARE(window_.dialogs.errors.size(), errors);
        saved.insert(path);
        if (effects::FilterBusy()) return;
        const imageio::LoadedImage loaded = imageio::LoadImage(path);
        QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
        QCOMPARE(testing::Dump(loaded.image), testing::Dump(window_.working()));
        ++checkedSaves;
    }

    void deleteChosen() {
        window_.dialogs.yesAnswers = {pick(0, 1) == 1};
        window_.click("Command3");
    }

    // A double click on either view opens or raises the preview; now and
    // then it is resized or closed.
    void togglePreview() {
        window_.doubleClick(pick(0, 1) == 0 ? "Picture1" : "Picture3");
        TilePreview* preview = Window::previews().value(0);
        QVERIFY(preview != nullptr && preview->isVisible());
        if (pick(0, 1) == 0) preview->resize(pick(1, 800), pick(1, 800));
        if (pick(0, 2) == 0) preview->close();
    }

    // Queues a few actions, which the next effect's first yield plays.
    void clickDuringAnEffect() {
        const int count = pick(1, 3);
        QMetaObject::invokeMethod(
            &window_.form(),
            [this, count] {
                if (effects::FilterBusy()) ++playedWhileBusy;
                for (int i = 0; i < count; ++i) play();
            },
            Qt::QueuedConnection);
        clickEffect();
    }

    Window& window_;
    std::mt19937 random_{kSeed};
};

}  // namespace

class WindowStressTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    void randomActionsOnTheDemoRoofs();
};

void WindowStressTest::randomActionsOnTheDemoRoofs() {
    Window window([](const testing::GamePrefix& game) {
        demo::WriteDemoRoofs(game.roofs().toStdString());
    });
    QCOMPARE(window.list()->count(), 6);
    Player player(window);
    const int actions = ActionCount();
    for (int i = 0; i < actions && !QTest::currentTestFailed(); ++i) {
        player.play();
        QCOMPARE(window.working().size(), window.display().size());
    }
    // Actions still queued arrive now.
    QCoreApplication::processEvents();

    QVERIFY(!effects::FilterBusy());
    QVERIFY2(player.playedWhileBusy > 0, "no action arrived while an effect ran");
    QVERIFY2(player.checkedSaves > 0, "no save was checked");
    // The damaged demo roof is the only file that may fail.
    for (const QString& error : window.dialogs.errors)
        QVERIFY2(error.contains(QStringOf(demo::kDamagedRoof)), qPrintable(error));
    for (const QString& path : player.saved) {
        const imageio::LoadedImage loaded = imageio::LoadImage(path);
        QVERIFY2(loaded.error.isEmpty() || !QFile::exists(path), qPrintable(loaded.error));
    }
}

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::WindowStressTest)
#include "window_stress_test.moc"
