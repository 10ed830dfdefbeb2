// Game discovery at start-up over a home where every launcher is present:
// ten Wine prefixes whose 5 MB registries do not hold the game, a hundred
// Proton prefixes of Steam's own games, and the game in a second Steam
// library. Run with the files in the page cache, as at a second start.
#include "discovery.h"
#include "game_in_prefix.h"
#include "registry.h"
#include "wine_prefix.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

namespace fs = std::filesystem;
using tegmora::demo::WriteFile;

constexpr std::size_t kRegistryBytes = 5u << 20;

// Keys of class registrations, as most of a real system.reg is, some with
// hex lists running over several lines; no key of the game.
std::string LargeRegistry() {
    std::string body;
    for (int key = 0; body.size() < kRegistryBytes; ++key) {
        body += "[Software\\\\Classes\\\\CLSID\\\\{" + std::to_string(10000000 + key) +
                "-0000-0000-C000-000000000046}\\\\InprocServer32] 1700000000\n#time=1da27c3b5e0f4a0\n"
                "@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n\"ThreadingModel\"=\"Both\"\n";
        if (key % 4 == 0) body += "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\n  10,11,12,13\n";
    }
    return tegmora::demo::RegistryText(body, "win64");
}

void Prefix(const fs::path& prefix, const std::string& registry) {
    tegmora::demo::MakeWinePrefix(prefix);
    WriteFile(prefix / "system.reg", registry);
}

// The home, made once for the process.
const fs::path& Home() {
    static const tegmora::demo::TemporaryFolder folder;
    static const bool made = [] {
        const fs::path& home = folder.path();
        const std::string large = LargeRegistry();
        const fs::path steam = home / ".local/share/Steam", library = home / "media/games";
        WriteFile(steam / "steamapps/libraryfolders.vdf", "\"libraryfolders\" { \"0\" { \"path\" \"" + steam.string() +
                                                              "\" } \"1\" { \"path\" \"" + library.string() + "\" } }");
        for (int game = 0; game < 100; ++game) {
            Prefix(steam / "steamapps/compatdata" / std::to_string(200000 + game) / "pfx", tegmora::demo::RegistryText(""));
        }
        WriteFile(library / "steamapps/appmanifest_3314060.acf", "\"AppState\" { \"installdir\" \"The Sims\" }");
        fs::create_directories(library / "steamapps/common/The Sims/GameData/Roofs");
        const fs::path largePrefixes[] = {
            home / ".wine",
            library / "steamapps/compatdata/2147483650/pfx",
            home / "Games/lutris-a", home / "Games/lutris-b",
            home / ".local/share/bottles/bottles/one", home / ".local/share/bottles/bottles/two",
            home / ".local/share/bottles/bottles/three",
            home / "Games/Heroic/Prefixes/default/one",
            home / ".PlayOnLinux/wineprefix/one", home / ".Phoenicis/containers/wineprefix/one",
        };
        for (const fs::path& prefix : largePrefixes) Prefix(prefix, large);
        WriteFile(home / ".config/lutris/games/a.yml", "game:\n  prefix: " + (home / "Games/lutris-a").string() + "\n");
        WriteFile(home / ".config/lutris/games/b.yml", "game:\n  prefix: " + (home / "Games/lutris-b").string() + "\n");
        return true;
    }();
    static_cast<void>(made);
    return folder.path();
}

void BM_DiscoverEverywhere(benchmark::State& state) {
    const fs::path& home = Home();
    std::size_t found = 0;
    for (auto _ : state) {
        const tegmora::gamedir::Search search = tegmora::gamedir::SearchEverywhere(home);
        found = search.found.size();
        benchmark::DoNotOptimize(search);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_DiscoverEverywhere)->Unit(benchmark::kMillisecond);

// One 5 MB registry without the game: read, then the game's key looked for.
void BM_OneLargeRegistry(benchmark::State& state) {
    const fs::path prefix = Home() / ".wine";
    for (auto _ : state) {
        const tegmora::gamedir::LoadedRegistry machine = tegmora::gamedir::LoadMachineRegistry(prefix);
        benchmark::DoNotOptimize(tegmora::gamedir::OpenFor32BitProgram(*machine.file, tegmora::gamedir::kGameKey));
    }
}
BENCHMARK(BM_OneLargeRegistry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
