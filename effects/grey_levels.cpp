// Saturation and black and white: both work from each pixel's grey level,
// the truncated mean of its three channels.
#include "engine.h"

#include <algorithm>
#include <cmath>

namespace tegmora::effects {
namespace {

// |c - grey| never exceeds 170: a channel of 255 beside two of 0 has grey 85,
// a channel of 0 beside two of 255 has grey 170.
constexpr std::int32_t kMaxDistance = 170;

// A / 100 held in single precision.
double Strength(std::int32_t amount) { return Single(amount / 100.0); }

// Rewrites every pixel's three channels through `saturate(c, grey)`, in place:
// a pixel is read before it is written, as if from the unchanged image.
template <class Saturate>
void SaturateRows(FilterRun& run, Saturate saturate) {
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        std::uint8_t* p = run.work.row(y);
        std::uint8_t* const end = p + run.work.stride();
        for (; p != end; p += 4) {
            const std::int32_t grey = GreyLevel(p[0] + p[1] + p[2]);
            p[0] = saturate(p[0], grey);
            p[1] = saturate(p[1], grey);
            p[2] = saturate(p[2], grey);
        }
        run.rowDone(y);
    }
    run.finish();
}

// Every (grey level, channel) pair mapped once per run, so that a pixel
// costs three byte loads. The map is built from nearest(S * d + c) - c for
// every distance d = c - grey: S * d + c is exact in double, so only a tie can
// make that depend on c, and half to even decides a tie by the parity of the
// integer part, which shifting by an even number keeps. So one shift for even
// c and one for odd c per distance: a few hundred roundings, not 65536.
class SaturationMap {
public:
    explicit SaturationMap(double strength) : map_(256 * 256) {
        std::array<std::int32_t, 2 * (2 * kMaxDistance + 1)> shifts;
        const auto index = [](std::int32_t distance, std::int32_t parity) {
            return static_cast<std::size_t>(2 * (distance + kMaxDistance) + parity);
        };
        for (std::int32_t d = -kMaxDistance; d <= kMaxDistance; ++d)
            for (std::int32_t parity = 0; parity < 2; ++parity)
                shifts[index(d, parity)] = Nearest(strength * d + parity) - parity;
        // Pairs further apart than any pixel can hold are left at 0.
        for (std::int32_t grey = 0; grey < 256; ++grey) {
            const std::int32_t last = std::min(255, grey + kMaxDistance);
            for (std::int32_t c = std::max(0, grey - kMaxDistance); c <= last; ++c)
                map_[Index(c, grey)] = ClampByte(c + shifts[index(c - grey, c & 1)]);
        }
    }

    std::uint8_t operator()(std::int32_t c, std::int32_t grey) const {
        return map_[Index(c, grey)];
    }

private:
    static std::size_t Index(std::int32_t c, std::int32_t grey) {
        return static_cast<std::size_t>(grey) * 256 + static_cast<std::size_t>(c);
    }

    std::vector<std::uint8_t> map_;
};

// The grey level of the pixel at byte offset `i` of `row`.
std::uint8_t OwnLevel(const std::uint8_t* row, std::size_t i) {
    return static_cast<std::uint8_t>(GreyLevel(row[i] + row[i + 1] + row[i + 2]));
}

// Sharpened grey levels of a row: each channel becomes 10 times itself minus
// its 8 neighbours, halved and clamped, and the level is the truncated mean
// of the three. The sum of each column of three is formed once and shared by
// the three pixels that read it; all four bytes of a pixel are computed so
// that the loops run over contiguous bytes and vectorise.
class RowSharpener {
public:
    explicit RowSharpener(std::size_t width) : columns_(4 * width), sharp_(4 * width) {}

    // The levels of pixels 2..W-1 of the middle row into levels[1..W-2];
    // the ends of the row are not sharpened.
    void interior(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                  std::span<std::uint8_t> levels) {
        const std::size_t bytes = columns_.size();
        for (std::size_t i = 0; i < bytes; ++i)
            columns_[i] = static_cast<std::int16_t>(up[i] + mid[i] + down[i]);
        // Ten times the centre less its eight neighbours is eleven times it
        // less its column and the two beside. 16-bit lanes throughout (the
        // values lie within -2295..2805), which doubles the bytes per
        // instruction.
        for (std::size_t i = 4; i + 4 < bytes; ++i) {
            const std::int16_t centre = mid[i];
            const auto sum = static_cast<std::int16_t>(11 * centre - columns_[i - 4] - columns_[i] -
                                                       columns_[i + 4]);
            // A negative sum clamps to 0 however it is halved, so a shift
            // serves for the truncating division.
            const auto half = static_cast<std::int16_t>(sum >> 1);
            sharp_[i] = static_cast<std::uint8_t>(std::clamp<std::int16_t>(half, 0, 255));
        }
        for (std::size_t x = 1; x + 1 < levels.size(); ++x)
            levels[x] = OwnLevel(sharp_.data(), 4 * x);
    }

private:
    std::vector<std::int16_t> columns_;
    std::vector<std::uint8_t> sharp_;
};

// The grey level of every pixel of row y after sharpening; the one-pixel
// frame of the image is not sharpened.
void SharpenedLevels(const SourceRows& source, std::int32_t y, std::int32_t height,
                     RowSharpener& sharpener, std::span<std::uint8_t> levels) {
    const std::size_t width = levels.size();
    const std::uint8_t* const mid = source.row(y);
    if (y == 1 || y == height || width < 3) {
        for (std::size_t x = 0; x < width; ++x) levels[x] = OwnLevel(mid, 4 * x);
        return;
    }
    sharpener.interior(source.row(y - 1), mid, source.row(y + 1), levels);
    levels[0] = OwnLevel(mid, 0);
    levels[width - 1] = OwnLevel(mid, 4 * (width - 1));
}

// Black where the level plus the carried error falls below the mean, white
// elsewhere; a quarter of what that choice got wrong, truncated, goes on to
// the next pixel, across row ends too. The error stays within +-63, so both
// outcomes are tabulated over level + error once per run. The error chains
// every pixel to the one before, so the loop runs at the speed of that
// chain: each level has its own pointers into the tables, which leaves one
// load, indexed by the previous error, between one error and the next.
class ErrorDiffusion {
public:
    explicit ErrorDiffusion(std::int32_t mean) {
        for (std::int32_t u = kLowest; u <= kHighest; ++u) {
            const std::int32_t t = std::clamp(u, 0, 255);
            const std::int32_t out = t >= mean ? 255 : 0;
            colour_[Index(u)] = static_cast<std::uint8_t>(out);
            carried_[Index(u)] = static_cast<std::int8_t>((t - out) / 4);
        }
        for (std::int32_t level = 0; level < 256; ++level)
            steps_[level] = {colour_.data() + Index(level), carried_.data() + Index(level)};
    }

    // The steps point into the object itself.
    ErrorDiffusion(const ErrorDiffusion&) = delete;
    ErrorDiffusion& operator=(const ErrorDiffusion&) = delete;

    void row(std::uint8_t* pixels, std::span<const std::uint8_t> levels) {
        // A local copy: the pixel stores could alias the member and would
        // keep it out of a register.
        std::ptrdiff_t error = error_;
        for (const std::uint8_t level : levels) {
            const Step& step = steps_[level];
            pixels[0] = pixels[1] = pixels[2] = step.colour[error];
            error = step.carried[error];
            pixels += 4;
        }
        error_ = static_cast<std::int32_t>(error);
    }

private:
    static constexpr std::int32_t kLargestError = 63;  // 255 \ 4
    static constexpr std::int32_t kLowest = -kLargestError;
    static constexpr std::int32_t kHighest = 255 + kLargestError;
    static std::size_t Index(std::int32_t u) { return static_cast<std::size_t>(u - kLowest); }

    // Where a level's outcomes start, indexed by the error it receives.
    struct Step {
        const std::uint8_t* colour;
        const std::int8_t* carried;
    };

    std::array<std::uint8_t, kHighest - kLowest + 1> colour_;
    std::array<std::int8_t, kHighest - kLowest + 1> carried_;
    std::array<Step, 256> steps_;
    std::int32_t error_ = 0;  // set once for the whole run
};

}  // namespace

bool SaturationMayFailMidRun(std::int32_t amount) {
    // S * (c - grey) + c must round into 32 bits before it is clamped; past
    // this strength some pixel's value may not.
    return std::fabs(Strength(amount)) * kMaxDistance + 255.0 >= 2147483647.0;
}

void Saturation(FilterRun& run) {
    const double strength = Strength(run.amount);
    if (SaturationMayFailMidRun(run.amount)) {
        SaturateRows(run, [strength](std::int32_t c, std::int32_t grey) {
            return ClampByte(Nearest(strength * (c - grey) + c));
        });
        return;
    }
    SaturateRows(run, SaturationMap(strength));
}

void BlackAndWhite(FilterRun& run) {
    const std::int32_t mean = MeanGreyLevel(run.work);
    run.report(5);
    SourceRows source(run, 1);
    const auto width = static_cast<std::size_t>(run.width());
    RowSharpener sharpener(width);
    std::vector<std::uint8_t> levels(width);
    ErrorDiffusion threshold(mean);
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        source.enter(y);
        SharpenedLevels(source, y, run.height(), sharpener, levels);
        threshold.row(run.work.row(y), levels);
        run.rowDone(y, 5, 95);
    }
    run.finish();
}

}  // namespace tegmora::effects
