// Undo and redo for the window: what both views and the three sliders held
// before each step, bounded by the memory its images take rather than by a
// step count, which one large image would blow up.
#pragma once

#include <QImage>
#include <QString>

#include <array>
#include <deque>
#include <optional>

namespace tegmora::app {

// What a step changes: the display view, the working view, the slider
// values the working view was computed with, and whether the views hold a
// new roof not saved yet (the name Save suggests for it) or a listed roof.
struct WindowState {
    QImage display;
    QImage working;
    std::array<int, 3> sliders{};
    QString newRoofName;
};

class EditHistory {
public:
    static constexpr qsizetype kDefaultByteLimit = qsizetype{64} << 20;

    explicit EditHistory(qsizetype byteLimit = kDefaultByteLimit) : byteLimit_(byteLimit) {}

    // A step is about to change a window that now holds `before`. What could
    // be redone is forgotten; the oldest steps go when the images held pass
    // the limit.
    void record(WindowState before);
    // The state before the last step, keeping `current` to redo; nothing
    // when there is no step to undo.
    std::optional<WindowState> undo(WindowState current);
    // The state undone last, keeping `current` to undo; nothing when there
    // is no step to redo.
    std::optional<WindowState> redo(WindowState current);
    void clear();

private:
    using Steps = std::deque<WindowState>;

    std::optional<WindowState> move(Steps& from, Steps& to, WindowState current);
    void push(Steps& steps, WindowState state);
    WindowState popNewest(Steps& steps);
    void dropOldest(Steps& steps);
    void trim();

    qsizetype byteLimit_;
    qsizetype bytes_ = 0;
    Steps undo_;  // oldest first
    Steps redo_;  // farthest first, next to redo last
};

}  // namespace tegmora::app
