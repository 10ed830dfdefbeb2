#include "channel_scaling.h"

#include <cmath>
#include <vector>

namespace tegmora::app {
namespace {

using ChannelTable = std::array<std::uint8_t, 256>;

ChannelTable TableOf(double factor) {
    ChannelTable table{};
    for (int v = 0; v < 256; ++v) table[v] = ScaledChannel(static_cast<std::uint8_t>(v), factor);
    return table;
}

// Progress is shown after every tenth column, starting with the first.
constexpr int kColumnsPerRepaint = 10;

}  // namespace

ChannelFactors FactorsOf(int red, int green, int blue) {
    return {red / 100.0, green / 100.0, static_cast<float>(blue / 100.0)};
}

std::uint8_t ScaledChannel(std::uint8_t value, double factor) {
    // value * factor is exact for a single-precision factor, so blue needs no
    // routine of its own.
    const double scaled = std::nearbyint(std::fabs(factor * value));
    return static_cast<std::uint8_t>(scaled > 255.0 ? 255.0 : scaled);
}

void ScaleChannels(const QImage& source, QImage& target, const ChannelFactors& factors,
                   const std::function<void(int columnsDone)>& showColumns) {
    const ChannelTable red = TableOf(factors.red);
    const ChannelTable green = TableOf(factors.green);
    const ChannelTable blue = TableOf(factors.blue);
    const int width = source.width();
    const int height = source.height();
    std::vector<const QRgb*> from(static_cast<std::size_t>(height));
    std::vector<QRgb*> to(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        from[y] = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        to[y] = reinterpret_cast<QRgb*>(target.scanLine(y));
    }
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            const QRgb pixel = from[y][x];
            to[y][x] =
                qRgba(red[qRed(pixel)], green[qGreen(pixel)], blue[qBlue(pixel)], qAlpha(pixel));
        }
        if (x % kColumnsPerRepaint == 0) showColumns(x + 1);
    }
}

}  // namespace tegmora::app
