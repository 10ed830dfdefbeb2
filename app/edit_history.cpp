#include "edit_history.h"

#include <utility>

namespace tegmora::app {
namespace {

qsizetype BytesOf(const WindowState& state) {
    return state.display.sizeInBytes() + state.working.sizeInBytes();
}

}  // namespace

void EditHistory::record(WindowState before) {
    while (!redo_.empty()) dropOldest(redo_);
    push(undo_, std::move(before));
    trim();
}

std::optional<WindowState> EditHistory::undo(WindowState current) {
    return move(undo_, redo_, std::move(current));
}

std::optional<WindowState> EditHistory::redo(WindowState current) {
    return move(redo_, undo_, std::move(current));
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
}

std::optional<WindowState> EditHistory::move(Steps& from, Steps& to, WindowState current) {
    if (from.empty()) return std::nullopt;
    WindowState state = popNewest(from);
    push(to, std::move(current));
    trim();
    return state;
}

void EditHistory::push(Steps& steps, WindowState state) {
    bytes_ += BytesOf(state);
    steps.push_back(std::move(state));
}

WindowState EditHistory::popNewest(Steps& steps) {
    WindowState state = std::move(steps.back());
    steps.pop_back();
    bytes_ -= BytesOf(state);
    return state;
}

void EditHistory::dropOldest(Steps& steps) {
    bytes_ -= BytesOf(steps.front());
    steps.pop_front();
}

// The oldest undo steps go first; redo steps, farthest first, only when no
// undo step is left.
void EditHistory::trim() {
    while (bytes_ > byteLimit_ && !undo_.empty()) dropOldest(undo_);
    while (bytes_ > byteLimit_ && !redo_.empty()) dropOldest(redo_);
}

}  // namespace tegmora::app
