// The effect engine: 31 numbered filters that rewrite a bitmap in place.
//
// Buffer contract
// ---------------
// A Bitmap is a view of pixels the caller owns: `height` rows, top row
// first, each exactly 4 * `width` bytes with no padding, so row y starts at
// bits + 4 * width * y. A pixel is four bytes in the order blue, green, red,
// fourth byte. Filters change the first three bytes only; the fourth byte of
// every pixel comes back as it went in.
//
// Inside the engine a byte is addressed as (channel, x, y) with channel 1..4
// (blue, green, red, fourth), x 1..width and y 1..height. A filter that reads
// the image it writes ("in place") sees its own results above and to the left
// of the pixel it computes; one that reads the image as it was when the run
// began never does.
//
// A run either succeeds and leaves the result in the bitmap, or throws
// FilterError and leaves the bitmap exactly as it was. Either way the engine is
// idle afterwards.
//
// Which amounts fail
// ------------------
// FailingAmounts() below lists every run of amounts that fails, with the
// image where its limits lie; why each fails:
//   Sharpen (1)          A + 24 or A + 8 outside 32 bits: overflow; A = -8:
//                        division by zero on images of at least 3 x 3;
//                        overflow on a pixel where (A + 24) x C or the sum
//                        after it leaves 32 bits.
//   Edge Enhance (6)     the same with A + 9 and A + 1; A = -1 divides by zero.
//   Pixelize (15)        A = 0: division by zero.
//   Brightness (14)      A + 100 outside 32 bits, or a level of the factor's table
//                        outside 32 bits: overflow.
//   Contrast (17)        the same; and from |A + 100| above 250,000,000 a pixel
//                        whose spreading leaves 32 bits may overflow.
//   Noise (29)           2 * A + 1 outside 32 bits: overflow.
//   Saturation (30)      overflow at the first pixel whose S * (c - grey) + c
//                        rounds outside 32 bits.
//   Gamma (31)           A = 0: division by zero; A < 0: at the first channel
//                        that cannot be converted, overflow (a level below 255
//                        that the curve lifts past 255.5) or invalid
//                        floating-point operation (level 0 has no finite power).
//   Floyd-Steinberg (21),
//   Burkes (22),
//   Dither (23)          A = 0: division by zero.
// Every other filter and amount succeeds on every image.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tegmora::effects {

struct Bitmap {
    std::uint8_t* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

enum class ErrorKind {
    Overflow,
    DivisionByZero,
    InvalidFloatingPoint,
    OutOfMemory,
};

std::string_view ErrorKindText(ErrorKind kind);

// A failed run. what() reads "<filter name>: <kind>".
class FilterError : public std::runtime_error {
public:
    FilterError(ErrorKind kind, std::int32_t code, std::string_view filterName);

    ErrorKind kind() const { return kind_; }
    std::int32_t code() const { return code_; }
    const std::string& filterName() const { return filterName_; }

private:
    ErrorKind kind_;
    std::int32_t code_;
    std::string filterName_;
};

// How the bitmap receives the result.
enum class WriteBack {
    // The bitmap keeps its old pixels until the whole result is ready: nothing
    // that looks at it during a yield ever sees a half-filtered image. Costs a
    // copy of the image per run.
    AtEnd,
    // Rows are written into the bitmap as they are finished, with no copy of
    // the image, whenever the filter cannot fail for this amount after it has
    // begun writing; otherwise the run falls back to AtEnd.
    AsRowsFinish,
};

using YieldHook = std::function<void()>;
// Uniform draws in [0, 1), written into the span in order.
using DrawSource = std::function<void(std::span<float>)>;

class UniformDraws;

// What runs filters: whether a run is under way, the hook it yields to and
// the generator Diffuse and Noise draw from. Engines are independent of each
// other, so runs on different engines may go on at once on different
// threads; one engine runs one filter at a time.
class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Runs filter `filterCode` (1..31) over `bitmap`. Any other code runs no
    // filter, leaves the pixels as they are and does not touch `progress`. A
    // call made while this engine's run is under way (from its yield hook)
    // returns at once. A bitmap without pixels is left alone. Throws
    // FilterError.
    void applyFilter(std::int32_t filterCode, Bitmap bitmap, std::int32_t amount, std::int32_t& progress,
                     WriteBack writeBack = WriteBack::AtEnd);

    // True while a run is under way.
    bool busy() const { return busy_; }

    // Called once after every row a filter finishes, and once at the end,
    // after `progress` has been updated. The window processes pending events
    // here; the command line tool redraws its progress display. Empty by
    // default. The hook may throw to abandon a run: the engine is idle again
    // afterwards, and with WriteBack::AtEnd the bitmap is as it was.
    void setYieldHook(YieldHook hook) { yieldHook_ = std::move(hook); }

    // The next draws: those of a std::mt19937 in its default state, which
    // goes on from run to run of this engine, each (next() >> 8) * 2^-24 in
    // single precision; or, once set, those of `source`. An empty source
    // brings the generator back, for tests that script the draws.
    void draw(std::span<float> out);
    void setDrawSource(DrawSource source) { drawSource_ = std::move(source); }

private:
    bool busy_ = false;
    YieldHook yieldHook_;
    DrawSource drawSource_;
    std::unique_ptr<UniformDraws> generator_;
};

class FilterRun;
using FilterRoutine = void (*)(FilterRun&);

// One row of the filter table.
struct FilterInfo {
    std::int32_t code;
    std::string_view name;
    bool takesAmount;
    FilterRoutine routine;
    // True when a run with this amount may throw after it has begun writing
    // rows; such runs never write into the caller's bitmap directly.
    bool (*mayFailMidRun)(std::int32_t amount);
    // An amount that shows the filter at work, for the benchmark: the
    // editor's where a button runs the code.
    std::int32_t typicalAmount;
};

// All 31 filters, in code order.
std::span<const FilterInfo> Filters();

// The filter of a code, or nullptr for a code that selects none.
const FilterInfo* FindFilter(std::int32_t code);

// Amounts first..last of a filter fail with `kind` on the image that
// reaches the limits (the largest sums, levels or distances from grey), and
// the amounts beside them succeed there. On other images a run may be
// narrower (with no pixel to divide for, say) or, for Gamma, of another kind.
struct FailingRange {
    std::int32_t code;
    std::int32_t first;
    std::int32_t last;
    ErrorKind kind;
};

std::span<const FailingRange> FailingAmounts();

// The editor's one-click effects: a caption bound to a code and an amount.
struct Preset {
    std::string_view caption;
    std::int32_t code;
    std::int32_t amount;
};

// The twenty buttons, left column top to bottom, then the right column.
std::span<const Preset> Presets();

// Operations beyond the numbered filters
// --------------------------------------
// Fitting, seamless tiling, hue and lightness make roofs rather than change
// them. They have names, not codes, never fail on a valid bitmap, and do not
// take part in the busy guard or the yield hook: each finishes at once on a
// roof-sized picture.

// A read-only view with the same layout as Bitmap.
struct ConstBitmap {
    const std::uint8_t* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Cuts `source` to the proportions of `target` exactly around its centre,
// then sets each target pixel to the area-weighted mean of the source area it
// covers, per byte (the fourth byte too), rounded to nearest. Where the spare
// width or height is odd the cut starts at half a pixel, and the half pixels
// count with half their area. Works as well for a target larger than the
// source. Ties round up. Both bitmaps must have pixels, and sides below 2^23.
void FitToSize(ConstBitmap source, Bitmap target);

// Blends the picture with copies of itself shifted across, then down, each by
// the shift near the middle whose pair of neighbours differs least (that pair
// becomes the wrap), so that its right edge runs on into its left and its
// bottom into its top; every pixel touching the middle half of the columns
// and the middle half of the rows keeps its bytes. All four bytes are
// blended; a side under 4 pixels is not blended along. Sides below 2^20.
void MakeSeamless(Bitmap bitmap);

// Mean absolute difference across the wrap (last column against the first,
// last row against the first) over the mean absolute difference between
// neighbouring columns and rows inside the picture, over the three colour
// bytes. 1 for a picture with no differences inside, which then has none
// across the wrap either.
double SeamRatio(ConstBitmap bitmap);

// Hue in degrees (-180..180; with colourize, the one hue for every pixel, any
// value, negative ones wrapping), saturation and lightness -100..100.
struct HueSaturationLightness {
    std::int32_t hue = 0;
    std::int32_t saturation = 0;
    std::int32_t lightness = 0;
    bool colourize = false;
};

// Moves every pixel in hue, saturation and lightness, or colourizes it,
// keeping the fourth byte.
void AdjustHueSaturationLightness(Bitmap bitmap, const HueSaturationLightness& adjustment);

// The range of one amount of a named operation.
struct AmountRange {
    std::string_view name;
    std::int32_t lowest;
    std::int32_t highest;
};

// An operation run by name on a picture in place, as the command line's
// -e NAME[:AMOUNT,...] runs it; the sibling of the filter table for --list,
// help and messages.
struct NamedOperation {
    std::string_view name;
    std::string_view summary;
    std::span<const AmountRange> amounts;  // none, or all of them required
    void (*run)(Bitmap bitmap, std::span<const std::int32_t> amounts);
};

std::span<const NamedOperation> NamedOperations();

// The operation of that exact name, or nullptr.
const NamedOperation* FindNamedOperation(std::string_view name);

}  // namespace tegmora::effects
