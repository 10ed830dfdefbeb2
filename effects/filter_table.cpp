// The one table of filter codes: dispatch, the command line's list and the
// names in error messages all come from here. Beside it, the editor's presets
// and the amounts that fail, which the tests and the fuzz target read.
#include "engine.h"

#include <array>
#include <limits>

namespace tegmora::effects {
namespace {

constexpr std::array<FilterInfo, 31> kFilters{{
    {1, "Sharpen", true, Sharpen, SharpenMayFailMidRun, 2},
    {2, "Invert", false, Invert, nullptr, 0},
    {3, "Blur", false, Blur, nullptr, 0},
    {4, "Diffuse", true, Diffuse, nullptr, 6},
    {5, "Smooth", false, Smooth, nullptr, 0},
    {6, "Edge Enhance", true, EdgeEnhance, EdgeEnhanceMayFailMidRun, 1},
    {7, "Contour", true, Contour, nullptr, 0x00FFFFFF},
    {8, "Diagonal Emboss", true, DiagonalEmboss, nullptr, 0x00404040},
    {9, "Horizontal Emboss", true, HorizontalEmboss, nullptr, 0x00404040},
    {10, "Reverse Diagonal Emboss", true, ReverseDiagonalEmboss, nullptr, 0x00404040},
    {11, "Reverse Horizontal Emboss", true, ReverseHorizontalEmboss, nullptr, 0x00404040},
    {12, "Average Gray", false, AverageGray, nullptr, 0},
    {13, "Relief", false, Relief, nullptr, 0},
    {14, "Brightness", true, Brightness, nullptr, 10},
    {15, "Pixelize", true, Pixelize, nullptr, 3},
    {16, "Swap Channels", true, SwapChannels, nullptr, 1},
    {17, "Contrast", true, Contrast, ContrastMayFailMidRun, 10},
    {18, "Color Threshold", true, ColorThreshold, nullptr, 0x00808080},
    {19, "Black and White", false, BlackAndWhite, nullptr, 0},
    {20, "Ordered Dither", false, OrderedDither, nullptr, 0},
    {21, "Floyd-Steinberg Dither", true, FloydSteinbergDither, nullptr, 10},
    {22, "Burkes Dither", true, BurkesDither, nullptr, 10},
    {23, "Dither", true, StuckiDither, nullptr, 10},
    {24, "Kuwahara", false, Kuwahara, nullptr, 0},
    {25, "Dilate", false, Dilate, nullptr, 0},
    {26, "Erode", false, Erode, nullptr, 0},
    {27, "Inner Edge", false, InnerEdge, nullptr, 0},
    {28, "Auto Levels", false, AutoLevels, nullptr, 0},
    {29, "Noise", true, Noise, nullptr, 20},
    {30, "Saturation", true, Saturation, SaturationMayFailMidRun, 15},
    {31, "Gamma", true, Gamma, GammaMayFailMidRun, 150},
}};

// "Gray Scale" runs Average Gray: a button of that name must remove colour.
constexpr std::array<Preset, 20> kPresets{{
    {"Smooth", 5, 0},
    {"Blur", 3, 0},
    {"Sharpen", 1, 2},
    {"Sharpen More", 1, 0},
    {"Diffuse", 4, 6},
    {"Diffuse More", 4, 12},
    {"Pixelize", 15, 3},
    {"Relief", 13, 0},
    {"Edge Enhance", 6, 1},
    {"Increase Saturation", 30, 15},
    {"Black and White", 19, 0},
    {"Gray Scale", 12, 0},
    {"Brighter", 14, 10},
    {"Darker", 14, -10},
    {"Increase Contrast", 17, 10},
    {"Decrease Contrast", 17, -10},
    {"Dilate", 25, 0},
    {"Erode", 26, 0},
    {"Contour", 7, 0x00FFFFFF},
    {"Decrease Saturation", 30, -20},
}};

constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kLeast = std::numeric_limits<std::int32_t>::min();

constexpr FailingRange kFailingAmounts[] = {
    {1, -8, -8, ErrorKind::DivisionByZero},
    {1, 8'421'481, kMost, ErrorKind::Overflow},
    {1, kLeast, -8'421'513, ErrorKind::Overflow},
    {6, -1, -1, ErrorKind::DivisionByZero},
    {6, 8'421'496, kMost, ErrorKind::Overflow},
    {6, kLeast, -8'421'506, ErrorKind::Overflow},
    {14, 842'150'351, kMost, ErrorKind::Overflow},
    {14, kLeast, -842'150'551, ErrorKind::Overflow},
    {15, 0, 0, ErrorKind::DivisionByZero},
    {17, 946'027'951, kMost, ErrorKind::Overflow},
    {17, kLeast, -946'028'151, ErrorKind::Overflow},
    {21, 0, 0, ErrorKind::DivisionByZero},
    {22, 0, 0, ErrorKind::DivisionByZero},
    {23, 0, 0, ErrorKind::DivisionByZero},
    {29, 1'073'741'824, kMost, ErrorKind::Overflow},
    {29, kLeast, -1'073'741'825, ErrorKind::Overflow},
    {30, 1'263'225'550, kMost, ErrorKind::Overflow},
    {30, kLeast, -1'263'225'851, ErrorKind::Overflow},
    {31, 0, 0, ErrorKind::DivisionByZero},
    {31, kLeast, -1, ErrorKind::InvalidFloatingPoint},
};

}  // namespace

std::span<const FilterInfo> Filters() { return kFilters; }

const FilterInfo* FindFilter(std::int32_t code) {
    if (code < 1 || code > static_cast<std::int32_t>(kFilters.size())) return nullptr;
    return &kFilters[static_cast<std::size_t>(code - 1)];
}

std::span<const Preset> Presets() { return kPresets; }

std::span<const FailingRange> FailingAmounts() { return kFailingAmounts; }

}  // namespace tegmora::effects
