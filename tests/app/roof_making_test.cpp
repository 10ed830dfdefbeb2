// New roofs from pictures, Make Seamless, the Hue / Saturation dialog and
// the list's pictures, driven through the window.
#include "imageio.h"
#include "new_roof.h"
#include "test_window.h"

#include <QSpinBox>

namespace tegmora::app {
namespace {

using testing::Window;

QImage Solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A 45 x 30 picture whose every pixel differs, so any wrong cut shows.
QImage Photo() {
    QImage photo(45, 30, QImage::Format_RGB32);
    for (int i = 0; i < 45 * 30; ++i) photo.setPixel(i % 45, i / 45, qRgb(i % 45 * 5, i / 45 * 8, i % 256));
    return photo;
}

// The engine's operation on a copy of `image`.
template <class Operation, class... Amounts>
QImage Changed(QImage image, Operation operation, Amounts... amounts) {
    operation(imageio::BitmapOf(image), amounts...);
    return image;
}

void Write(const QString& path, const QByteArray& bytes, qint64 at = 0) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(at) && file.write(bytes) == bytes.size());
}

const QImage kRoof = Solid({32, 32}, 0x336699);

}  // namespace

class RoofMakingTest : public QObject {
    Q_OBJECT
private slots:
    void newRoofFromAPicture_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("dropped");
        for (const char* format : {"png", "jpg", "webp"})
            for (const bool dropped : {false, true})
                QTest::addRow("%s %d", format, dropped) << format << dropped;
    }
    void newRoofFromAPicture() {
        QFETCH(QString, format);
        QFETCH(bool, dropped);
        Window window({{"a.bmp", kRoof}});
        const QString photo = window.home.filePath("photo." + format);
        QVERIFY(Photo().save(photo));
        window.slider(1)->setValue(40);
        window.dialogs.openPathAnswer = photo;
        dropped ? window.drop({photo}) : window.press(QKeySequence(Qt::CTRL | Qt::Key_N));
        // Fitted from the picture as decoded, which for JPEG is not Photo().
        const QImage decoded = imageio::LoadImage(photo).image;
        QImage fitted(32, 32, decoded.format());
        effects::FitToSize({decoded.constBits(), 45, 30}, imageio::BitmapOf(fitted));
        QCOMPARE(window.working(), fitted);
        QCOMPARE(window.display(), fitted);
        QCOMPARE(window.slider(1)->value(), 0);
        window.dialogs.savePathAnswer = window.game.roof("new.bmp");
        window.click("saveButton");
        QCOMPARE(window.dialogs.suggestedNames, QStringList{"photo.bmp"});
        QVERIFY(!imageio::LoadImage(window.dialogs.savePathAnswer).palettised.isNull());
        QCOMPARE(window.list()->currentName(), "new.bmp");
        window.undo();
        QCOMPARE(window.working(), testing::Scaled(kRoof, 40, 0, 0));
        window.redo();
        // Make Seamless: one step, the display view following.
        window.press(QKeySequence(Qt::CTRL | Qt::Key_T));
        QCOMPARE(window.display(), Changed(fitted, effects::MakeSeamless));
        window.undo();
        QCOMPARE(window.working(), fitted);
    }

    void roofSizeIsTheCommonestReadable() {
        struct Case {
            QList<QSize> roofs;  // an empty size: a damaged file
            QSize expected;
        };
        for (const auto& [roofs, expected] : {Case{{}, {32, 32}}, Case{{{}}, {32, 32}},
                                              Case{{{5, 5}, {}, {6, 7}, {6, 7}}, {6, 7}},
                                              Case{{{6, 7}, {5, 5}, {5, 5}, {6, 7}}, {6, 7}}}) {
            QTemporaryDir folder;
            QStringList names;
            for (const QSize size : roofs) {
                const QString path = folder.filePath(names.emplace_back(QString("r%1.bmp").arg(names.size())));
                size.isEmpty() ? Write(path, "BM") : void(Solid(size, 0).save(path));
            }
            QCOMPARE(RoofSize(folder.path(), names), expected);
        }
    }

    // Each bad picture, dropped or chosen, says why and changes nothing.
    void badPicturesChangeNothing() {
        Window window({{"a.bmp", kRoof}});
        const QString truncated = window.home.filePath("cut.png"), huge = window.home.filePath("huge.bmp");
        QVERIFY(Photo().save(truncated) && QFile::resize(truncated, QFileInfo(truncated).size() / 2));
        QVERIFY(Solid({2, 2}, 0).save(huge));
        Write(huge, QByteArray("\x00\x50", 2), 18);  // 20480 wide
        window.dialogs.openPathAnswer = huge;
        window.press(QKeySequence(Qt::CTRL | Qt::Key_N));
        window.drop({truncated});
        window.drop({window.home.path()});
        window.drop({truncated, huge});
        const QStringList expected{"20480 x 2 pixels", "Cannot load " + truncated, "is a folder", "2 files"};
        QCOMPARE(window.dialogs.errors.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(window.dialogs.errors[i].contains(expected[i]), qPrintable(window.dialogs.errors[i]));
        QCOMPARE(window.working(), kRoof);
    }

    // Another roof, another picture or closing ask first; No keeps all.
    void anUnsavedNewRoofIsAskedAbout() {
        Window window({{"a.bmp", kRoof}, {"b.bmp", Solid({4, 4}, 0xFF0000)}});
        const QString photo = window.home.filePath("photo.png");
        QVERIFY(Photo().save(photo));
        window.drop({photo});
        const QImage fitted = window.working();
        window.dialogs.yesAnswers = {false, false, false, true};
        window.list()->setCurrentRow(1);
        window.drop({photo});
        QVERIFY(!window.form->close());
        QCOMPARE(window.working(), fitted);
        QCOMPARE(window.list()->currentName(), "a.bmp");
        window.list()->setCurrentRow(1);
        QCOMPARE(window.working(), Solid({4, 4}, 0xFF0000));
        QCOMPARE(window.dialogs.questions.size(), 4);
        QVERIFY(window.dialogs.questions[0].contains("photo.bmp is not saved"));
    }

    // Every change shows at once, worked out from the picture as it was;
    // OK (Enter) is one step, Cancel and Esc bring the picture back.
    void hueSaturationDialog() {
        const QImage roof = Photo().copy(0, 0, 6, 5);
        Window window({{"a.bmp", roof}});
        const auto adjusted = [&roof](effects::HueSaturationLightness amounts) {
            return Changed(roof, effects::AdjustHueSaturationLightness, amounts);
        };
        for (const bool escape : {false, true}) {
            window.press(QKeySequence(Qt::CTRL | Qt::Key_U));
            HueSaturationDialog* dialog = window.hueDialog();
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->focusWidget(), dialog->findChild<QSpinBox*>("Hue"));
            QTest::keyClicks(dialog->focusWidget(), "\b120");
            QCOMPARE(window.working(), adjusted({120, 0, 0}));
            escape ? QTest::keyClick(dialog, Qt::Key_Escape) : dialog->reject();
            QCOMPARE(window.working(), roof);
        }
        window.press(QKeySequence(Qt::CTRL | Qt::Key_U));
        HueSaturationDialog* dialog = window.hueDialog();
        dialog->findChild<QSpinBox*>("Saturation")->setValue(-30);
        QApplication::setActiveWindow(dialog);  // as the desktop makes it
        QTest::keyClick(dialog, Qt::Key_L, Qt::AltModifier);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_PageUp);
        QTest::keyClick(dialog, Qt::Key_O, Qt::AltModifier);
        QTRY_COMPARE(window.working(), adjusted({0, -30, 10, true}));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QCOMPARE(window.display(), adjusted({0, -30, 10, true}));
        window.undo();
        QCOMPARE(window.working(), roof);
    }

    // A one-colour roof's icon keeps its colour; an unreadable file shows
    // the marker; a saved roof's entry follows.
    void listShowsPictures() {
        Window window({{"a.bmp", kRoof}, {"b.bmp", testing::Pixels({{0x102030, 0x405060}})}});
        Write(window.game.roof("c.bmp"), "BM");
        RoofList* list = window.list();
        list->reread();
        const auto icon = [list](int row) {
            return list->item(row)->icon().pixmap(kRoofIconSize).toImage().convertToFormat(QImage::Format_RGB32);
        };
        QTRY_COMPARE(list->picturesPending(), 0);
        QCOMPARE(list->iconSize(), kRoofIconSize);
        QVERIFY(list->visualItemRect(list->item(0)).height() * 8 <= list->viewport()->height());
        QCOMPARE(icon(0), Solid(kRoofIconSize, 0x336699));
        // b's middle, from half of each pixel, enlarged without smoothing.
        QCOMPARE(icon(1).copy(7, 0, 2, 1), testing::Pixels({{0x102030, 0x405060}}));
        QCOMPARE(icon(2), UnreadableRoofMarker());
        window.dialogs.savePathAnswer = window.game.roof("b.bmp");
        window.click("saveButton");
        QTRY_COMPARE(icon(1), Solid(kRoofIconSize, 0x336699));
    }
};

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::RoofMakingTest)
#include "roof_making_test.moc"
