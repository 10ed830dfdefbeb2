#include "app_test_support.h"

namespace tegmora::app {

using namespace testing;

class ChannelScalingTest : public QObject {
    Q_OBJECT
private slots:
    void channelsBecomePercentages() {
        // Halves round to even (2.5 -> 2, 3.5 -> 4), each channel its own.
        QCOMPARE(Scaled(Pixels({{0x050505, 0x070707}}), 50, 0, 0), Pixels({{0x020000, 0x040000}}));
        QCOMPARE(Scaled(Pixels({{0x050505, 0x070707}}), 0, 50, 0), Pixels({{0x000200, 0x000400}}));
        // 100 * 2.55 rounds to 255, 99 * 2.55 = 252.45; more is capped.
        QCOMPARE(Scaled(Pixels({{0x640000, 0x630000, 0xFF0000}}), 255, 0, 0),
                 Pixels({{0xFF0000, 0xFC0000, 0xFF0000}}));
        QCOMPARE(Scaled(Pixels({{0x808080, 0x7F7F7F}}), 200, 150, 0), Pixels({{0xFFC000, 0xFEBE00}}));
        // The sign does not matter.
        QCOMPARE(Scaled(Pixels({{0x0A141E, 0xC8FAFF}}), -30, -30, -30),
                 Pixels({{0x030609, 0x3C4B4D}}));
        // Blue's factor is single precision: 5 / 100 is a little above 0.05
        // and 1 / 100 a little below, so its halves go up and down.
        QCOMPARE(Scaled(Pixels({{0x323232}}), 5, 5, 5), Pixels({{0x020203}}));
        QCOMPARE(Scaled(Pixels({{0x969696}}), 1, 1, 1), Pixels({{0x020201}}));
        // The fourth byte is kept.
        QImage fourth(1, 1, QImage::Format_ARGB32);
        fourth.fill(0x11223344u);
        QCOMPARE(Scaled(fourth, 50, 50, 50).pixel(0, 0), 0x11111A22u);
    }
};

}  // namespace tegmora::app

QTEST_GUILESS_MAIN(tegmora::app::ChannelScalingTest)
#include "channel_scaling_test.moc"
