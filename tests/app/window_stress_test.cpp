// Thousands of random actions on the window over the demo roofs: effect
// buttons, sliders, list entries, Save, Delete, undo, redo, the preview,
// Make Seamless, the Hue / Saturation dialog and new roofs from pictures,
// some of them while an effect runs, while the list's pictures come in. Nothing may crash or leak (the
// sanitizer build checks), the engine is idle at the end, and a save made
// outside an effect holds what the working view held.
//
// TEGMORA_STRESS_ACTIONS sets the number of actions.
#include "imageio.h"
#include "test_window.h"

#include <QSpinBox>

#include <random>

namespace tegmora::app {
namespace {

using testing::Window;

class Player {
public:
    // The pictures for new roofs: demo roofs stretched and saved as photos.
    explicit Player(Window& window) : window_(window) {
        for (const char* name : {"photo.png", "photo.jpg", "photo.webp"})
            QVERIFY(QImage(window.list()->pathAt(pick(0, 3))).scaled(pick(1, 90), pick(1, 90))
                        .save(pictures_.emplace_back(window.home.filePath(name))));
    }

    // One action now; some of them queue further actions that arrive while
    // the next effect runs.
    void play() {
        RoofList* list = window_.list();
        switch (pick(0, 15)) {
            case 0: case 1: case 2: clickEffect(); break;
            case 3: case 4: window_.slider(pick(1, 3))->setValue(pick(-255, 255)); break;
            case 5:  // a click on an entry, which reloads the shown one
                if (QListWidgetItem* item = list->item(pick(0, std::max(0, list->count() - 1)))) {
                    list->scrollToItem(item);
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                      list->visualItemRect(item).center());
                }
                break;
            case 6: save(); break;
            case 7: window_.dialogs.yesAnswers = {pick(0, 1) == 1}, window_.click("deleteButton"); break;
            case 8: window_.undo(); break;
            case 9: window_.redo(); break;
            case 10: togglePreview(); break;
            case 11: window_.press(QKeySequence(Qt::CTRL | Qt::Key_T)); break;
            case 12: adjustHueSaturation(); break;
            case 13: newRoof(); break;
            default:
                window_.duringNextEffect([this, count = pick(1, 3)] {
                    for (int i = 0; i < count; ++i) play();
                });
                clickEffect();
        }
    }

    int checkedSaves = 0;

private:
    static qsizetype Colours(const QImage& image) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        return QSet<QRgb>(pixels, pixels + image.width() * image.height()).size();
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    void clickEffect() {
        const auto presets = effects::Presets();
        window_.click(EffectButtonName(presets[pick(0, static_cast<int>(presets.size()) - 1)]));
    }

    // Saves under one of a few names, or cancels.
    void save() {
        const int name = pick(0, 4);
        window_.dialogs.savePathAnswer = name == 4 ? QString() : window_.game.roof(QString("s%1.bmp").arg(name));
        window_.click("saveButton");
        if (name == 4 || window_.form->effectRunning()) return;
        const imageio::LoadedImage saved = imageio::LoadImage(window_.dialogs.savePathAnswer);
        // An 8-bit roof of more than 256 colours is reduced on the way out.
        QVERIFY2(saved.error.isEmpty(), qPrintable(saved.error));
        if (!saved.palettised.isNull() && Colours(window_.working()) > 256) return;
        QCOMPARE(saved.image, window_.working());
        ++checkedSaves;
    }

    // Opens the dialog, moves some of it and leaves by Enter or Esc.
    void adjustHueSaturation() {
        window_.press(QKeySequence(Qt::CTRL | Qt::Key_U));
        HueSaturationDialog* dialog = window_.hueDialog();
        if (dialog == nullptr) return;  // refused while an effect runs
        const QImage before = window_.working();
        for (const char* amount : {"Hue", "Saturation", "Lightness"})
            dialog->findChild<QSpinBox*>(amount)->setValue(pick(-180, 180));
        const bool cancel = pick(0, 1) == 0;
        QTest::keyClick(dialog, cancel ? Qt::Key_Escape : Qt::Key_Return);
        QVERIFY(window_.hueDialog() == nullptr);
        if (cancel) QCOMPARE(window_.working(), before);
    }

    // A picture dropped or chosen, discarding an unsaved new roof or not.
    void newRoof() {
        window_.dialogs.yesAnswers = {pick(0, 1) == 1};
        window_.dialogs.openPathAnswer = pictures_[pick(0, 2)];
        pick(0, 1) == 0 ? window_.drop({window_.dialogs.openPathAnswer})
                        : window_.press(QKeySequence(Qt::CTRL | Qt::Key_N));
    }

    // A double click on either view opens or raises the preview; now and
    // then it is resized or closed.
    void togglePreview() {
        window_.doubleClick(pick(0, 1) == 0 ? "displayView" : "workingView");
        TilePreview* preview = Window::previews().value(0);
        QVERIFY(preview != nullptr && preview->isVisible());
        if (pick(0, 1) == 0) preview->resize(pick(1, 800), pick(1, 800));
        if (pick(0, 2) == 0) preview->close();
    }

    Window& window_;
    std::mt19937 random_{1998};
    QStringList pictures_;
};

}  // namespace

class WindowStressTest : public QObject {
    Q_OBJECT
private slots:
    void randomActionsOnTheDemoRoofs() {
        Window window;
        QCOMPARE(window.list()->count(), 6);
        Player player(window);
        const int actions = qEnvironmentVariableIntValue("TEGMORA_STRESS_ACTIONS");
        for (int i = actions > 0 ? actions : 5000; i > 0 && !QTest::currentTestFailed(); --i) {
            player.play();
            QCOMPARE(window.working().size(), window.display().size());
        }
        QCoreApplication::processEvents();  // actions still queued arrive now
        QVERIFY(!window.form->effectRunning());
        QVERIFY2(window.ranWhileBusy > 0, "no action arrived while an effect ran");
        QVERIFY2(player.checkedSaves > 0, "no save was checked");
        QTRY_COMPARE(window.list()->picturesPending(), 0);
        for (int row = 0; row < window.list()->count(); ++row)
            QVERIFY(!window.list()->item(row)->icon().isNull());
        // The damaged demo roof is the only file that may fail.
        for (const QString& error : window.dialogs.errors)
            QVERIFY2(error.contains(QStringOf(demo::kDamagedRoof)), qPrintable(error));
    }
};

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::WindowStressTest)
#include "window_stress_test.moc"
