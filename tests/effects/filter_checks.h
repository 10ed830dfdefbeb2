// What the dither, emboss and Kuwahara tests share: pictures of black and
// white results, images with many equal values, and runs that record their
// progress.
#pragma once

#include "effects.h"
#include "test_image.h"

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace tegmora::effects::testing {

inline constexpr WriteBack kWriteBacks[] = {WriteBack::AtEnd, WriteBack::AsRowsFinish};

// Channel 1 as rows of '#' (255), '.' (0) or '?' (anything else).
inline std::vector<std::string> Picture(const TestImage& image) {
    std::vector<std::string> rows;
    for (std::int32_t y = 1; y <= image.height; ++y) {
        std::string row;
        for (std::int32_t x = 1; x <= image.width; ++x) {
            const std::uint8_t v = image.at(1, x, y);
            row += v == 255 ? '#' : (v == 0 ? '.' : '?');
        }
        rows.push_back(row);
    }
    return rows;
}

// A random image whose colour bytes are drawn from `values`: few distinct
// values give many ties. The fourth byte is random.
inline TestImage RandomFrom(std::int32_t w, std::int32_t h, std::uint32_t seed,
                            std::initializer_list<std::uint8_t> values) {
    TestImage image = TestImage::Random(w, h, seed);
    const std::vector<std::uint8_t> pool(values);
    std::mt19937 gen(seed);
    for (std::size_t i = 0; i < image.bits.size(); ++i)
        if (i % 4 != 3) image.bits[i] = pool[gen() % pool.size()];
    return image;
}

// Sets the yield hook for a scope, and clears it however the scope ends.
class YieldHookScope {
public:
    explicit YieldHookScope(YieldHook hook) { SetYieldHook(std::move(hook)); }
    ~YieldHookScope() { SetYieldHook(nullptr); }
    YieldHookScope(const YieldHookScope&) = delete;
    YieldHookScope& operator=(const YieldHookScope&) = delete;
};

// Every progress value a run reports, in order.
inline std::vector<std::int32_t> ProgressOf(std::int32_t code, TestImage image, std::int32_t amount = 0) {
    std::vector<std::int32_t> seen;
    std::int32_t progress = -7;
    const YieldHookScope scope([&] { seen.push_back(progress); });
    ApplyFilter(code, image.view(), amount, progress);
    return seen;
}

}  // namespace tegmora::effects::testing
