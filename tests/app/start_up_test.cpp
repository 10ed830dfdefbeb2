#include "app_test_support.h"
#include "start_up.h"

#include <QTest>

namespace tegmora::app {

using testing::GamePrefix;

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void findsTheRoofsFolder();
    void noRegistryEntrySaysWhatWasLookedUpWhere();
    void missingRoofsFolderIsNamed();
};

void StartUpTest::findsTheRoofsFolder() {
    const GamePrefix game;
    const RoofsFolder roofs = LocateRoofsFolder(game.prefix());
    QVERIFY2(roofs.problem.isEmpty(), qPrintable(roofs.problem));
    QVERIFY(testing::SameFolder(roofs.path, game.roofs()));
}

void StartUpTest::noRegistryEntrySaysWhatWasLookedUpWhere() {
    const QTemporaryDir emptyPrefix;
    const RoofsFolder roofs = LocateRoofsFolder(emptyPrefix.path().toStdString());
    QVERIFY(roofs.path.isEmpty());
    for (const QString& part :
         {QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims"),
          QStringLiteral("SIMS_DATA"), emptyPrefix.path() + QStringLiteral("/system.reg"),
          QStringLiteral("does not exist"), QStringLiteral("WINEPREFIX=")})
        QVERIFY2(roofs.problem.contains(part),
                 qPrintable(part + QStringLiteral(" in: ") + roofs.problem));
}

void StartUpTest::missingRoofsFolderIsNamed() {
    const GamePrefix game;
    QVERIFY(QDir(game.roofs()).removeRecursively());
    const RoofsFolder roofs = LocateRoofsFolder(game.prefix());
    QVERIFY(roofs.path.isEmpty());
    for (const QString& part :
         {QStringLiteral("C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\"),
          QStringOfPath(game.prefix()), QStringLiteral("WINEPREFIX=")})
        QVERIFY2(roofs.problem.contains(part),
                 qPrintable(part + QStringLiteral(" in: ") + roofs.problem));
}

}  // namespace tegmora::app

QTEST_GUILESS_MAIN(tegmora::app::StartUpTest)
#include "start_up_test.moc"
