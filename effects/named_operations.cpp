// The one table of operations run by name: the command line's -e, --list,
// help and messages come from here, as the numbered filters' come from
// filter_table.cpp.
#include "engine.h"

#include <algorithm>
#include <array>

namespace tegmora::effects {
namespace {

constexpr std::array<AmountRange, 3> kHsl{{{"hue", -180, 180}, {"saturation", -100, 100}, {"lightness", -100, 100}}};
// Colourize's hue is the one hue every pixel takes; a turn either way wraps.
constexpr std::array<AmountRange, 3> kColourize{{{"hue", -360, 360}, {"saturation", -100, 100}, {"lightness", -100, 100}}};

void RunSeamless(Bitmap bitmap, std::span<const std::int32_t>) { MakeSeamless(bitmap); }

template <bool colourize>
void RunHueSaturationLightness(Bitmap bitmap, std::span<const std::int32_t> amounts) {
    AdjustHueSaturationLightness(bitmap, {amounts[0], amounts[1], amounts[2], colourize});
}

constexpr std::array<NamedOperation, 3> kOperations{{
    {"seamless", "blends the edges so that the picture tiles without seams; the middle stays as it was", {},
     RunSeamless},
    {"hsl", "moves hue (degrees), saturation and lightness", kHsl, RunHueSaturationLightness<false>},
    {"colourize", "gives every pixel one hue and saturation, keeping its lightness", kColourize,
     RunHueSaturationLightness<true>},
}};

}  // namespace

std::span<const NamedOperation> NamedOperations() { return kOperations; }

const NamedOperation* FindNamedOperation(std::string_view name) {
    const auto found = std::find_if(kOperations.begin(), kOperations.end(),
                                    [&](const NamedOperation& operation) { return operation.name == name; });
    return found == kOperations.end() ? nullptr : &*found;
}

}  // namespace tegmora::effects
