// Slow, obvious versions of all 31 filters, pixel by pixel with (channel, x, y)
// addressing and every 32-bit step checked, to hold the engine against. They
// share no code with the engine.
#pragma once

#include "test_image.h"

#include <cstdint>
#include <span>

namespace tegmora::effects::testing {

// Filter `code` done the slow way; a failure leaves the image as it was.
// Diffuse and Noise take their draws in order from `draws`.
Outcome ReferenceRun(std::int32_t code, const TestImage& image, std::int32_t amount,
                     std::span<const float> draws = {});

}  // namespace tegmora::effects::testing
