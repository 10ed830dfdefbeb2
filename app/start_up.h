// Finding the game's roofs folder on this machine before the window opens.
#pragma once

#include <QString>

#include <filesystem>

namespace tegmora::app {

struct RoofsFolder {
    QString path;     // the local folder; empty when there is none
    QString problem;  // otherwise what was looked up where, and what to do
};

// Reads the game's data folder from the registry of the Wine prefix
// `prefix` and maps its roofs folder to a local folder.
RoofsFolder LocateRoofsFolder(const std::filesystem::path& prefix);

}  // namespace tegmora::app
