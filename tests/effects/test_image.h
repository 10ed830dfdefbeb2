// Tiny images built inline, addressed like the engine: (channel, x, y) with
// channel 1 blue, 2 green, 3 red, 4 the fourth byte, and 1-based x and y.
#pragma once

#include "effects.h"

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace tegmora::effects::testing {

struct TestImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bits;

    TestImage(std::int32_t w, std::int32_t h) : width(w), height(h), bits(std::size_t{4} * w * h, 0) {
        // A fourth byte unlike any colour, so that a filter touching it shows.
        for (std::size_t i = 3; i < bits.size(); i += 4) bits[i] = 0xA5;
    }

    // Every pixel (blue, green, red).
    static TestImage Filled(std::int32_t w, std::int32_t h, std::uint8_t blue, std::uint8_t green,
                            std::uint8_t red) {
        TestImage image(w, h);
        for (std::int32_t y = 1; y <= h; ++y)
            for (std::int32_t x = 1; x <= w; ++x) image.set(x, y, blue, green, red);
        return image;
    }

    // Rows of grey levels, top row first: the same value in all three channels.
    static TestImage Grey(std::initializer_list<std::initializer_list<int>> rows) {
        const auto h = static_cast<std::int32_t>(rows.size());
        const auto w = static_cast<std::int32_t>(rows.begin()->size());
        TestImage image(w, h);
        std::int32_t y = 1;
        for (const auto& row : rows) {
            std::int32_t x = 1;
            for (int v : row) {
                const auto b = static_cast<std::uint8_t>(v);
                image.set(x++, y, b, b, b);
            }
            ++y;
        }
        return image;
    }

    static TestImage Random(std::int32_t w, std::int32_t h, std::uint32_t seed) {
        TestImage image(w, h);
        std::mt19937 gen(seed);
        for (auto& b : image.bits) b = static_cast<std::uint8_t>(gen());
        return image;
    }

    std::uint8_t& at(int channel, std::int32_t x, std::int32_t y) {
        return bits[(static_cast<std::size_t>(y - 1) * width + (x - 1)) * 4 + (channel - 1)];
    }
    std::uint8_t at(int channel, std::int32_t x, std::int32_t y) const {
        return bits[(static_cast<std::size_t>(y - 1) * width + (x - 1)) * 4 + (channel - 1)];
    }
    void set(std::int32_t x, std::int32_t y, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
        at(1, x, y) = blue;
        at(2, x, y) = green;
        at(3, x, y) = red;
    }
    // Channel 1 of every pixel as rows, for comparing grey results.
    std::vector<std::vector<int>> blueRows() const {
        std::vector<std::vector<int>> rows(static_cast<std::size_t>(height));
        for (std::int32_t y = 1; y <= height; ++y)
            for (std::int32_t x = 1; x <= width; ++x) rows[y - 1].push_back(at(1, x, y));
        return rows;
    }

    Bitmap view() { return {bits.data(), width, height}; }
    bool operator==(const TestImage&) const = default;
};

// Runs one filter and returns the result; the progress ends in `progress`.
inline TestImage Applied(std::int32_t code, TestImage image, std::int32_t amount = 0,
                         WriteBack writeBack = WriteBack::AtEnd) {
    std::int32_t progress = -1;
    ApplyFilter(code, image.view(), amount, progress, writeBack);
    return image;
}

}  // namespace tegmora::effects::testing
