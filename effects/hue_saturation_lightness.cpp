// Hue, saturation and lightness: each pixel to hue, lightness and saturation
// and back, by the usual double-precision formulas (the hexcone model, with
// lightness (max + min) / 2), then to 0..255 rounded half up.
//
// Every "mod 1" in those formulas takes a value within one turn of 0..1, so
// it is a comparison and one addition or subtraction: the subtraction of 1
// from a value in 1..2 is exact, as the remainder is, and a negative value
// gets 1 added as the remainder's sign rule does. Results match the formulas
// written out with remainders bit for bit, without a library call a byte.
#include "engine.h"

#include <algorithm>
#include <array>

namespace tegmora::effects {
namespace {

constexpr double kOneThird = 1.0 / 3.0;
constexpr double kOneSixth = 1.0 / 6.0;
constexpr double kTwoThirds = 2.0 / 3.0;

double WrapTurn(double turn) {
    if (turn < 0) return turn + 1.0;
    return turn >= 1.0 ? turn - 1.0 : turn;
}

// Each byte over 255, as the division gives it.
constexpr std::array<double, 256> kLevels = [] {
    std::array<double, 256> levels{};
    for (int i = 0; i < 256; ++i) levels[static_cast<std::size_t>(i)] = i / 255.0;
    return levels;
}();

struct Hls {
    double hue;
    double lightness;
    double saturation;
};

double Lightness(double maxc, double minc) { return (maxc + minc) / 2.0; }

Hls ToHls(double r, double g, double b) {
    const double maxc = std::max({r, g, b});
    const double minc = std::min({r, g, b});
    const double sumc = maxc + minc;
    const double rangec = maxc - minc;
    const double l = Lightness(maxc, minc);
    if (minc == maxc) return {0.0, l, 0.0};
    const double s = l <= 0.5 ? rangec / sumc : rangec / (2.0 - maxc - minc);
    double h;
    if (r == maxc) h = (maxc - b) / rangec - (maxc - g) / rangec;
    else if (g == maxc) h = 2.0 + (maxc - r) / rangec - (maxc - b) / rangec;
    else h = 4.0 + (maxc - g) / rangec - (maxc - r) / rangec;
    return {WrapTurn(h / 6.0), l, s};
}

// Colourize keeps only the lightness: no hue or saturation to work out.
Hls LightnessOnly(double r, double g, double b) {
    return {0.0, Lightness(std::max({r, g, b}), std::min({r, g, b})), 0.0};
}

double Channel(double m1, double m2, double hue) {
    hue = WrapTurn(hue);
    if (hue < kOneSixth) return m1 + (m2 - m1) * hue * 6.0;
    if (hue < 0.5) return m2;
    if (hue < kTwoThirds) return m1 + (m2 - m1) * (kTwoThirds - hue) * 6.0;
    return m1;
}

// Half up. v is at least a rounding error below 0, so v * 255 + 0.5 is
// positive and truncation is the floor, without a library call.
std::uint8_t Level(double v) { return static_cast<std::uint8_t>(static_cast<std::int32_t>(v * 255.0 + 0.5)); }

// Writes the colour of `hls` into the first three bytes of p.
void StoreHls(std::uint8_t* p, const Hls& hls) {
    const double l = hls.lightness;
    const double s = hls.saturation;
    if (s == 0.0) {
        p[0] = p[1] = p[2] = Level(l);
        return;
    }
    const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double m1 = 2.0 * l - m2;
    p[2] = Level(Channel(m1, m2, hls.hue + kOneThird));
    p[1] = Level(Channel(m1, m2, hls.hue));
    p[0] = Level(Channel(m1, m2, hls.hue - kOneThird));
}

// The amounts as the formulas take them, once per run.
struct Adjustment {
    double hue;          // turns: added, or with colourize the one hue
    double saturation;   // a factor, or with colourize the one saturation
    double lightness;    // -1..1
    bool colourize;

    explicit Adjustment(const HueSaturationLightness& a)
        : hue(a.colourize ? ((a.hue % 360 + 360) % 360) / 360.0 : a.hue / 360.0),
          saturation(a.colourize ? (a.saturation + 100) / 200.0 : 1.0 + a.saturation / 100.0),
          lightness(a.lightness / 100.0),
          colourize(a.colourize) {}

    Hls applied(const Hls& in) const {
        const double l = lightness >= 0 ? in.lightness + (1.0 - in.lightness) * lightness
                                        : in.lightness * (1.0 + lightness);
        if (colourize) return {hue, l, saturation};
        return {WrapTurn(in.hue + hue), l, std::clamp(in.saturation * saturation, 0.0, 1.0)};
    }
};

// Every pixel read through `Read` and written back adjusted.
template <Hls (*Read)(double, double, double)>
void AdjustPixels(Bitmap bitmap, const Adjustment& adjustment) {
    std::uint8_t* const end = bitmap.bits + std::size_t{4} * static_cast<std::size_t>(bitmap.width) *
                                                static_cast<std::size_t>(bitmap.height);
    for (std::uint8_t* p = bitmap.bits; p != end; p += 4)
        StoreHls(p, adjustment.applied(Read(kLevels[p[2]], kLevels[p[1]], kLevels[p[0]])));
}

}  // namespace

void AdjustHueSaturationLightness(Bitmap bitmap, const HueSaturationLightness& amounts) {
    const Adjustment adjustment(amounts);
    if (adjustment.colourize) return AdjustPixels<LightnessOnly>(bitmap, adjustment);
    AdjustPixels<ToHls>(bitmap, adjustment);
}

}  // namespace tegmora::effects
