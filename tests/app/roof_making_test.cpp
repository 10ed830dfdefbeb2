// New roofs from pictures, Make Seamless, the Hue / Saturation dialog and
// the list's pictures, driven through the window.
#include "imageio.h"
#include "new_roof.h"
#include "test_window.h"

#include <QBuffer>
#include <QSpinBox>

namespace tegmora::app {
namespace {

using testing::Pixels;
using testing::Window;

QImage Solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A 45 x 30 picture whose every pixel differs, so any wrong cut shows.
QImage Photo() {
    QImage photo(45, 30, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x * 5, y * 8, (x * y) % 256));
    return photo;
}

QImage FittedReference(const QString& path, QSize size) {
    QImage picture = imageio::LoadImage(path).image, fitted(size, picture.format());
    effects::FitToSize({picture.constBits(), picture.width(), picture.height()}, imageio::BitmapOf(fitted));
    return fitted;
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

template <class Change>
QImage Changed(QImage image, Change change) {
    change(imageio::BitmapOf(image));
    return image;
}

const QImage kRoof = Solid({32, 32}, 0x336699);

}  // namespace

class RoofMakingTest : public QObject {
    Q_OBJECT
private slots:
    void newRoofFromAPicture_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("dropped");
        for (const char* format : {"png", "jpg", "webp"}) {
            QTest::addRow("%s chosen", format) << format << false;
            QTest::addRow("%s dropped", format) << format << true;
        }
    }
    void newRoofFromAPicture() {
        QFETCH(QString, format);
        QFETCH(bool, dropped);
        Window window({{"a.bmp", kRoof}});
        const QString photo = window.home.filePath("photo." + format);
        QVERIFY(Photo().save(photo));
        window.slider(1)->setValue(40);
        if (dropped) {
            window.drop({photo});
        } else {
            window.dialogs.openPathAnswer = photo;
            window.press(QKeySequence(Qt::CTRL | Qt::Key_N));
        }
        const QImage fitted = FittedReference(photo, {32, 32});
        QCOMPARE(window.working(), fitted);
        QCOMPARE(window.display(), fitted);
        QCOMPARE(window.slider(1)->value(), 0);
        window.dialogs.savePathAnswer = window.game.roof("new.bmp");
        window.click("Command1");
        QCOMPARE(window.dialogs.suggestedNames, QStringList{"photo.bmp"});
        QVERIFY(!imageio::LoadImage(window.dialogs.savePathAnswer).palettised.isNull());
        QCOMPARE(window.list()->currentName(), "new.bmp");
        window.undo();
        QCOMPARE(window.working(), testing::Scaled(kRoof, 40, 0, 0));
        window.redo();
        QCOMPARE(window.working(), fitted);
    }

    void roofSizeIsTheCommonestReadable_data() {
        QTest::addColumn<QList<QSize>>("roofs");  // an empty size: a damaged file
        QTest::addColumn<QSize>("expected");
        QTest::newRow("empty folder") << QList<QSize>{} << QSize(32, 32);
        QTest::newRow("none readable") << QList<QSize>{{}} << QSize(32, 32);
        QTest::newRow("most") << QList<QSize>{{5, 5}, {}, {6, 7}, {6, 7}} << QSize(6, 7);
        QTest::newRow("tie: first") << QList<QSize>{{6, 7}, {5, 5}, {5, 5}, {6, 7}} << QSize(6, 7);
    }
    void roofSizeIsTheCommonestReadable() {
        QFETCH(QList<QSize>, roofs);
        QFETCH(QSize, expected);
        QTemporaryDir folder;
        QStringList names;
        for (const QSize size : roofs) {
            names << QString("r%1.bmp").arg(names.size());
            QFile file(folder.filePath(names.last()));
            QVERIFY(size.isEmpty() ? file.open(QIODevice::WriteOnly) && file.write("BM") == 2
                                   : Solid(size, 0).save(&file, "BMP"));
        }
        QCOMPARE(RoofSize(folder.path(), names), expected);
    }

    // Each bad picture, dropped or chosen, says why and changes nothing.
    void badPicturesChangeNothing() {
        Window window({{"a.bmp", kRoof}});
        const QByteArray png = Encoded(Photo(), "PNG");
        QByteArray huge = Encoded(Solid({2, 2}, 0), "BMP");
        huge.replace(18, 4, QByteArray("\x00\x50\x00\x00", 4));  // 20480 wide
        const QString truncated = window.home.filePath("truncated.png"), big = window.home.filePath("big.bmp");
        for (const auto& [path, bytes] : {std::pair{truncated, png.left(png.size() / 2)}, std::pair{big, huge}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        window.dialogs.openPathAnswer = big;
        window.press(QKeySequence(Qt::CTRL | Qt::Key_N));
        window.drop({truncated});
        window.drop({window.home.path()});
        window.drop({truncated, big});
        const QStringList& errors = window.dialogs.errors;
        QCOMPARE(errors.size(), 4);
        QVERIFY2(errors[0].contains("20480 x 2 pixels"), qPrintable(errors[0]));
        QVERIFY2(errors[1].startsWith("Cannot load " + truncated), qPrintable(errors[1]));
        QVERIFY2(errors[2].contains("one image file") && errors[2].contains("is a folder"), qPrintable(errors[2]));
        QVERIFY2(errors[3].contains("one image file") && errors[3].contains("2 files"), qPrintable(errors[3]));
        QCOMPARE(window.working(), kRoof);
        window.click("Command1");
        QCOMPARE(window.dialogs.suggestedNames, QStringList{QString()});
    }

    // Closing, another roof or another picture ask first; No keeps all.
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
        QVERIFY(window.form->close());
    }

    void makeSeamlessIsOneStep() {
        const QImage roof = Photo().copy(0, 0, 9, 8);
        Window window({{"a.bmp", roof}});
        window.press(QKeySequence(Qt::CTRL | Qt::Key_T));
        const QImage seamless = Changed(roof, effects::MakeSeamless);
        QVERIFY(seamless != roof);
        QCOMPARE(window.working(), seamless);
        QCOMPARE(window.display(), seamless);
        window.undo();
        QCOMPARE(window.working(), roof);
    }

    // Every change shows at once, worked out from the picture as it was;
    // OK is one step, Cancel and Esc bring the picture back.
    void hueSaturationDialog() {
        const QImage roof = Photo().copy(0, 0, 6, 5);
        Window window({{"a.bmp", roof}});
        const auto adjusted = [&roof](effects::HueSaturationLightness amounts) {
            return Changed(roof, [&amounts](effects::Bitmap bitmap) {
                effects::AdjustHueSaturationLightness(bitmap, amounts);
            });
        };
        for (const bool viaCancelButton : {true, false}) {
            window.press(QKeySequence(Qt::CTRL | Qt::Key_U));
            HueSaturationDialog* dialog = window.hueDialog();
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->focusWidget(), dialog->findChild<QSpinBox*>("Hue"));
            QTest::keyClicks(dialog->focusWidget(), "\b120");
            QCOMPARE(window.working(), adjusted({120, 0, 0}));
            if (viaCancelButton)
                dialog->reject();
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
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
        QVERIFY(window.hueDialog() == nullptr);
        QCOMPARE(window.display(), adjusted({0, -30, 10, true}));
        window.undo();
        QCOMPARE(window.working(), roof);
    }

    // A one-colour roof's icon keeps its colour; an unreadable file shows
    // the marker; a saved roof's entry follows.
    void listShowsPictures() {
        Window window({{"a.bmp", kRoof}, {"b.bmp", Pixels({{0x102030, 0x405060}})}});
        QFile broken(window.game.roof("c.bmp"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("BM", 2) == 2);
        broken.close();
        RoofList* list = window.list();
        list->reread();
        const auto icon = [list](int row) { return list->item(row)->icon().pixmap(kRoofIconSize).toImage(); };
        QTRY_COMPARE(list->picturesPending(), 0);
        QCOMPARE(list->iconSize(), kRoofIconSize);
        QVERIFY(list->visualItemRect(list->item(0)).height() * 8 <= list->viewport()->height());
        QCOMPARE(icon(0).convertToFormat(QImage::Format_RGB32), Solid(kRoofIconSize, 0x336699));
        // b's middle, from half of each pixel, enlarged without smoothing.
        QCOMPARE(icon(1).copy(7, 0, 2, 1).convertToFormat(QImage::Format_RGB32), Pixels({{0x102030, 0x405060}}));
        QCOMPARE(icon(2).convertToFormat(QImage::Format_RGB32), UnreadableRoofMarker());
        window.dialogs.savePathAnswer = window.game.roof("b.bmp");
        window.click("Command1");
        QTRY_COMPARE(icon(1).convertToFormat(QImage::Format_RGB32), Solid(kRoofIconSize, 0x336699));
    }
};

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::RoofMakingTest)
#include "roof_making_test.moc"
