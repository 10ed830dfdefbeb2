#include "app_test_support.h"
#include "demo_prefix.h"
#include "imageio.h"
#include "qt_text.h"
#include "roof_list.h"
#include "discovery.h"

#include <QFile>
#include <QTest>

#include <filesystem>

namespace tegmora::demo {
namespace {

// Bits per pixel, from the bitmap's info header.
int BitsPerPixel(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray header = file.read(30);
    if (header.size() < 30) return -1;
    return static_cast<unsigned char>(header[28]) | static_cast<unsigned char>(header[29]) << 8;
}

}  // namespace

class DemoPrefixTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void registryNamesTheDataFolder();
    void driveCIsALink();
    void roofsAreListedInOrder();
    void roofsHaveTheirDepthsAndLoad_data();
    void roofsHaveTheirDepthsAndLoad();
    void damagedRoofDoesNotLoad();
    void makingAgainKeepsThePrefixWorking();

private:
    QTemporaryDir dir_;
    std::filesystem::path prefix_;
    QString roofs_;
};

void DemoPrefixTest::initTestCase() {
    prefix_ = std::filesystem::path(dir_.path().toStdString()) / "demo";
    roofs_ = app::QStringOfPath(MakeGamePrefix(prefix_));
    WriteDemoRoofs(roofs_.toStdString());
}

void DemoPrefixTest::registryNamesTheDataFolder() {
    const std::string text = SystemRegistry("C:\\Games\\The Sims");
    QVERIFY(text.starts_with("WINE REGISTRY Version 2\n"));
    QVERIFY(text.find("\n[Software\\\\Maxis\\\\The Sims] ") != std::string::npos);
    QVERIFY(text.find("\n\"SIMS_DATA\"=\"C:\\\\Games\\\\The Sims\"\n") != std::string::npos);
}

void DemoPrefixTest::driveCIsALink() {
    const std::filesystem::path driveC = prefix_ / "dosdevices" / "c:";
    QVERIFY(std::filesystem::is_symlink(driveC));
    QCOMPARE(std::filesystem::read_symlink(driveC), std::filesystem::path("../drive_c"));
    QVERIFY(app::testing::SameFolder(app::QStringOfPath(gamedir::SearchWinePrefix(prefix_).found.at(0).roofs), roofs_));
}

void DemoPrefixTest::roofsAreListedInOrder() {
    QCOMPARE(app::RoofFileNames(roofs_),
             QStringList({app::QStringOf(kFirstRoof), app::QStringOf(kPalettedRoof),
                          app::QStringOf(kCapitalRoof), app::QStringOf(kThatchRoof),
                          app::QStringOf(kOldRoof), app::QStringOf(kDamagedRoof)}));
    QVERIFY(QFile::exists(QDir(roofs_).filePath(app::QStringOf(kNotes))));
}

void DemoPrefixTest::roofsHaveTheirDepthsAndLoad_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QSize>("size");
    QTest::newRow("clay") << app::QStringOf(kFirstRoof) << 24 << QSize(32, 32);
    QTest::newRow("shingles") << app::QStringOf(kPalettedRoof) << 8 << QSize(32, 32);
    QTest::newRow("slate") << app::QStringOf(kCapitalRoof) << 24 << QSize(64, 64);
    QTest::newRow("thatch") << app::QStringOf(kThatchRoof) << 8 << QSize(48, 32);
    QTest::newRow("tin") << app::QStringOf(kOldRoof) << 24 << QSize(32, 32);
}

void DemoPrefixTest::roofsHaveTheirDepthsAndLoad() {
    QFETCH(QString, name);
    QFETCH(int, bits);
    QFETCH(QSize, size);
    const QString path = QDir(roofs_).filePath(name);
    QCOMPARE(BitsPerPixel(path), bits);
    const imageio::LoadedImage loaded = imageio::LoadImage(path);
    QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
    QCOMPARE(loaded.image.size(), size);
    // A texture, not a flat fill.
    QVERIFY(loaded.image.pixel(0, 0) != loaded.image.pixel(size.width() / 2, size.height() / 2) ||
            loaded.image.pixel(1, 0) != loaded.image.pixel(0, size.height() - 1));
}

void DemoPrefixTest::damagedRoofDoesNotLoad() {
    const imageio::LoadedImage loaded =
        imageio::LoadImage(QDir(roofs_).filePath(app::QStringOf(kDamagedRoof)));
    QVERIFY(loaded.image.isNull());
    QVERIFY(loaded.error.contains(app::QStringOf(kDamagedRoof)));
}

void DemoPrefixTest::makingAgainKeepsThePrefixWorking() {
    QCOMPARE(app::QStringOfPath(MakeGamePrefix(prefix_)), roofs_);
    WriteDemoRoofs(roofs_.toStdString());
    QVERIFY(app::testing::SameFolder(app::QStringOfPath(gamedir::SearchWinePrefix(prefix_).found.at(0).roofs), roofs_));
    QCOMPARE(app::RoofFileNames(roofs_).size(), 6);
}

}  // namespace tegmora::demo

QTEST_GUILESS_MAIN(tegmora::demo::DemoPrefixTest)
#include "demo_prefix_test.moc"
