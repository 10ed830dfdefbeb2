// Invert (2), Average Gray (12), Swap Channels (16) and Color Threshold (18).
#include "effects.h"
#include "run_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>

namespace tegmora::effects {
namespace {

using testing::AppliedBothWays;
using testing::ProgressOf;
using testing::RowSteps;
using testing::TestImage;

constexpr std::int32_t kInvert = 2;
constexpr std::int32_t kAverageGray = 12;
constexpr std::int32_t kSwapChannels = 16;
constexpr std::int32_t kColorThreshold = 18;

struct Colour {
    int blue, green, red;
    bool operator==(const Colour&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Colour& c) {
    return out << "(" << c.blue << ", " << c.green << ", " << c.red << ")";
}

// One row holding the given pixels.
TestImage RowOf(std::initializer_list<Colour> colours) {
    TestImage image(static_cast<std::int32_t>(colours.size()), 1);
    std::int32_t x = 1;
    for (const Colour& c : colours)
        image.set(x++, 1, static_cast<std::uint8_t>(c.blue), static_cast<std::uint8_t>(c.green),
                  static_cast<std::uint8_t>(c.red));
    return image;
}

Colour ColourAt(const TestImage& image, std::int32_t x, std::int32_t y = 1) {
    return {image.at(1, x, y), image.at(2, x, y), image.at(3, x, y)};
}

// The slow way: every pixel through `map`, read from the unchanged image.
TestImage PerPixel(const TestImage& image, const std::function<Colour(Colour)>& map) {
    TestImage out = image;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x) {
            const Colour c = map(ColourAt(image, x, y));
            out.set(x, y, static_cast<std::uint8_t>(c.blue), static_cast<std::uint8_t>(c.green),
                    static_cast<std::uint8_t>(c.red));
        }
    return out;
}

TEST(InvertTest, TakesEveryChannelFrom255) {
    const TestImage result =
        AppliedBothWays(kInvert, RowOf({{0, 1, 2}, {253, 254, 255}, {100, 128, 127}}));
    EXPECT_EQ(ColourAt(result, 1), (Colour{255, 254, 253}));
    EXPECT_EQ(ColourAt(result, 2), (Colour{2, 1, 0}));
    EXPECT_EQ(ColourAt(result, 3), (Colour{155, 127, 128}));
}

TEST(InvertTest, TwiceRestoresTheImage) {
    const TestImage image = TestImage::Random(7, 5, 11);
    EXPECT_EQ(AppliedBothWays(kInvert, AppliedBothWays(kInvert, image)), image);
}

TEST(InvertTest, ReportsEveryRowThenHundred) {
    std::vector<std::int32_t> expected = RowSteps(3);
    expected.push_back(100);
    EXPECT_EQ(ProgressOf(kInvert, TestImage(2, 3)), expected);
    EXPECT_EQ(ProgressOf(kInvert, TestImage(2, 3), 0, WriteBack::AsRowsFinish), expected);
}

TEST(AverageGrayTest, TakesTheTruncatedMean) {
    struct Case {
        Colour in;
        int grey;
    };
    const Case cases[] = {
        {{255, 0, 0}, 85},      {{10, 10, 11}, 10},     {{0, 0, 2}, 0},
        {{100, 100, 100}, 100}, {{255, 255, 255}, 255}, {{1, 2, 3}, 2},
        {{254, 255, 255}, 254}, {{0, 255, 0}, 85},      {{0, 0, 255}, 85},
        {{255, 255, 254}, 254},
    };
    TestImage image(static_cast<std::int32_t>(std::size(cases)), 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Colour& c = cases[i].in;
        image.set(static_cast<std::int32_t>(i + 1), 1, static_cast<std::uint8_t>(c.blue),
                  static_cast<std::uint8_t>(c.green), static_cast<std::uint8_t>(c.red));
    }
    const TestImage result = AppliedBothWays(kAverageGray, image);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const int g = cases[i].grey;
        EXPECT_EQ(ColourAt(result, static_cast<std::int32_t>(i + 1)), (Colour{g, g, g}))
            << cases[i].in;
    }
}

TEST(AverageGrayTest, MatchesThePlainMeanOnRandomImages) {
    for (const auto& [w, h] : {std::pair{7, 5}, std::pair{33, 3}, std::pair{1, 9}}) {
        const TestImage image = TestImage::Random(w, h, 5);
        const TestImage expected = PerPixel(image, [](Colour c) {
            const int g = (c.blue + c.green + c.red) / 3;
            return Colour{g, g, g};
        });
        EXPECT_EQ(AppliedBothWays(kAverageGray, image), expected) << w << " x " << h;
    }
}

TEST(SwapChannelsTest, ArrangesChannelsBySelector) {
    struct Case {
        std::int32_t selector;
        Colour result;
    };
    // From (blue 10, green 20, red 30).
    const Case cases[] = {
        {1, {20, 30, 10}}, {2, {30, 10, 20}}, {3, {20, 10, 30}},
        {4, {30, 20, 10}}, {5, {10, 30, 20}},
    };
    for (const Case& c : cases) {
        const TestImage result = AppliedBothWays(kSwapChannels, RowOf({{10, 20, 30}}), c.selector);
        EXPECT_EQ(ColourAt(result, 1), c.result) << "selector " << c.selector;
        EXPECT_EQ(result.at(4, 1, 1), 0xA5);
    }
}

TEST(SwapChannelsTest, RoundTripsRestoreTheImage) {
    const TestImage image = TestImage::Random(7, 5, 21);
    const std::vector<std::vector<std::int32_t>> trips = {
        {1, 1, 1}, {2, 2, 2}, {3, 3}, {4, 4}, {5, 5}, {1, 2}, {2, 1},
    };
    for (const auto& trip : trips) {
        TestImage result = image;
        for (const std::int32_t selector : trip)
            result = AppliedBothWays(kSwapChannels, result, selector);
        EXPECT_EQ(result, image) << "starting with selector " << trip.front();
    }
}

TEST(SwapChannelsTest, OtherSelectorsChangeNothingButStillReportEveryRow) {
    const TestImage image = TestImage::Random(4, 5, 8);
    std::vector<std::int32_t> expected = RowSteps(5);
    expected.push_back(100);
    for (const std::int32_t selector : {0, 6, -1, 256, INT_MIN, INT_MAX}) {
        EXPECT_EQ(AppliedBothWays(kSwapChannels, image, selector), image) << selector;
        EXPECT_EQ(ProgressOf(kSwapChannels, image, selector), expected) << selector;
    }
}

constexpr std::int32_t Packed(int red, int green, int blue) {
    return red + 256 * green + 65536 * blue;
}

TEST(ColorThresholdTest, BlackOnlyWhenEveryChannelIsStrictlyBelow) {
    const TestImage image = RowOf({{127, 127, 127},
                                   {127, 127, 128},
                                   {127, 128, 127},
                                   {128, 127, 127},
                                   {0, 0, 0},
                                   {200, 10, 10}});
    const TestImage result = AppliedBothWays(kColorThreshold, image, Packed(128, 128, 128));
    const int expected[] = {0, 255, 255, 255, 0, 255};
    for (std::int32_t x = 1; x <= image.width; ++x) {
        const int v = expected[x - 1];
        EXPECT_EQ(ColourAt(result, x), (Colour{v, v, v})) << ColourAt(image, x);
    }
}

TEST(ColorThresholdTest, EachThresholdGuardsItsOwnChannel) {
    // red 50, green 100, blue 150: the pixel is (blue, green, red).
    const TestImage image =
        RowOf({{149, 99, 49}, {149, 99, 50}, {149, 100, 49}, {150, 99, 49}, {49, 99, 149}});
    const TestImage result = AppliedBothWays(kColorThreshold, image, Packed(50, 100, 150));
    const int expected[] = {0, 255, 255, 255, 255};
    for (std::int32_t x = 1; x <= image.width; ++x)
        EXPECT_EQ(result.at(1, x, 1), expected[x - 1]) << x;
}

TEST(ColorThresholdTest, ZeroTurnsEverythingWhite) {
    const TestImage image = TestImage::Random(6, 4, 2);
    const TestImage white = PerPixel(image, [](Colour) { return Colour{255, 255, 255}; });
    EXPECT_EQ(AppliedBothWays(kColorThreshold, image, 0), white);
}

TEST(ColorThresholdTest, WhiteBlackensEveryPixelWithoutAChannelAt255) {
    const TestImage image =
        RowOf({{254, 254, 254}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}});
    const TestImage result = AppliedBothWays(kColorThreshold, image, 16777215);
    const int expected[] = {0, 255, 255, 255, 0};
    for (std::int32_t x = 1; x <= image.width; ++x)
        EXPECT_EQ(result.at(2, x, 1), expected[x - 1]) << x;
}

TEST(ColorThresholdTest, NegativeColoursNeverBlacken) {
    // Red keeps the sign: -1 and -256 give red thresholds of -1 and 0.
    for (const std::int32_t colour : {-1, -256, INT_MIN}) {
        const TestImage result =
            AppliedBothWays(kColorThreshold, RowOf({{0, 0, 0}, {10, 20, 30}}), colour);
        EXPECT_EQ(result, TestImage::Filled(2, 1, 255, 255, 255)) << colour;
    }
}

TEST(ColorThresholdTest, IgnoresTheTopByteOfAPositiveColour) {
    const TestImage image = TestImage::Random(8, 3, 4);
    EXPECT_EQ(AppliedBothWays(kColorThreshold, image, 0x7F808080),
              AppliedBothWays(kColorThreshold, image, 0x00808080));
}

TEST(ColorThresholdTest, MatchesThePlainComparisonOnRandomImages) {
    const TestImage image = TestImage::Random(9, 7, 13);
    for (const std::int32_t colour :
         {Packed(128, 128, 128), Packed(200, 60, 90), Packed(1, 255, 255), -200}) {
        const SplitColour t = SplitColor(colour);
        const TestImage expected = PerPixel(image, [t](Colour c) {
            const int v = (c.red < t.red && c.green < t.green && c.blue < t.blue) ? 0 : 255;
            return Colour{v, v, v};
        });
        EXPECT_EQ(AppliedBothWays(kColorThreshold, image, colour), expected) << colour;
    }
}

}  // namespace
}  // namespace tegmora::effects
