// Delete, the desktop's way: a file goes to the trash, from where the file
// manager can restore it.
#pragma once

#include <QString>

#include <functional>

namespace tegmora::app {

struct Removal {
    enum class Outcome { Trashed, Deleted, Kept, Failed };
    Outcome outcome;
    QString error;  // why not, naming the file, when Failed
};

// Moves the file at `path` to the trash. Where no trash takes it, the file
// is deleted for good only when `deleteForGood` (asked then) says yes.
Removal RemoveToTrash(const QString& path, const std::function<bool()>& deleteForGood);

}  // namespace tegmora::app
