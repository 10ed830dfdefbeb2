// AdjustHueSaturationLightness against the formulas written out plainly, with
// remainders and all three channel distances, and the cases players check.
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tegmora::effects::testing {
namespace {

double Mod1(double v) {
    const double r = std::fmod(v, 1.0);
    return r < 0 ? r + 1.0 : r;
}

double ReferenceChannel(double m1, double m2, double hue) {
    hue = Mod1(hue);
    if (hue < 1.0 / 6.0) return m1 + (m2 - m1) * hue * 6.0;
    if (hue < 0.5) return m2;
    if (hue < 2.0 / 3.0) return m1 + (m2 - m1) * (2.0 / 3.0 - hue) * 6.0;
    return m1;
}

void ReferencePixel(std::uint8_t* rgb, const HueSaturationLightness& a) {
    const double r = rgb[0] / 255.0, g = rgb[1] / 255.0, b = rgb[2] / 255.0;
    const double maxc = std::max({r, g, b}), minc = std::min({r, g, b});
    const double rangec = maxc - minc;
    double l = (maxc + minc) / 2.0, h = 0.0, s = 0.0;
    if (maxc != minc) {
        s = l <= 0.5 ? rangec / (maxc + minc) : rangec / (2.0 - maxc - minc);
        const double rc = (maxc - r) / rangec, gc = (maxc - g) / rangec, bc = (maxc - b) / rangec;
        h = Mod1((r == maxc ? bc - gc : g == maxc ? 2.0 + rc - bc : 4.0 + gc - rc) / 6.0);
    }
    l = a.lightness >= 0 ? l + (1 - l) * (a.lightness / 100.0) : l * (1 + a.lightness / 100.0);
    if (a.colourize) {
        h = Mod1(a.hue / 360.0);
        s = (a.saturation + 100) / 200.0;
    } else {
        h = Mod1(h + a.hue / 360.0);
        s = std::clamp(s * (1 + a.saturation / 100.0), 0.0, 1.0);
    }
    const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double m1 = 2.0 * l - m2;
    const double out[3] = {s == 0 ? l : ReferenceChannel(m1, m2, h + 1.0 / 3.0), s == 0 ? l : ReferenceChannel(m1, m2, h),
                           s == 0 ? l : ReferenceChannel(m1, m2, h - 1.0 / 3.0)};
    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<std::uint8_t>(std::floor(out[c] * 255 + 0.5));
}

TestImage Adjusted(TestImage image, const HueSaturationLightness& a) {
    AdjustHueSaturationLightness({image.bits.data(), image.width, image.height}, a);
    return image;
}

TEST(HueSaturationLightnessTest, CasesPlayersCheck) {
    struct Case {
        HueSaturationLightness amounts;
        std::uint8_t in[3], out[3];  // red, green, blue
    };
    const Case cases[] = {
        {{120, 0, 0, false}, {255, 0, 0}, {0, 255, 0}},       {{0, 0, -100, false}, {37, 200, 90}, {0, 0, 0}},
        {{0, 0, 100, false}, {37, 200, 90}, {255, 255, 255}}, {{210, 0, 0, true}, {100, 100, 100}, {50, 100, 150}},
        {{-150, 0, 0, true}, {100, 100, 100}, {50, 100, 150}}, {{0, -100, 0, false}, {255, 0, 0}, {128, 128, 128}},
    };
    for (const Case& c : cases) {
        TestImage image(1, 1);
        for (int i = 0; i < 3; ++i) image.at(3 - i, 1, 1) = c.in[i];
        const TestImage result = Adjusted(image, c.amounts);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(result.at(3 - i, 1, 1), c.out[i]) << c.amounts.hue << " channel " << i;
        EXPECT_EQ(result.at(4, 1, 1), image.at(4, 1, 1));
    }
}

TEST(HueSaturationLightnessTest, MatchesTheFormulasOnNoise) {
    const TestImage noise = TestImage::Random(37, 29, 5);
    for (const bool colourize : {false, true})
        for (const std::int32_t hue : {-360, -180, -17, 0, 45, 120, 180, 359})
            for (const std::int32_t saturation : {-100, -50, 0, 37, 100})
                for (const std::int32_t lightness : {-100, -30, 0, 55, 100}) {
                    const HueSaturationLightness amounts{hue, saturation, lightness, colourize};
                    TestImage expected = noise;
                    for (std::size_t i = 0; i < expected.bits.size(); i += 4) {
                        std::uint8_t rgb[3] = {expected.bits[i + 2], expected.bits[i + 1], expected.bits[i]};
                        ReferencePixel(rgb, amounts);
                        std::copy(rgb, rgb + 3, std::make_reverse_iterator(expected.bits.begin() + static_cast<std::ptrdiff_t>(i) + 3));
                    }
                    ASSERT_EQ(Adjusted(noise, amounts), expected) << hue << ", " << saturation << ", " << lightness << ", " << colourize;
                }
}

}  // namespace
}  // namespace tegmora::effects::testing
