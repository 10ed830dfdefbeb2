#include "start_up.h"
#include "test_window.h"

#include <QSettings>
#include <QTest>

namespace tegmora::app {

// A home folder of its own for every test, without WINEPREFIX, and the
// settings in a file there.
class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        settings_ = std::make_unique<QSettings>(at("settings.ini"), QSettings::IniFormat);
        dialogs_ = {};
        qputenv("HOME", home_->path().toUtf8());
        qunsetenv("WINEPREFIX");
    }
    void aNamedFolderWinsAndAMissingOneIsAnError();
    void wineprefixIsTheOnlyPlaceSearched();
    void aChosenFolderIsRememberedWhileItExists();
    void aRoofBitmapOpensItsFolderWithItChosen();

private:
    QString at(const char* relative) const { return QDir(home_->path()).filePath(QString::fromUtf8(relative)); }

    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<QSettings> settings_;
    testing::ScriptedDialogs dialogs_;
};

void StartUpTest::aNamedFolderWinsAndAMissingOneIsAnError() {
    demo::MakeGamePrefix(at(".wine").toStdString());
    QVERIFY(QDir().mkpath(at("Sims/GAMEDATA/roofs")));
    QCOMPARE(StartUpRoofsFolder({at("Sims")}, *settings_, dialogs_).path, at("Sims/GAMEDATA/roofs"));
    QCOMPARE(StartUpRoofsFolder({at("Gone")}, *settings_, dialogs_).path, QString());
    QCOMPARE(dialogs_.errors, QStringList(at("Gone") + QStringLiteral(": no such file or folder")));
    QCOMPARE(StartUpRoofsFolder({}, *settings_, dialogs_).path, at(".wine/dosdevices/c:/Program Files/Maxis/The Sims/GameData/Roofs"));
    QVERIFY(dialogs_.offers.isEmpty());
}

void StartUpTest::wineprefixIsTheOnlyPlaceSearched() {
    demo::MakeGamePrefix(at(".wine").toStdString());
    qputenv("WINEPREFIX", at("empty").toUtf8());
    QCOMPARE(StartUpRoofsFolder({}, *settings_, dialogs_).path, QString());
    QCOMPARE(dialogs_.offers.size(), 1);
    for (const QString& part : {QStringLiteral("cannot find the roof textures"), at("empty") + QStringLiteral(" (WINEPREFIX)"),
                                QStringLiteral("unset it to search every launcher's places"), QStringLiteral("tegmora FOLDER")})
        QVERIFY2(dialogs_.offers[0].contains(part), qPrintable(part + QStringLiteral(" in: ") + dialogs_.offers[0]));
}

void StartUpTest::aChosenFolderIsRememberedWhileItExists() {
    QVERIFY(QDir().mkpath(at("Empty")));
    const testing::GamePrefix game;
    dialogs_.choiceAnswers = {true, true, true};
    dialogs_.folderAnswers = {{}, at("Empty"), game.roofs()};
    QCOMPARE(StartUpRoofsFolder({}, *settings_, dialogs_).path, game.roofs());
    QCOMPARE(dialogs_.offers.size(), 3);
    QVERIFY(dialogs_.offers[0].contains(QStringLiteral("Steam: not installed")));
    QVERIFY(dialogs_.offers[2].startsWith(at("Empty") + QStringLiteral(" holds no roofs of The Sims.")));

    testing::ScriptedDialogs nextStart;
    QCOMPARE(StartUpRoofsFolder({}, *settings_, nextStart).path, game.roofs());
    QVERIFY(!nextStart.askedAnything());
    QVERIFY(QDir(game.roofs()).removeRecursively());
    QCOMPARE(StartUpRoofsFolder({}, *settings_, nextStart).path, QString());
    QCOMPARE(nextStart.offers.size(), 1);
}

void StartUpTest::aRoofBitmapOpensItsFolderWithItChosen() {
    const QImage blue = testing::Pixels({{0x0000FF}});
    testing::Window window({{"a.bmp", testing::Pixels({{0xFF0000}})}, {"b.bmp", blue}});
    QVERIFY(blue.save(window.game.roof("png.bmp"), "PNG") && blue.save(window.game.roof("notes.txt"), "BMP"));
    // What is named, the roof chosen, or how the message starts.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"b.bmp", "b.bmp", ""}, {"png.bmp", "", " is not a roof bitmap"},
        {"notes.txt", "", " is not a roof bitmap"}, {"gone.bmp", "", ": no such file or folder"}};
    for (const auto& [named, roof, error] : cases) {
        testing::ScriptedDialogs dialogs;
        const RoofsFolder start = StartUpRoofsFolder({window.game.roof(named)}, *settings_, dialogs);
        QCOMPARE(start.path, *roof ? window.game.roofs() : QString());
        QCOMPARE(start.roof, QString::fromLatin1(roof));
        const QString message = *error ? window.game.roof(named) + QLatin1String(error) : QString();
        QCOMPARE(dialogs.errors.value(0).left(message.size()), message);
        QCOMPARE(dialogs.errors.size(), message.isEmpty() ? 0 : 1);
    }
    window.form->chooseRoofNamed(QStringLiteral("b.bmp"));
    window.form->chooseRoofNamed(QStringLiteral("gone.bmp"));
    QCOMPARE(window.list()->currentName(), QStringLiteral("b.bmp"));
    QCOMPARE(window.display().pixel(0, 0), blue.pixel(0, 0));
}

}  // namespace tegmora::app

QTEST_MAIN(tegmora::app::StartUpTest)
#include "start_up_test.moc"
