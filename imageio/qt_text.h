// Text from the engine and the game folder lookup, which speak standard C++,
// turned into Qt's. Shared by the window and tegmora-fx.
#pragma once

#include <QFile>
#include <QString>

#include <filesystem>
#include <string_view>

namespace tegmora {

inline QString QStringOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString QStringOfPath(const std::filesystem::path& path) {
    return QStringOf(std::string_view(path.native()));
}

// A path typed or chosen in Qt, in the file system's own encoding.
inline std::filesystem::path PathOfQString(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace tegmora
