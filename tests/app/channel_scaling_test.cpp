#include "app_test_support.h"
#include "channel_scaling.h"

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
    void channelsBecomePercentages() {
        // Halves round to even (2.5 -> 2, 3.5 -> 4), each channel its own.
        QCOMPARE(Dump(Scaled(Pixels({{0x050505, 0x070707}}), 50, 0, 0)), "020000 040000");
        QCOMPARE(Dump(Scaled(Pixels({{0x050505, 0x070707}}), 0, 50, 0)), "000200 000400");
        // 100 * 2.55 rounds to 255, 99 * 2.55 = 252.45; more is capped.
        QCOMPARE(Dump(Scaled(Pixels({{0x640000, 0x630000, 0xFF0000}}), 255, 0, 0)),
                 "ff0000 fc0000 ff0000");
        QCOMPARE(Dump(Scaled(Pixels({{0x808080, 0x7F7F7F}}), 200, 150, 0)), "ffc000 febe00");
        // The sign does not matter.
        QCOMPARE(Dump(Scaled(Pixels({{0x0A141E, 0xC8FAFF}}), -30, -30, -30)), "030609 3c4b4d");
        // Blue's factor is single precision: 5 / 100 is a little above 0.05
        // and 1 / 100 a little below, so its halves go up and down.
        QCOMPARE(Dump(Scaled(Pixels({{0x323232}}), 5, 5, 5)), "020203");
        QCOMPARE(Dump(Scaled(Pixels({{0x969696}}), 1, 1, 1)), "020201");
    }

    void fourthByteIsKept() {
        QImage source(1, 1, QImage::Format_ARGB32);
        source.setPixel(0, 0, 0x11223344u);
        QCOMPARE(Scaled(source, 50, 50, 50).pixel(0, 0), 0x11111A22u);
    }
};

}  // namespace tegmora::app

QTEST_GUILESS_MAIN(tegmora::app::ChannelScalingTest)
#include "channel_scaling_test.moc"
