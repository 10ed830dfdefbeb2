#include "../support/hostile_files.h"
#include "app_test_support.h"
#include "effects.h"
#include "imageio.h"
#include "test_window.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

namespace tegmora::app {
namespace {

using testing::Dump;
using testing::Pixels;
using testing::Window;

// Roofs whose "Brighter" result is worked out by hand: each channel times
// 1.1, rounded.
QImage PlainRoof() { return Pixels({{0x0A141E, 0x646464}, {0x000000, 0xC8C8C8}}); }
QImage PlainRoofBrighter() { return Pixels({{0x0B1621, 0x6E6E6E}, {0x000000, 0xDCDCDC}}); }
QImage OtherRoof() { return Pixels({{0x1E1E1E}, {0x28323C}}); }

// A failed command leaves the views as they were and the window working:
// "Brighter" still runs and the engine is idle afterwards.
void ExpectShowsAndGoesOn(Window& window, const QImage& shown, const QImage& afterBrighter) {
    QCOMPARE(Dump(window.display()), Dump(shown));
    QCOMPARE(Dump(window.working()), Dump(shown));
    window.click("Command24");
    QCOMPARE(Dump(window.working()), Dump(afterBrighter));
    QCOMPARE(Dump(window.display()), Dump(afterBrighter));
    QVERIFY(!effects::FilterBusy());
}

// A single message naming `path` and containing `reason`.
void ExpectOneError(const Window& window, const QString& path, const QString& reason) {
    QCOMPARE(window.dialogs.errors.size(), 1);
    const QString& error = window.dialogs.errors[0];
    QVERIFY2(error.contains(path) && error.contains(reason), qPrintable(error));
}

}  // namespace

class FileFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    void hugeRoofIsRefusedWithItsSizeAndTheLimit();
    void roofGoneBadAfterListingIsReported_data();
    void roofGoneBadAfterListingIsReported();
    void roofReplacedAfterListingLoadsAsItIsNow();
    void unreadableRoofIsReported();
    void roofsFolderRemovedWhileOpen();
    void readOnlyFolderKeepsItsFiles();
    void readOnlyRoofIsNotSavedOver();
    void lockedRoofLoadsSavesAndDeletesAsUsual();
    void fullDiskKeepsTheFileSavedOver();
    void saveOntoWhatIsNoFileIsRefused_data();
    void saveOntoWhatIsNoFileIsRefused();
};

void FileFaultsTest::hugeRoofIsRefusedWithItsSizeAndTheLimit() {
    Window window({{"a.bmp", PlainRoof()}});
    const QString huge = window.game.roof(QStringLiteral("huge.bmp"));
    QVERIFY(hostile::WriteFile(huge, hostile::BitmapHeaderClaiming(60000, 60000)));
    window.list()->reread();
    window.list()->setCurrentRow(1);
    QCOMPARE(window.dialogs.errors,
             QStringList{QStringLiteral("Cannot load %1: the image is 60000 x 60000 pixels, "
                                        "larger than the limit of 16384 x 16384")
                             .arg(huge)});
    ExpectShowsAndGoesOn(window, PlainRoof(), PlainRoofBrighter());
}

void FileFaultsTest::roofGoneBadAfterListingIsReported_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("reason");
    QTest::newRow("deleted") << "delete" << "No such file or directory";
    QTest::newRow("cut short") << "truncate" << "Cannot load";
    QTest::newRow("a folder now") << "folder" << "directory";
}

void FileFaultsTest::roofGoneBadAfterListingIsReported() {
    QFETCH(QString, change);
    QFETCH(QString, reason);
    Window window({{"a.bmp", PlainRoof()}, {"b.bmp", OtherRoof()}});
    const QString roof = window.game.roof(QStringLiteral("b.bmp"));
    QVERIFY(QFile::remove(roof));
    if (change == QLatin1String("truncate")) QVERIFY(hostile::WriteFile(roof, "BM\x10"));
    if (change == QLatin1String("folder")) QVERIFY(QDir().mkdir(roof));
    window.list()->setCurrentRow(1);
    ExpectOneError(window, roof, reason);
    ExpectShowsAndGoesOn(window, PlainRoof(), PlainRoofBrighter());
}

void FileFaultsTest::roofReplacedAfterListingLoadsAsItIsNow() {
    Window window({{"a.bmp", OtherRoof()}, {"b.bmp", OtherRoof()}});
    QVERIFY(QFile::remove(window.game.roof(QStringLiteral("b.bmp"))));
    window.game.addRoof(QStringLiteral("b.bmp"), PlainRoof());
    window.list()->setCurrentRow(1);
    QVERIFY(window.dialogs.errors.isEmpty());
    ExpectShowsAndGoesOn(window, PlainRoof(), PlainRoofBrighter());
}

void FileFaultsTest::unreadableRoofIsReported() {
    Window window({{"a.bmp", PlainRoof()}, {"b.bmp", OtherRoof()}, {"c.bmp", PlainRoof()}});
    const QString roof = window.game.roof(QStringLiteral("b.bmp"));
    QVERIFY(hostile::SetMode(roof, 0));
    {
        const hostile::Unprivileged unprivileged(QStringOfPath(window.game.prefix()));
        if (!unprivileged.problem().isEmpty()) QSKIP(qPrintable(unprivileged.problem()));
        window.list()->setCurrentRow(1);
        ExpectOneError(window, roof, QStringLiteral("Permission denied"));
        // Readable roofs still load.
        window.list()->setCurrentRow(2);
    }
    QCOMPARE(window.dialogs.errors.size(), 1);
    ExpectShowsAndGoesOn(window, PlainRoof(), PlainRoofBrighter());
}

void FileFaultsTest::roofsFolderRemovedWhileOpen() {
    Window window({{"a.bmp", PlainRoof()}, {"b.bmp", OtherRoof()}});
    const QString roofs = window.game.roofs();
    QVERIFY(QDir(roofs).removeRecursively());

    window.list()->setCurrentRow(1);
    ExpectOneError(window, window.game.roof(QStringLiteral("b.bmp")),
                   QStringLiteral("No such file or directory"));

    window.dialogs.savePathAnswer = window.game.roof(QStringLiteral("saved.bmp"));
    window.click("Command1");
    QCOMPARE(window.dialogs.saveRequests.size(), 1);
    QCOMPARE(window.dialogs.errors.size(), 2);
    QVERIFY2(window.dialogs.errors[1].startsWith(QStringLiteral("Cannot write ")),
             qPrintable(window.dialogs.errors[1]));

    window.click("Command3");
    QCOMPARE(window.dialogs.errors.size(), 3);
    QVERIFY2(window.dialogs.errors[2].startsWith(QStringLiteral("Cannot delete ")),
             qPrintable(window.dialogs.errors[2]));
    QCOMPARE(window.list()->count(), 0);
    QVERIFY(!QFileInfo::exists(roofs));

    window.slider(2)->setValue(100);
    QCOMPARE(Dump(window.working()), Dump(Pixels({{0x001400, 0x006400}, {0x000000, 0x00C800}})));
    window.click("Command3");
    QCOMPARE(window.dialogs.errors.size(), 3);
}

void FileFaultsTest::readOnlyFolderKeepsItsFiles() {
    Window window({{"a.bmp", PlainRoof()}, {"b.bmp", OtherRoof()}});
    const QString roofs = window.game.roofs();
    const QString kept = window.game.roof(QStringLiteral("b.bmp"));
    const QByteArray keptBytes = hostile::FileBytes(kept);
    QVERIFY(hostile::SetMode(roofs, 0555));
    {
        const hostile::Unprivileged unprivileged(QStringOfPath(window.game.prefix()));
        if (!unprivileged.problem().isEmpty()) QSKIP(qPrintable(unprivileged.problem()));
        for (const QString& target : {window.game.roof(QStringLiteral("new.bmp")), kept}) {
            window.dialogs.savePathAnswer = target;
            window.click("Command1");
        }
        window.click("Command3");
    }
    QVERIFY(hostile::SetMode(roofs, 0755));
    QCOMPARE(window.dialogs.errors.size(), 3);
    QVERIFY2(window.dialogs.errors[0].startsWith(QStringLiteral("Cannot write ")) &&
                 window.dialogs.errors[0].contains(QStringLiteral("new.bmp")),
             qPrintable(window.dialogs.errors[0]));
    QVERIFY2(window.dialogs.errors[1].startsWith(QStringLiteral("Cannot write ")) &&
                 window.dialogs.errors[1].contains(kept),
             qPrintable(window.dialogs.errors[1]));
    QVERIFY2(window.dialogs.errors[2].startsWith(QStringLiteral("Cannot delete ")) &&
                 window.dialogs.errors[2].contains(QStringLiteral("a.bmp")),
             qPrintable(window.dialogs.errors[2]));
    QCOMPARE(hostile::EntriesIn(roofs), QStringList({"a.bmp", "b.bmp"}));
    QCOMPARE(hostile::FileBytes(kept), keptBytes);
    QCOMPARE(window.list()->count(), 2);
    ExpectShowsAndGoesOn(window, PlainRoof(), PlainRoofBrighter());
}

void FileFaultsTest::readOnlyRoofIsNotSavedOver() {
    Window window({{"a.bmp", PlainRoof()}, {"b.bmp", OtherRoof()}});
    const QString kept = window.game.roof(QStringLiteral("b.bmp"));
    const QByteArray keptBytes = hostile::FileBytes(kept);
    QVERIFY(hostile::SetMode(kept, 0444));
    {
        const hostile::Unprivileged unprivileged(QStringOfPath(window.game.prefix()));
        if (!unprivileged.problem().isEmpty()) QSKIP(qPrintable(unprivileged.problem()));
        window.dialogs.savePathAnswer = kept;
        window.click("Command1");
    }
    ExpectOneError(window, kept, QStringLiteral("not writable"));
    QCOMPARE(hostile::FileBytes(kept), keptBytes);
    QCOMPARE(hostile::EntriesIn(window.game.roofs()), QStringList({"a.bmp", "b.bmp"}));
}

// Locks on Linux are advisory: a roof another program holds locked reads,
// is saved over and is deleted as any other.
void FileFaultsTest::lockedRoofLoadsSavesAndDeletesAsUsual() {
    Window window({{"a.bmp", OtherRoof()}, {"b.bmp", PlainRoof()}});
    const QString roof = window.game.roof(QStringLiteral("b.bmp"));
    const hostile::LockedFile lock(roof);
    QVERIFY2(lock.problem().isEmpty(), qPrintable(lock.problem()));
    QVERIFY(hostile::LockedFile(roof).problem().contains(QStringLiteral("locked")));
    window.list()->setCurrentRow(1);
    QVERIFY(window.dialogs.errors.isEmpty());
    QCOMPARE(Dump(window.working()), Dump(PlainRoof()));
    window.click("Command24");
    window.dialogs.savePathAnswer = roof;
    window.click("Command1");
    QCOMPARE(Dump(imageio::LoadImage(roof).image), Dump(PlainRoofBrighter()));
    window.click("Command3");
    QVERIFY(window.dialogs.errors.isEmpty());
    QVERIFY(!QFile::exists(roof));
}

void FileFaultsTest::fullDiskKeepsTheFileSavedOver() {
    const hostile::SmallDisk disk(64);
    if (!disk.problem().isEmpty()) QSKIP(qPrintable(disk.problem()));
    QImage large(200, 200, QImage::Format_RGB32);
    large.fill(qRgb(1, 2, 3));
    Window window({{"large.bmp", large}});
    const QString target = disk.filePath(QStringLiteral("roof.bmp"));
    const QByteArray before = QByteArray("an earlier roof, kept whole");
    QVERIFY(hostile::WriteFile(target, before));
    window.dialogs.savePathAnswer = target;
    window.click("Command1");
    ExpectOneError(window, target, QStringLiteral("No space left on device"));
    QCOMPARE(hostile::FileBytes(target), before);
    QCOMPARE(hostile::EntriesIn(disk.path()), QStringList{"roof.bmp"});
}

void FileFaultsTest::saveOntoWhatIsNoFileIsRefused_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("in a missing folder") << "missing/saved.bmp" << "No such file or directory";
    QTest::newRow("a folder") << "folder.bmp" << "directory";
    QTest::newRow("a pipe") << "pipe.bmp" << "not a regular file";
}

void FileFaultsTest::saveOntoWhatIsNoFileIsRefused() {
    QFETCH(QString, target);
    QFETCH(QString, reason);
    Window window({{"a.bmp", PlainRoof()}});
    const QString roofs = window.game.roofs();
    QVERIFY(QDir(roofs).mkdir(QStringLiteral("folder.bmp")));
    QVERIFY(hostile::MakeFifo(window.game.roof(QStringLiteral("pipe.bmp"))));
    window.dialogs.savePathAnswer = window.game.roof(target);
    window.click("Command1");
    ExpectOneError(window, window.game.roof(target), reason);
    QCOMPARE(hostile::EntriesIn(roofs), QStringList({"a.bmp", "folder.bmp", "pipe.bmp"}));
    QVERIFY(QFileInfo(window.game.roof(QStringLiteral("folder.bmp"))).isDir());
    QVERIFY(hostile::IsFifo(window.game.roof(QStringLiteral("pipe.bmp"))));
    ExpectShowsAndGoesOn(window, PlainRoof(), PlainRoofBrighter());
}

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::FileFaultsTest)
#include "file_faults_test.moc"
