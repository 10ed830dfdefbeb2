// Fitting, seamless tiling and hue/saturation/lightness against slow, plain
// references that share nothing with the engine, and the cases players check.
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

namespace tegmora::effects::testing {
namespace {

// Calls f(channel, x, y) for every byte, 1-based as TestImage addresses them.
template <class F>
void EachByte(const TestImage& image, F f) {
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x)
            for (int c = 1; c <= 4; ++c) f(c, x, y);
}

Bitmap BitmapOf(TestImage& image) { return {image.bits.data(), image.width, image.height}; }
ConstBitmap ConstBitmapOf(const TestImage& image) { return {image.bits.data(), image.width, image.height}; }

// Each target pixel over every source pixel, lengths in units of
// 1 / (2 tw th) source pixel; ties round up.
TestImage ReferenceFit(const TestImage& in, std::int32_t tw, std::int32_t th) {
    const std::int64_t unit = 2LL * tw * th;
    const std::int64_t side = 2 * std::min(std::int64_t{in.width} * th, std::int64_t{in.height} * tw);
    const auto overlap = [&](std::int64_t t, std::int64_t targets, std::int64_t s, std::int64_t sources) {
        const std::int64_t low = (sources * unit - targets * side) / 2 + (t - 1) * side;
        return std::max<std::int64_t>(0, std::min(low + side, s * unit) - std::max(low, (s - 1) * unit));
    };
    TestImage out(tw, th);
    EachByte(out, [&](int c, std::int32_t x, std::int32_t y) {
        std::int64_t sum = 0;
        EachByte(in, [&](int sc, std::int32_t sx, std::int32_t sy) {
            if (sc == c) sum += overlap(x, tw, sx, in.width) * overlap(y, th, sy, in.height) * in.at(c, sx, sy);
        });
        out.at(c, x, y) = static_cast<std::uint8_t>((2 * sum + side * side) / (2 * side * side));
    });
    return out;
}

TEST(FitTest, MatchesTheReferenceReducingAndEnlarging) {
    std::uint32_t seed = 0;
    for (const std::int32_t w : {1, 2, 3, 4, 5, 7, 8})
        for (const std::int32_t h : {1, 2, 3, 4, 5, 7, 8})
            for (const auto& [tw, th] : {std::pair{1, 1}, {2, 1}, {1, 3}, {2, 2}, {3, 2}, {5, 5}, {9, 4}, {11, 13}}) {
                const TestImage in = TestImage::Random(w, h, ++seed, {0, 1, 2, 3, 254, 255});
                TestImage out(tw, th);
                FitToSize(ConstBitmapOf(in), BitmapOf(out));
                ASSERT_EQ(out, ReferenceFit(in, tw, th)) << w << " x " << h << " to " << tw << " x " << th;
            }
}

// The two blends one after the other, each kept exact as a numerator over
// max(n / 4, 1), the copy's weight at pixel i of n counted from 1.
TestImage ReferenceSeamless(const TestImage& in, bool half = false) {
    const auto weight = [](std::int32_t i, std::int32_t n) -> std::int64_t { return std::max(n / 4 - std::min(i - 1, n - i), 0); };
    // One blend along lines of n pixels, value(c, i, j) being byte c of pixel
    // i of line j. Its shift: of s = n / 4 + 1 .. n - 1 - n / 4, counted from
    // 0, the least sum over the lines of the differences of pixels s - 1 and
    // s, then the nearest to n / 2, then the smallest; n / 2 when `half`.
    const auto blend = [&](std::int32_t n, std::int32_t lines, auto value) {
        const auto differs = [&](std::int32_t s) {
            std::int64_t sum = 0;
            for (std::int32_t j = 1; j <= lines; ++j)
                for (int c = 1; c <= 3; ++c) sum += std::abs(value(c, s, j) - value(c, s + 1, j));
            return sum;
        };
        std::int32_t best = n / 2;
        for (std::int32_t s = n / 4 + 1; s < n - n / 4 && !half; ++s)
            if (std::tuple{differs(s), std::abs(s - n / 2), s} < std::tuple{differs(best), std::abs(best - n / 2), best}) best = s;
        return [=](int c, std::int32_t i, std::int32_t j) {
            return (std::max(n / 4, 1) - weight(i, n)) * value(c, i, j) + weight(i, n) * value(c, (i - 1 + best) % n + 1, j);
        };
    };
    const auto across = blend(in.width, in.height, [&](int c, std::int32_t x, std::int32_t y) { return std::int64_t{in.at(c, x, y)}; });
    const auto down = blend(in.height, in.width, [&](int c, std::int32_t y, std::int32_t x) { return across(c, x, y); });
    const std::int64_t d = std::max(in.width / 4, 1) * std::max(in.height / 4, 1);
    TestImage out = in;
    EachByte(in, [&](int c, std::int32_t x, std::int32_t y) { out.at(c, x, y) = static_cast<std::uint8_t>((2 * down(c, y, x) + d) / (2 * d)); });
    return out;
}

TEST(SeamlessTest, MatchesTheReferenceAndTheRatioFallsOnRampsWithGrain) {
    std::uint32_t seed = 0;
    // 29 x 57 ties at halves over 98, whose rounded reciprocal is too small.
    for (const std::int32_t w : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 27, 29, 57})
        for (const std::int32_t h : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 27, 29, 57}) {
            const TestImage in = TestImage::Random(w, h, ++seed, (w + h) % 2 ? std::vector<std::uint8_t>{} : std::vector<std::uint8_t>{0, 1, 254, 255});
            TestImage out = in;
            MakeSeamless(BitmapOf(out));
            ASSERT_EQ(out, ReferenceSeamless(in)) << w << " x " << h;
        }
    TestImage tiny(3, 2);  // blue 0 10 40 above 0 0 0: 90 over 5 pairs across the wrap, 90 over 7 inside
    tiny.at(1, 2, 1) = 10;
    tiny.at(1, 3, 1) = 40;
    EXPECT_DOUBLE_EQ(SeamRatio(ConstBitmapOf(tiny)), 1.4);
    // Ramps with grain, one a sheet of four tiles whose middle pair is an
    // edge: the half shift keeps that edge at the wrap, the chosen one not.
    for (const auto& [w, h, tile] : {std::tuple{32, 32, 16}, {37, 29, 37}, {64, 16, 64}}) {
        TestImage ramp = TestImage::Random(w, h, 7, {0, 6, 12, 18});
        EachByte(ramp, [&](int c, std::int32_t x, std::int32_t y) { ramp.at(c, x, y) += static_cast<std::uint8_t>(2 * ((x - 1) % tile) + (y - 1) % tile * c); });
        TestImage seamless = ramp;
        MakeSeamless(BitmapOf(seamless));
        EXPECT_GT(SeamRatio(ConstBitmapOf(ramp)), 3.0) << w << " x " << h;
        EXPECT_LE(SeamRatio(ConstBitmapOf(seamless)), 1.2) << w << " x " << h;
        EXPECT_EQ(SeamRatio(ConstBitmapOf(ReferenceSeamless(ramp, true))) > 1.2, tile < w) << w << " x " << h;
        EachByte(ramp, [&](int c, std::int32_t x, std::int32_t y) {  // kept: every pixel touching the middle half both ways
            EXPECT_TRUE(4 * x <= w || 4 * x >= 3 * w + 4 || 4 * y <= h || 4 * y >= 3 * h + 4 || seamless.at(c, x, y) == ramp.at(c, x, y));
        });
    }
}

double Mod1(double v) { return v - std::floor(v); }

double ReferenceChannel(double m1, double m2, double hue) {
    hue = Mod1(hue);
    return hue < 1.0 / 6.0 ? m1 + (m2 - m1) * hue * 6.0 : hue < 0.5 ? m2 : hue < 2.0 / 3.0 ? m1 + (m2 - m1) * (2.0 / 3.0 - hue) * 6.0 : m1;
}

// Blue, green, red at p, through hue, lightness and saturation as written.
void ReferencePixel(std::uint8_t* p, const HueSaturationLightness& a) {
    const double r = p[2] / 255.0, g = p[1] / 255.0, b = p[0] / 255.0;
    const double maxc = std::max({r, g, b}), minc = std::min({r, g, b}), rangec = maxc - minc;
    double l = (maxc + minc) / 2.0, h = 0.0, s = 0.0;
    if (maxc != minc) {
        s = l <= 0.5 ? rangec / (maxc + minc) : rangec / (2.0 - maxc - minc);
        const double rc = (maxc - r) / rangec, gc = (maxc - g) / rangec, bc = (maxc - b) / rangec;
        h = Mod1((r == maxc ? bc - gc : g == maxc ? 2.0 + rc - bc : 4.0 + gc - rc) / 6.0);
    }
    l = a.lightness >= 0 ? l + (1 - l) * (a.lightness / 100.0) : l * (1 + a.lightness / 100.0);
    h = Mod1((a.colourize ? 0 : h) + a.hue / 360.0);
    s = a.colourize ? (a.saturation + 100) / 200.0 : std::clamp(s * (1 + a.saturation / 100.0), 0.0, 1.0);
    const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    for (int c = 0; c < 3; ++c)
        p[c] = static_cast<std::uint8_t>(std::floor((s == 0 ? l : ReferenceChannel(2.0 * l - m2, m2, h + (c - 1) / 3.0)) * 255 + 0.5));
}

TEST(HueSaturationLightnessTest, CasesPlayersCheckAndTheFormulasOnNoise) {
    const std::pair<HueSaturationLightness, std::vector<std::uint8_t>> cases[] = {  // blue, green, red, fourth in and out
        {{120, 0, 0, false}, {0, 0, 255, 7, 0, 255, 0, 7}},        {{0, 0, -100, false}, {90, 200, 37, 7, 0, 0, 0, 7}},
        {{0, 0, 100, false}, {90, 200, 37, 7, 255, 255, 255, 7}},  {{210, 0, 0, true}, {100, 100, 100, 7, 150, 100, 50, 7}},
        {{-150, 0, 0, true}, {100, 100, 100, 7, 150, 100, 50, 7}}, {{0, -100, 0, false}, {0, 0, 255, 7, 128, 128, 128, 7}}};
    for (auto [amounts, bytes] : cases) {
        AdjustHueSaturationLightness({bytes.data(), 1, 1}, amounts);
        EXPECT_EQ(std::vector(bytes.begin(), bytes.begin() + 4), std::vector(bytes.begin() + 4, bytes.end())) << amounts.hue;
    }
    const TestImage noise = TestImage::Random(37, 29, 5);
    constexpr std::int32_t kHues[] = {-360, -180, -17, 0, 45, 120, 180, 359}, kLevels[] = {-100, -30, 0, 37, 100};
    for (int i = 0; i < 400; ++i) {
        const HueSaturationLightness amounts{kHues[i % 8], kLevels[i / 8 % 5], kLevels[i / 40 % 5], i >= 200};
        TestImage expected = noise, actual = noise;
        for (std::size_t b = 0; b < expected.bits.size(); b += 4) ReferencePixel(&expected.bits[b], amounts);
        AdjustHueSaturationLightness(BitmapOf(actual), amounts);
        ASSERT_EQ(actual, expected) << amounts.hue << ", " << amounts.saturation << ", " << amounts.lightness << ", " << amounts.colourize;
    }
}

}  // namespace
}  // namespace tegmora::effects::testing
