#include "roof_textures.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

namespace tegmora::demo {
namespace {

// A repeatable value in [0, 1) for a point and a seed: the grain of the
// textures, the same on every run.
double Grain(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<double>(h) / 4294967296.0;
}

QRgb Shaded(const QColor& colour, double light) {
    auto channel = [light](int value) {
        return std::clamp(static_cast<int>(value * light), 0, 255);
    };
    return qRgb(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

QImage TrueColour(int width, int height, const std::function<QRgb(int, int)>& colourAt) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = colourAt(x, y);
    }
    return image;
}

// An 8-bit image over `shades` levels of `colour`, from dark to full. With
// more than 16 shades the bitmap is written with 8 bits a pixel, not 4.
QImage Paletted(int width, int height, const QColor& colour, int shades,
                const std::function<double(int, int)>& lightAt) {
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < shades; ++i) palette << Shaded(colour, 0.25 + 0.9 * i / (shades - 1));
    image.setColorTable(palette);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<uchar>(
                std::clamp(static_cast<int>(lightAt(x, y) * (shades - 1)), 0, shades - 1));
    }
    return image;
}

}  // namespace

QImage ClayTiles(int width, int height) {
    const QColor clay(186, 84, 48);
    return TrueColour(width, height, [&](int x, int y) {
        const int course = y / 8;
        const int across = (x + (course % 2) * 4) % 8;
        const double curve = std::sin(std::numbers::pi * (across + 0.5) / 8.0);
        const double shadow = y % 8 == 7 ? 0.45 : 1.0;
        return Shaded(clay, (0.55 + 0.5 * curve + 0.1 * Grain(x, y, 1)) * shadow);
    });
}

QImage BlueShingles(int width, int height) {
    return Paletted(width, height, QColor(90, 120, 170), 32, [](int x, int y) {
        const int course = y / 6;
        const int across = (x + (course % 2) * 5) % 10;
        if (y % 6 == 5 || across == 0) return 0.05;
        return 0.55 + 0.25 * Grain(x, y, 2) + 0.15 * (y % 6) / 5.0;
    });
}

QImage Slate(int width, int height) {
    const QColor slate(88, 96, 110);
    return TrueColour(width, height, [&](int x, int y) {
        const int course = y / 10;
        const int shifted = x + (course % 2) * 8;
        if (y % 10 == 9 || shifted % 16 == 0) return Shaded(slate, 0.35);
        const double tone = 0.8 + 0.35 * Grain(shifted / 16, course, 3);
        return Shaded(slate, tone + 0.08 * Grain(x, y, 4));
    });
}

QImage Thatch(int width, int height) {
    return Paletted(width, height, QColor(214, 176, 96), 24, [](int x, int y) {
        const double strand =
            0.5 + 0.5 * std::sin(x * 1.9 + 0.6 * std::sin(y * 0.4) + 3.0 * Grain(x, 0, 5));
        const double bundle = y % 16 >= 14 ? 0.6 : 1.0;
        return (0.35 + 0.45 * strand + 0.2 * Grain(x, y, 6)) * bundle;
    });
}

QImage CorrugatedTin(int width, int height) {
    const QColor tin(170, 176, 180);
    const QColor rust(150, 76, 36);
    return TrueColour(width, height, [&](int x, int y) {
        const double rib = 0.75 + 0.3 * std::cos(2.0 * std::numbers::pi * x / 8.0);
        const bool rusty = Grain(x / 3, y / 3, 7) > 0.86;
        return Shaded(rusty ? rust : tin, rib + 0.06 * Grain(x, y, 8));
    });
}

}  // namespace tegmora::demo
