// ctest runs this binary once per loop version (TEGMORA_ISA): the reference
// sweep's widest images reach every vector loop. Here: the version forced is
// the one in use, and one the processor lacks is skipped.
#include "point_loops.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace tegmora::effects::testing {
namespace {

bool Asked(std::string_view set) {
    const char* asked = std::getenv("TEGMORA_ISA");
    return asked != nullptr && set == asked;
}

// A run forced onto loops this processor lacks is skipped, not failed.
class RequestedLoops : public ::testing::Environment {
    void SetUp() override {
        if (Asked("avx2") && !Supports(InstructionSet::Avx2)) GTEST_SKIP() << "this processor lacks AVX2";
    }
};
const auto* const kRequested = ::testing::AddGlobalTestEnvironment(new RequestedLoops);

TEST(PointLoopsTest, RunsTheRequestedVersion) {
    const bool baseline = Asked("baseline") || !Supports(InstructionSet::Avx2);
    EXPECT_EQ(ActiveInstructionSet(), baseline ? InstructionSet::Baseline : InstructionSet::Avx2);
}

}  // namespace
}  // namespace tegmora::effects::testing
