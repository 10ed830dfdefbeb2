// make_demo_prefix DIR: makes DIR a Wine prefix with a stand-in game
// installation and its roofs, so that the editor can be tried with
// WINEPREFIX=DIR.
#include "demo_prefix.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PREFIX-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path prefix = std::filesystem::absolute(argv[1]);
        tegmora::demo::WriteDemoRoofs(tegmora::demo::MakeGamePrefix(prefix));
        std::printf("Demo game installed in %s\nRun: WINEPREFIX=\"%s\" tegmora\n", prefix.c_str(),
                    prefix.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
