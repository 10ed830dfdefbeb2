// The RGB sliders' pass: each channel of the display view becomes a
// percentage of itself in the working view.
#pragma once

#include <QImage>

#include <array>
#include <cstdint>
#include <functional>

namespace tegmora::app {

// Slider value / 100. Blue is held in single precision, red and green are
// not; the difference shows in the rounded results.
struct ChannelFactors {
    double red;
    double green;
    float blue;
};

ChannelFactors FactorsOf(int red, int green, int blue);

// |factor * value| rounded half to even and capped at 255: the sign of a
// slider does not matter.
std::uint8_t ScaledChannel(std::uint8_t value, double factor);

// Rewrites `target` from `source` (both 32-bit, of the same size) pixel by
// pixel, column by column from the left, each column top to bottom. The
// fourth byte is copied. `showColumns` is called with the number of columns
// done after columns 0, 10, 20, ..., so that the caller can show the work
// so far.
void ScaleChannels(const QImage& source, QImage& target, const ChannelFactors& factors,
                   const std::function<void(int columnsDone)>& showColumns);

}  // namespace tegmora::app
