// The one table of filter codes: dispatch, the command line's list and the
// names in error messages all come from here.
#include "engine.h"

#include <array>

namespace tegmora::effects {
namespace {

constexpr std::array<FilterInfo, 31> kFilters{{
    {1, "Sharpen", true, Sharpen, SharpenMayFailMidRun},
    {2, "Invert", false, Invert, nullptr},
    {3, "Blur", false, Blur, nullptr},
    {4, "Diffuse", true, Diffuse, nullptr},
    {5, "Smooth", false, Smooth, nullptr},
    {6, "Edge Enhance", true, EdgeEnhance, EdgeEnhanceMayFailMidRun},
    {7, "Contour", true, Contour, nullptr},
    {8, "Diagonal Emboss", true, DiagonalEmboss, nullptr},
    {9, "Horizontal Emboss", true, HorizontalEmboss, nullptr},
    {10, "Reverse Diagonal Emboss", true, ReverseDiagonalEmboss, nullptr},
    {11, "Reverse Horizontal Emboss", true, ReverseHorizontalEmboss, nullptr},
    {12, "Average Gray", false, AverageGray, nullptr},
    {13, "Relief", false, Relief, nullptr},
    {14, "Brightness", true, Brightness, nullptr},
    {15, "Pixelize", true, Pixelize, nullptr},
    {16, "Swap Channels", true, SwapChannels, nullptr},
    {17, "Contrast", true, Contrast, ContrastMayFailMidRun},
    {18, "Color Threshold", true, ColorThreshold, nullptr},
    {19, "Black and White", false, BlackAndWhite, nullptr},
    {20, "Ordered Dither", false, OrderedDither, nullptr},
    {21, "Floyd-Steinberg Dither", true, FloydSteinbergDither, nullptr},
    {22, "Burkes Dither", true, BurkesDither, nullptr},
    {23, "Dither", true, StuckiDither, nullptr},
    {24, "Kuwahara", false, Kuwahara, nullptr},
    {25, "Dilate", false, Dilate, nullptr},
    {26, "Erode", false, Erode, nullptr},
    {27, "Inner Edge", false, InnerEdge, nullptr},
    {28, "Auto Levels", false, AutoLevels, nullptr},
    {29, "Noise", true, Noise, nullptr},
    {30, "Saturation", true, Saturation, SaturationMayFailMidRun},
    {31, "Gamma", true, Gamma, GammaMayFailMidRun},
}};

// "Gray Scale" runs Average Gray: a button of that name must remove colour.
constexpr std::array<Preset, 20> kPresets{{
    {"Command6", "Smooth", 5, 0},
    {"Command7", "Blur", 3, 0},
    {"Command8", "Sharpen", 1, 2},
    {"Command9", "Sharpen More", 1, 0},
    {"Command10", "Diffuse", 4, 6},
    {"Command11", "Diffuse More", 4, 12},
    {"Command12", "Pixelize", 15, 3},
    {"Command17", "Relief", 13, 0},
    {"Command18", "Edge Enhance", 6, 1},
    {"Command31", "Increase Saturation", 30, 15},
    {"Command33", "Black and White", 19, 0},
    {"Command21", "Gray Scale", 12, 0},
    {"Command24", "Brighter", 14, 10},
    {"Command25", "Darker", 14, -10},
    {"Command26", "Increase Contrast", 17, 10},
    {"Command27", "Decrease Contrast", 17, -10},
    {"Command28", "Dilate", 25, 0},
    {"Command29", "Erode", 26, 0},
    {"Command19", "Contour", 7, 0x00FFFFFF},
    {"Command32", "Decrease Saturation", 30, -20},
}};

}  // namespace

std::span<const FilterInfo> Filters() { return kFilters; }

const FilterInfo* FindFilter(std::int32_t code) {
    if (code < 1 || code > static_cast<std::int32_t>(kFilters.size())) return nullptr;
    return &kFilters[static_cast<std::size_t>(code - 1)];
}

std::span<const Preset> Presets() { return kPresets; }

}  // namespace tegmora::effects
