#include "reference_filters.h"

#include "engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tegmora::effects::testing {
namespace {

struct Failure {
    ErrorKind kind;
};

std::int32_t Checked(std::int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw Failure{ErrorKind::Overflow};
    return static_cast<std::int32_t>(v);
}
std::int32_t Add(std::int32_t a, std::int32_t b) { return Checked(std::int64_t{a} + b); }
std::int32_t Sub(std::int32_t a, std::int32_t b) { return Checked(std::int64_t{a} - b); }
std::int32_t Mul(std::int32_t a, std::int32_t b) { return Checked(std::int64_t{a} * b); }
std::int32_t Div(std::int32_t a, std::int32_t b) {
    if (b == 0) throw Failure{ErrorKind::DivisionByZero};
    return Checked(std::int64_t{a} / b);
}
// Storing into a channel: out of range is the overflow error.
std::uint8_t Store(std::int32_t v) {
    if (v < 0 || v > 255) throw Failure{ErrorKind::Overflow};
    return static_cast<std::uint8_t>(v);
}
std::uint8_t Clamp(std::int32_t v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

class Progress {
public:
    Progress(std::vector<std::int32_t>& values, std::int32_t height) : values_(values), height_(height) {}
    void row(std::int32_t y) { values_.push_back(y * 100 / height_); }
    void finish() { values_.push_back(100); }

private:
    std::vector<std::int32_t>& values_;
    std::int32_t height_;
};

bool ReadsInPlace(std::int32_t code) { return code == 1 || code == 3 || code == 5 || code == 6; }

void Kernel(std::int32_t code, TestImage& work, std::int32_t a, Progress& progress) {
    std::int32_t centre = 0;
    std::int32_t divisor = 1;
    if (code == 1) {
        centre = Add(a, 24);
        divisor = Add(a, 8);
    }
    if (code == 6) {
        centre = Add(a, 9);
        divisor = Add(a, 1);
    }
    const ColourParts colour = SplitColour(a);
    const std::int32_t base[3] = {colour.blue, colour.green, colour.red};
    const TestImage source = work;
    const TestImage& read = ReadsInPlace(code) ? work : source;
    for (std::int32_t y = 2; y <= work.height - 1; ++y) {
        for (std::int32_t x = 2; x <= work.width - 1; ++x) {
            std::uint8_t value[3];
            for (int c = 1; c <= 3; ++c) {
                auto p = [&](int dx, int dy) -> std::int32_t { return read.at(c, x + dx, y + dy); };
                const std::int32_t n8 =
                    p(-1, -1) + p(0, -1) + p(1, -1) + p(-1, 0) + p(1, 0) + p(-1, 1) + p(0, 1) + p(1, 1);
                const std::int32_t own = p(0, 0);
                std::uint8_t& v = value[c - 1];
                switch (code) {
                    case 1: v = Clamp(Div(Sub(Mul(centre, own), 2 * n8), divisor)); break;
                    case 3: v = Store(n8 / 8); break;
                    case 5: v = Store((own + p(-1, 0) + p(1, 0) + p(0, -1) + p(0, 1)) / 5); break;
                    case 6: v = Clamp(Div(Sub(Mul(centre, own), n8), divisor)); break;
                    case 7: v = Clamp(base[c - 1] + 8 * own - n8); break;
                    default: {
                        const std::int32_t s = 2 * p(-1, -1) + p(0, -1) + p(-1, 0) + own - p(1, 0) -
                                               p(0, 1) - 2 * p(1, 1);
                        v = Clamp(s / 2 + 50);
                    }
                }
            }
            work.set(x, y, value[0], value[1], value[2]);
        }
        progress.row(y);
    }
}

void Diffuse(TestImage& work, std::int32_t a, std::span<const float> draws, Progress& progress) {
    const double half = std::nearbyint(a / 2.0);
    std::size_t next = 0;
    for (std::int32_t y = 1; y <= work.height; ++y) {
        for (std::int32_t x = 1; x <= work.width; ++x) {
            const double r1 = draws[next++];
            const double r2 = draws[next++];
            auto dx = static_cast<std::int64_t>(std::nearbyint(r1 * a - half));
            auto dy = static_cast<std::int64_t>(std::nearbyint(r2 * a - half));
            if (x + dx < 1 || x + dx > work.width) dx = 0;
            if (y + dy < 1 || y + dy > work.height) dy = 0;
            const auto sx = static_cast<std::int32_t>(x + dx);
            const auto sy = static_cast<std::int32_t>(y + dy);
            for (int c = 1; c <= 3; ++c) work.at(c, x, y) = work.at(c, sx, sy);
        }
        progress.row(y);
    }
}

// Block sums in 64 bits: a 32-bit sum would overflow on large blocks.
void Pixelize(TestImage& work, std::int32_t a, Progress& progress) {
    const TestImage source = work;
    std::int64_t mean[3] = {0, 0, 0};
    for (std::int32_t y = 1; y <= work.height; ++y) {
        for (std::int32_t x = 1; x <= work.width; ++x) {
            if (a == 0) throw Failure{ErrorKind::DivisionByZero};
            if ((x - 1) % a == 0) {
                const std::int64_t x0 = std::int64_t{(x - 1) / a} * a + 1;
                const std::int64_t y0 = std::int64_t{(y - 1) / a} * a + 1;
                std::int64_t count = 0;
                std::fill(mean, mean + 3, 0);
                // Positions outside the image are skipped: stop the loops there.
                const std::int64_t x1 = std::min<std::int64_t>(x0 + a - 1, work.width);
                const std::int64_t y1 = std::min<std::int64_t>(y0 + a - 1, work.height);
                for (auto col = static_cast<std::int32_t>(x0); col <= x1; ++col) {
                    for (auto row = static_cast<std::int32_t>(y0); row <= y1; ++row) {
                        for (int c = 1; c <= 3; ++c) mean[c - 1] += source.at(c, col, row);
                        ++count;
                    }
                }
                if (count > 0)
                    for (std::int64_t& m : mean) m /= count;
            }
            work.set(x, y, static_cast<std::uint8_t>(mean[0]), static_cast<std::uint8_t>(mean[1]),
                     static_cast<std::uint8_t>(mean[2]));
        }
        progress.row(y);
    }
}

void Morphology(std::int32_t code, TestImage& work, Progress& progress) {
    const TestImage source = work;
    for (std::int32_t y = 2; y <= work.height - 1; ++y) {
        for (std::int32_t x = 2; x <= work.width - 1; ++x) {
            for (int c = 1; c <= 3; ++c) {
                std::int32_t running = code == 25 ? 0 : 255;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const std::int32_t v = source.at(c, x + dx, y + dy);
                        if (code == 25 ? v > running : v < running) running = v;
                    }
                }
                work.at(c, x, y) = Store(code == 27 ? work.at(c, x, y) - running : running);
            }
        }
        progress.row(y);
    }
}

}  // namespace

void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << (outcome.error ? ErrorKindText(*outcome.error) : "no error") << ", progress";
    for (const std::int32_t p : outcome.progress) *out << ' ' << p;
    const TestImage& image = outcome.image;
    for (int c = 1; c <= 4; ++c) {
        *out << "\n channel " << c << ':';
        for (std::int32_t y = 1; y <= image.height; ++y) {
            *out << "\n  ";
            for (std::int32_t x = 1; x <= image.width; ++x) *out << ' ' << int{image.at(c, x, y)};
        }
    }
}

Outcome EngineRun(std::int32_t code, TestImage image, std::int32_t amount, WriteBack writeBack) {
    Outcome outcome{std::move(image), std::nullopt, {}};
    std::int32_t progress = -1;
    SetYieldHook([&] { outcome.progress.push_back(progress); });
    try {
        ApplyFilter(code, outcome.image.view(), amount, progress, writeBack);
    } catch (const FilterError& e) {
        outcome.error = e.kind();
    }
    SetYieldHook(nullptr);
    return outcome;
}

Outcome ReferenceRun(std::int32_t code, TestImage image, std::int32_t amount, std::span<const float> draws) {
    Outcome outcome{image, std::nullopt, {}};
    Progress progress(outcome.progress, image.height);
    try {
        switch (code) {
            case 4: Diffuse(outcome.image, amount, draws, progress); break;
            case 15: Pixelize(outcome.image, amount, progress); break;
            case 25: case 26: case 27: Morphology(code, outcome.image, progress); break;
            default: Kernel(code, outcome.image, amount, progress);
        }
        progress.finish();
    } catch (const Failure& failure) {
        outcome.error = failure.kind;
        outcome.image = image;
    }
    return outcome;
}

ScriptedDraws::ScriptedDraws(std::vector<float> draws) : draws_(std::move(draws)) {
    SetRandomSourceForTesting([this](std::span<float> out) {
        for (float& r : out) {
            if (used_ == draws_.size()) {
                ADD_FAILURE() << "more than the " << draws_.size() << " scripted draws";
                r = 0.0f;
                continue;
            }
            r = draws_[used_++];
        }
    });
}

ScriptedDraws::~ScriptedDraws() { SetRandomSourceForTesting(nullptr); }

}  // namespace tegmora::effects::testing
