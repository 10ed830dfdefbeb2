// For filters that treat a row as 4 * W byte lanes and every channel alike,
// so that their loops run many bytes a step: the fourth byte of each pixel
// is computed along with the others and then put back as it was.
#pragma once

#include <cstdint>
#include <vector>

namespace tegmora::effects {

// One value per lane of a row of `width` pixels: blue, green and red on
// their lanes, `fourth` on every fourth lane.
template <typename T>
std::vector<T> ChannelLanes(std::int32_t width, T blue, T green, T red, T fourth) {
    std::vector<T> lanes(std::size_t{4} * static_cast<std::size_t>(width));
    for (std::size_t j = 0; j < lanes.size(); j += 4) {
        lanes[j] = blue;
        lanes[j + 1] = green;
        lanes[j + 2] = red;
        lanes[j + 3] = fourth;
    }
    return lanes;
}

// 0xFF on the colour lanes of a row, 0 on the fourth.
inline std::vector<std::uint8_t> ColourLaneMask(std::int32_t width) {
    return ChannelLanes<std::uint8_t>(width, 0xFF, 0xFF, 0xFF, 0x00);
}

// The result on a colour lane, the old byte on the fourth.
inline std::uint8_t OnColourLane(std::int32_t result, std::uint8_t old, std::uint8_t colourMask) {
    return static_cast<std::uint8_t>((static_cast<std::uint8_t>(result) & colourMask) | (old & ~colourMask));
}

}  // namespace tegmora::effects
