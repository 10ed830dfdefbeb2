#include "app_test_support.h"
#include "channel_scaling.h"

#include <QTest>

namespace tegmora::app {
namespace {

using testing::Dump;
using testing::Pixels;

QImage Scaled(const QImage& source, int red, int green, int blue) {
    QImage target(source.size(), source.format());
    target.fill(0xFF123456u);
    ScaleChannels(source, target, FactorsOf(red, green, blue), [](int) {});
    return target;
}

}  // namespace

class ChannelScalingTest : public QObject {
    Q_OBJECT
private slots:
    void channelsBecomePercentages_data();
    void channelsBecomePercentages();
    void signDoesNotMatter();
    void blueFactorIsSinglePrecision();
    void fourthByteIsKept();
    void progressAfterEveryTenthColumn();
    void emptyImageShowsNothing();
};

void ChannelScalingTest::channelsBecomePercentages_data() {
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QImage>("expected");
    // Halves round to even: 2.5 -> 2, 3.5 -> 4.
    QTest::newRow("red 50") << 50 << 0 << 0 << Pixels({{0x050505, 0x070707}})
                            << Pixels({{0x020000, 0x040000}});
    QTest::newRow("green 50") << 0 << 50 << 0 << Pixels({{0x050505, 0x070707}})
                              << Pixels({{0x000200, 0x000400}});
    QTest::newRow("blue 50") << 0 << 0 << 50 << Pixels({{0x050505, 0x070707}})
                             << Pixels({{0x000002, 0x000004}});
    // 100 * 2.55 rounds to 255; 99 * 2.55 = 252.45.
    QTest::newRow("red 255") << 255 << 0 << 0 << Pixels({{0x640000, 0x630000, 0xFF0000}})
                             << Pixels({{0xFF0000, 0xFC0000, 0xFF0000}});
    QTest::newRow("all 100 copy") << 100 << 100 << 100
                                  << Pixels({{0x102030, 0xFFFEFD}, {0x000001, 0x7F8081}})
                                  << Pixels({{0x102030, 0xFFFEFD}, {0x000001, 0x7F8081}});
    QTest::newRow("all -100 copy")
        << -100 << -100 << -100 << Pixels({{0x102030, 0xFFFEFD}}) << Pixels({{0x102030, 0xFFFEFD}});
    QTest::newRow("above 100 caps")
        << 200 << 150 << 0 << Pixels({{0x808080, 0x7F7F7F}}) << Pixels({{0xFFC000, 0xFEBE00}});
    // Columns go first, but the result is the same as row by row.
    QTest::newRow("3 x 2")
        << 10 << 20 << 30
        << Pixels({{0x0A0A0A, 0x141414, 0x1E1E1E}, {0x282828, 0x323232, 0x3C3C3C}})
        << Pixels({{0x010203, 0x020406, 0x030609}, {0x04080C, 0x050A0F, 0x060C12}});
}

void ChannelScalingTest::channelsBecomePercentages() {
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(QImage, source);
    QFETCH(QImage, expected);
    QCOMPARE(Dump(Scaled(source, red, green, blue)), Dump(expected));
}

void ChannelScalingTest::signDoesNotMatter() {
    const QImage source = Pixels({{0x0A141E, 0xC8FAFF}, {0x010203, 0x7B7C7D}});
    QCOMPARE(Dump(Scaled(source, -30, -30, -30)), Dump(Scaled(source, 30, 30, 30)));
    QCOMPARE(Dump(Scaled(source, -30, -30, -30)),
             Dump(Pixels({{0x030609, 0x3C4B4D}, {0x000101, 0x252526}})));
}

void ChannelScalingTest::blueFactorIsSinglePrecision() {
    // 5 / 100 in single precision is a little above 0.05, so 50 * it is a
    // little above 2.5 and rounds up; red and green keep 2.5 exactly and round
    // to even. Likewise 1 / 100 makes 150 * it a little below 1.5.
    QCOMPARE(Dump(Scaled(Pixels({{0x323232}}), 5, 5, 5)), Dump(Pixels({{0x020203}})));
    QCOMPARE(Dump(Scaled(Pixels({{0x969696}}), 1, 1, 1)), Dump(Pixels({{0x020201}})));
    QCOMPARE(ScaledChannel(50, FactorsOf(0, 0, 5).blue), 3);
    QCOMPARE(ScaledChannel(50, FactorsOf(5, 0, 0).red), 2);
}

void ChannelScalingTest::fourthByteIsKept() {
    QImage source(2, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, 0x11223344u);
    source.setPixel(1, 0, 0xEE050607u);
    const QImage target = Scaled(source, 50, 50, 50);
    QCOMPARE(target.pixel(0, 0), 0x11111A22u);
    QCOMPARE(target.pixel(1, 0), 0xEE020304u);
}

void ChannelScalingTest::progressAfterEveryTenthColumn() {
    QImage source(25, 3, QImage::Format_RGB32);
    source.fill(0xFF646464u);
    QImage target(source.size(), source.format());
    target.fill(0xFF000000u);
    QList<int> shown;
    QList<QRgb> lastColumnDone;
    ScaleChannels(source, target, FactorsOf(50, 50, 50), [&](int columns) {
        shown << columns;
        lastColumnDone << target.pixel(columns - 1, 2);
    });
    QCOMPARE(shown, QList<int>({1, 11, 21}));
    // Each column is complete, top to bottom, when it is shown.
    QCOMPARE(lastColumnDone, QList<QRgb>({0xFF323232u, 0xFF323232u, 0xFF323232u}));
}

void ChannelScalingTest::emptyImageShowsNothing() {
    QImage nothing(0, 4, QImage::Format_RGB32);
    int calls = 0;
    ScaleChannels(nothing, nothing, FactorsOf(1, 2, 3), [&calls](int) { ++calls; });
    QCOMPARE(calls, 0);
}

}  // namespace tegmora::app

QTEST_GUILESS_MAIN(tegmora::app::ChannelScalingTest)
#include "channel_scaling_test.moc"
