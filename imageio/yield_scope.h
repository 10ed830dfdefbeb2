// The engine's yield hook, installed for as long as its owner lives, so that
// no hook outlives what it calls. Shared by the window and tegmora-fx.
#pragma once

#include "effects.h"

#include <utility>

namespace tegmora {

class YieldScope {
public:
    explicit YieldScope(effects::YieldHook hook) { effects::SetYieldHook(std::move(hook)); }
    ~YieldScope() { effects::SetYieldHook(nullptr); }
    YieldScope(const YieldScope&) = delete;
    YieldScope& operator=(const YieldScope&) = delete;
};

}  // namespace tegmora
