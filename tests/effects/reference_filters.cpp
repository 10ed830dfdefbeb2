#include "reference_filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace tegmora::effects::testing {
namespace {

struct Failure {
    ErrorKind kind;
};

std::int32_t Checked(std::int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw Failure{ErrorKind::Overflow};
    return static_cast<std::int32_t>(v);
}
std::int32_t Div(std::int64_t a, std::int64_t b) {
    if (b == 0) throw Failure{ErrorKind::DivisionByZero};
    return Checked(a / b);
}
// Rounded half to even into 32 bits.
std::int32_t Round(double v) {
    if (std::isnan(v)) throw Failure{ErrorKind::InvalidFloatingPoint};
    const double r = std::nearbyint(v);
    if (r < INT32_MIN || r > INT32_MAX) throw Failure{ErrorKind::Overflow};
    return static_cast<std::int32_t>(r);
}
// Storing into a channel: out of range is the overflow error.
std::uint8_t Store(std::int32_t v) {
    if (v < 0 || v > 255) throw Failure{ErrorKind::Overflow};
    return static_cast<std::uint8_t>(v);
}
std::uint8_t Clamp(std::int64_t v) { return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255)); }
double Single(double v) { return static_cast<float>(v); }

// The parts of a packed colour red + 256 * green + 65536 * blue, blue first;
// red keeps the colour's sign.
std::array<std::int32_t, 3> Parts(std::int32_t colour) {
    return {(colour >> 16) & 255, (colour >> 8) & 255, colour % 256};
}

// f(x, y) for every pixel, in scan order.
template <class F>
void EachPixel(const TestImage& image, F f) {
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x) f(x, y);
}

std::int32_t Grey(const TestImage& image, std::int32_t x, std::int32_t y) {
    return (image.at(1, x, y) + image.at(2, x, y) + image.at(3, x, y)) / 3;
}

std::int32_t MeanGrey(const TestImage& image) {
    std::int64_t sum = 0;
    EachPixel(image, [&](std::int32_t x, std::int32_t y) { sum += Grey(image, x, y); });
    return static_cast<std::int32_t>(sum / (std::int64_t{image.width} * image.height));
}

void SetGrey(TestImage& image, std::int32_t x, std::int32_t y, std::uint8_t v) {
    for (int c = 1; c <= 3; ++c) image.at(c, x, y) = v;
}

// Every channel of every pixel through f(value), in scan order.
template <class F>
void EachChannel(TestImage& work, F f) {
    EachPixel(work, [&](std::int32_t x, std::int32_t y) {
        for (int c = 1; c <= 3; ++c) work.at(c, x, y) = f(work.at(c, x, y));
    });
}

// Codes 1, 3, 5, 6 read their own results above and to the left; 7 and 13
// the unchanged image.
void Kernel(std::int32_t code, TestImage& work, std::int32_t a) {
    const bool sharpen = code == 1;
    const std::int32_t centre = code == 1 || code == 6 ? Checked(std::int64_t{a} + (sharpen ? 24 : 9)) : 0;
    const std::int32_t divisor = code == 1 || code == 6 ? Checked(std::int64_t{a} + (sharpen ? 8 : 1)) : 1;
    const auto base = Parts(a);
    const TestImage source = work;
    const TestImage& read = code == 7 || code == 13 ? source : work;
    for (std::int32_t y = 2; y < work.height; ++y)
        for (std::int32_t x = 2; x < work.width; ++x)
            for (int c = 1; c <= 3; ++c) {
                const auto p = [&](int dx, int dy) -> std::int64_t { return read.at(c, x + dx, y + dy); };
                const std::int64_t n8 =
                    p(-1, -1) + p(0, -1) + p(1, -1) + p(-1, 0) + p(1, 0) + p(-1, 1) + p(0, 1) + p(1, 1);
                const std::int64_t own = p(0, 0);
                std::uint8_t& v = work.at(c, x, y);
                switch (code) {
                    case 1: v = Clamp(Div(Checked(Checked(centre * own) - 2 * n8), divisor)); break;
                    case 3: v = Clamp(n8 / 8); break;
                    case 5: v = Clamp((own + p(-1, 0) + p(1, 0) + p(0, -1) + p(0, 1)) / 5); break;
                    case 6: v = Clamp(Div(Checked(Checked(centre * own) - n8), divisor)); break;
                    case 7: v = Clamp(base[static_cast<std::size_t>(c - 1)] + 8 * own - n8); break;
                    default: v = Clamp((2 * (p(-1, -1) - p(1, 1)) + p(0, -1) + p(-1, 0) + own - p(1, 0) - p(0, 1)) / 2 +
                                       50);
                }
            }
}

void Emboss(std::int32_t code, TestImage& work, std::int32_t a) {
    const std::int32_t sign = code <= 9 ? 1 : -1;
    const auto tint = Parts(a);
    const TestImage s = work;
    const bool diagonal = code == 8 || code == 10;
    for (std::int32_t y = diagonal ? 1 : 2; y < work.height; ++y)
        for (std::int32_t x = diagonal ? 1 : 2; x < work.width; ++x)
            for (int c = 1; c <= 3; ++c) {
                const std::int32_t t = tint[static_cast<std::size_t>(c - 1)];
                if (diagonal) {
                    const std::int32_t v = sign * (s.at(c, x, y) - s.at(c, x + 1, y + 1)) + t;
                    work.at(c, x, y) = static_cast<std::uint8_t>(std::min(255, std::abs(v)));
                } else {
                    std::int32_t v = t;
                    for (int dy = -1; dy <= 1; ++dy) v += sign * (s.at(c, x - 1, y + dy) - s.at(c, x + 1, y + dy));
                    work.at(c, x, y) = Clamp(v);
                }
            }
}

void Swap(TestImage& work, std::int32_t a) {
    // Where new blue, green and red come from, for selectors 1..5.
    static constexpr int kFrom[5][3] = {{2, 3, 1}, {3, 1, 2}, {2, 1, 3}, {3, 2, 1}, {1, 3, 2}};
    if (a < 1 || a > 5) return;
    const TestImage s = work;
    for (std::int32_t y = 1; y <= work.height; ++y)
        for (std::int32_t x = 1; x <= work.width; ++x)
            for (int c = 1; c <= 3; ++c) work.at(c, x, y) = s.at(kFrom[a - 1][c - 1], x, y);
}

// Contrast's spreading: while a channel lies outside 0..255, each in turn is
// clamped and half its excess, truncated toward zero, goes onto both others.
void Spread(std::int32_t (&v)[3]) {
    while (std::any_of(v, v + 3, [](std::int32_t c) { return c < 0 || c > 255; })) {
        if (std::max({v[0], v[1], v[2]}) <= 0) {
            v[0] = v[1] = v[2] = 0;
        } else if (std::min({v[0], v[1], v[2]}) >= 255) {
            v[0] = v[1] = v[2] = 255;
        } else {
            for (int c = 0; c < 3; ++c) {
                const std::int32_t excess = v[c] < 0 ? v[c] : (v[c] > 255 ? v[c] - 255 : 0);
                v[c] = std::clamp(v[c], 0, 255);
                v[(c + 1) % 3] = Checked(std::int64_t{v[(c + 1) % 3]} + excess / 2);
                v[(c + 2) % 3] = Checked(std::int64_t{v[(c + 2) % 3]} + excess / 2);
            }
        }
    }
}

void Contrast(TestImage& work, std::int32_t a) {
    const std::int32_t mean = MeanGrey(work);
    const double factor = Single(Checked(std::int64_t{a} + 100) / 100.0);
    std::int32_t levels[256];
    for (std::int32_t k = 0; k < 256; ++k) levels[k] = Round(factor * (k - mean) + mean);
    EachPixel(work, [&](std::int32_t x, std::int32_t y) {
        std::int32_t v[3] = {levels[work.at(1, x, y)], levels[work.at(2, x, y)], levels[work.at(3, x, y)]};
        Spread(v);
        for (int c = 1; c <= 3; ++c) work.at(c, x, y) = Store(v[c - 1]);
    });
}

// Sharpened grey against the mean, a quarter of the error carried on.
void BlackAndWhite(TestImage& work) {
    const std::int32_t mean = MeanGrey(work);
    const TestImage s = work;
    std::int32_t error = 0;
    EachPixel(work, [&](std::int32_t x, std::int32_t y) {
        std::int32_t sum = 0;
        for (int c = 1; c <= 3; ++c) {
            std::int32_t v = s.at(c, x, y);
            if (x > 1 && y > 1 && x < work.width && y < work.height) {
                std::int32_t n8 = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) n8 += (dx || dy) ? s.at(c, x + dx, y + dy) : 0;
                v = Clamp((10 * v - n8) / 2);
            }
            sum += v;
        }
        const std::int32_t t = std::clamp(sum / 3 + error, 0, 255);
        const std::int32_t out = t >= mean ? 255 : 0;
        error = (t - out) / 4;
        SetGrey(work, x, y, static_cast<std::uint8_t>(out));
    });
}

void OrderedDither(TestImage& work) {
    static constexpr int kMatrix[4][4] = {{1, 13, 4, 16}, {9, 5, 12, 8}, {3, 15, 2, 14}, {11, 7, 10, 6}};
    EachPixel(work, [&](std::int32_t x, std::int32_t y) {
        const std::int32_t step = (work.at(1, x, y) + work.at(2, x, y) + work.at(3, x, y)) / 48 + 1;
        SetGrey(work, x, y, step >= kMatrix[(y - 1) % 4][(x - 1) % 4] ? 255 : 0);
    });
}

struct Share {
    int dy, dx, weight;
};

void ErrorDiffusion(std::int32_t code, TestImage& work, std::int32_t a) {
    static const std::vector<Share> kKernels[3] = {
        {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}},
        {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}},
        {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
         {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}};
    static constexpr int kDivisors[3] = {16, 32, 42};
    const std::int32_t mean = MeanGrey(work);
    if (a == 0) throw Failure{ErrorKind::DivisionByZero};
    std::vector<std::int64_t> carried(static_cast<std::size_t>(work.width) * static_cast<std::size_t>(work.height));
    const auto cell = [&](std::int32_t x, std::int32_t y) -> std::int64_t& {
        return carried[static_cast<std::size_t>((y - 1) * work.width + x - 1)];
    };
    EachPixel(work, [&](std::int32_t x, std::int32_t y) {
        const std::int64_t t = std::clamp<std::int64_t>(Grey(work, x, y) + 10 * cell(x, y) / a, 0, 255);
        const std::int32_t out = t >= mean ? 255 : 0;
        for (const Share& s : kKernels[code - 21]) {
            const std::int32_t tx = x + s.dx;
            const std::int32_t ty = y + s.dy;
            if (tx >= 1 && tx <= work.width && ty <= work.height)
                cell(tx, ty) += s.weight * (t - out) / kDivisors[code - 21];
        }
        SetGrey(work, x, y, static_cast<std::uint8_t>(out));
    });
}

// The flattest of the four 3 x 3 squares that have the pixel as a corner.
void Kuwahara(TestImage& work) {
    const TestImage s = work;
    for (std::int32_t y = 3; y <= work.height - 2; ++y)
        for (std::int32_t x = 3; x <= work.width - 2; ++x)
            for (int c = 1; c <= 3; ++c) {
                std::int32_t best = INT32_MAX;
                for (const auto& [cx, cy] : {std::pair{x - 1, y - 1}, {x + 1, y - 1}, {x - 1, y + 1}, {x + 1, y + 1}}) {
                    std::int32_t sum = 0;
                    for (int d = 0; d < 9; ++d) sum += s.at(c, cx + d % 3 - 1, cy + d / 3 - 1);
                    std::int32_t variation = 0;
                    for (int d = 0; d < 9; ++d)
                        variation += std::abs(s.at(c, cx + d % 3 - 1, cy + d / 3 - 1) - sum / 9);
                    if (variation < best) {
                        best = variation;
                        work.at(c, x, y) = static_cast<std::uint8_t>(sum / 9);
                    }
                }
            }
}

void Morphology(std::int32_t code, TestImage& work) {
    const TestImage s = work;
    for (std::int32_t y = 2; y < work.height; ++y)
        for (std::int32_t x = 2; x < work.width; ++x)
            for (int c = 1; c <= 3; ++c) {
                std::int32_t pick = code == 25 ? 0 : 255;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const std::int32_t v = s.at(c, x + dx, y + dy);
                        pick = code == 25 ? std::max(pick, v) : std::min(pick, v);
                    }
                work.at(c, x, y) = Store(code == 27 ? s.at(c, x, y) - pick : pick);
            }
}

void AutoLevels(TestImage& work) {
    for (int c = 1; c <= 3; ++c) {
        std::int32_t lo = 255;
        std::int32_t hi = 0;
        EachPixel(work, [&](std::int32_t x, std::int32_t y) {
            lo = std::min<std::int32_t>(lo, work.at(c, x, y));
            hi = std::max<std::int32_t>(hi, work.at(c, x, y));
        });
        if (lo == hi) continue;
        for (std::int32_t y = 1; y <= work.height; ++y)
            for (std::int32_t x = 1; x <= work.width; ++x)
                work.at(c, x, y) = Store(Round((work.at(c, x, y) - lo) * 255.0 / (hi - lo)));
    }
}

void Diffuse(TestImage& work, std::int32_t a, std::span<const float> draws) {
    const double half = std::nearbyint(a / 2.0);
    std::size_t next = 0;
    EachPixel(work, [&](std::int32_t x, std::int32_t y) {
        std::int64_t sx = x + static_cast<std::int64_t>(std::nearbyint(draws[next++] * static_cast<double>(a) - half));
        std::int64_t sy = y + static_cast<std::int64_t>(std::nearbyint(draws[next++] * static_cast<double>(a) - half));
        if (sx < 1 || sx > work.width) sx = x;
        if (sy < 1 || sy > work.height) sy = y;
        for (int c = 1; c <= 3; ++c)
            work.at(c, x, y) = work.at(c, static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy));
    });
}

// Block sums in 64 bits: a 32-bit sum would overflow on large blocks. A
// negative size makes empty blocks, whose mean is black.
void Pixelize(TestImage& work, std::int32_t a) {
    if (a == 0) throw Failure{ErrorKind::DivisionByZero};
    const TestImage s = work;
    for (std::int32_t y = 1; y <= work.height; ++y)
        for (std::int32_t x = 1; x <= work.width; ++x)
            for (int c = 1; c <= 3; ++c) {
                const std::int64_t x0 = a < 0 ? 1 : std::int64_t{(x - 1) / a} * a + 1;
                const std::int64_t y0 = a < 0 ? 1 : std::int64_t{(y - 1) / a} * a + 1;
                std::int64_t sum = 0;
                std::int64_t count = 0;
                for (std::int64_t bx = x0; bx < x0 + a && bx <= work.width; ++bx)
                    for (std::int64_t by = y0; by < y0 + a && by <= work.height; ++by, ++count)
                        sum += s.at(c, static_cast<std::int32_t>(bx), static_cast<std::int32_t>(by));
                work.at(c, x, y) = static_cast<std::uint8_t>(count > 0 ? sum / count : 0);
            }
}

void Noise(TestImage& work, std::int32_t a, std::span<const float> draws) {
    std::size_t next = 0;
    const double first = draws.empty() ? 0.0 : draws[next++];
    const double span = Checked(2 * std::int64_t{a} + 1);
    bool firstDraw = true;
    EachChannel(work, [&](std::uint8_t v) {
        const double r = firstDraw ? first : draws[next++];
        firstDraw = false;
        return Clamp(Round(r * span - a + v));
    });
}

void Saturation(TestImage& work, std::int32_t a) {
    const double strength = Single(a / 100.0);
    const TestImage s = work;
    for (std::int32_t y = 1; y <= work.height; ++y)
        for (std::int32_t x = 1; x <= work.width; ++x)
            for (int c = 1; c <= 3; ++c)
                work.at(c, x, y) = Clamp(Round(strength * (s.at(c, x, y) - Grey(s, x, y)) + s.at(c, x, y)));
}

void Gamma(TestImage& work, std::int32_t a) {
    const double gamma = Single(a / 100.0);
    if (gamma == 0) throw Failure{ErrorKind::DivisionByZero};
    EachChannel(work, [gamma](std::uint8_t v) {
        const double curve = std::pow(v / 255.0, 1.0 / gamma) * 255.0;
        if (!std::isfinite(curve)) throw Failure{ErrorKind::InvalidFloatingPoint};
        return Store(Round(curve));
    });
}

void Run(std::int32_t code, TestImage& work, std::int32_t a, std::span<const float> draws) {
    switch (code) {
        case 1: case 3: case 5: case 6: case 7: case 13: return Kernel(code, work, a);
        case 2: return EachChannel(work, [](std::uint8_t v) { return static_cast<std::uint8_t>(255 - v); });
        case 4: return Diffuse(work, a, draws);
        case 8: case 9: case 10: case 11: return Emboss(code, work, a);
        case 12:
            EachPixel(work, [&](std::int32_t x, std::int32_t y) { SetGrey(work, x, y, Clamp(Grey(work, x, y))); });
            return;
        case 14: {
            const double factor = Single(Checked(std::int64_t{a} + 100) / 100.0);
            std::uint8_t map[256];
            for (int i = 0; i < 256; ++i) map[i] = Clamp(Round(factor * i));
            return EachChannel(work, [&map](std::uint8_t v) { return map[v]; });
        }
        case 15: return Pixelize(work, a);
        case 16: return Swap(work, a);
        case 17: return Contrast(work, a);
        case 18: {
            const auto limit = Parts(a);
            EachPixel(work, [&](std::int32_t x, std::int32_t y) {
                bool dark = true;
                for (int c = 1; c <= 3; ++c) dark = dark && work.at(c, x, y) < limit[static_cast<std::size_t>(c - 1)];
                SetGrey(work, x, y, dark ? 0 : 255);
            });
            return;
        }
        case 19: return BlackAndWhite(work);
        case 20: return OrderedDither(work);
        case 21: case 22: case 23: return ErrorDiffusion(code, work, a);
        case 24: return Kuwahara(work);
        case 25: case 26: case 27: return Morphology(code, work);
        case 28: return AutoLevels(work);
        case 29: return Noise(work, a, draws);
        case 30: return Saturation(work, a);
        case 31: return Gamma(work, a);
        default: return;
    }
}

}  // namespace

Outcome ReferenceRun(std::int32_t code, const TestImage& image, std::int32_t amount, std::span<const float> draws) {
    Outcome outcome{image, std::nullopt, {}};
    try {
        Run(code, outcome.image, amount, draws);
    } catch (const Failure& failure) {
        outcome.error = failure.kind;
        outcome.image = image;
    }
    return outcome;
}

}  // namespace tegmora::effects::testing
