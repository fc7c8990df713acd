// Settings store on real hive files in a temporary home: one read and one write through TtsIni
// (open the section, read or write the value, close). A read by a process that already holds the
// hive compares the file with what it read last; a fresh process parses it; a write re-reads the
// file under its lock and replaces it (two fsyncs). Also the machine hive's provided keys: the
// engine version as the page hook reads it, and a walk over the whole uninstall list as the
// client information report makes it, on this machine's package database.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "linux/FileRegistry.h"
#include "setup/tsIni.h"

namespace {

namespace fs = std::filesystem;
using tesra::TtsIni;
using tesra::platform::Access;
using tesra::platform::FileRegistry;
using tesra::platform::RootKey;

FileRegistry::Locations Locations() {
    static const FileRegistry::Locations locations = [] {
        char pattern[] = "/tmp/tesra-settings-bench-XXXXXX";
        fs::path root = mkdtemp(pattern);
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        setenv("TESRA_MACHINE_HIVE_DIR", (root / "machine").c_str(), 1);
        FileRegistry::Locations l = FileRegistry::DefaultLocations();
        // A hive of the usual size: the platform keys, a few set-up addresses and the user's choice.
        FileRegistry registry(l);
        TtsIni ini("", registry);
        for (int i = 0; i < 5; ++i) {
            ini.WriteString("TesraBrowser\\Urls", std::to_string(1000 + i),
                            "https://app" + std::to_string(i) + ".example.test/web/");
        }
        ini.WriteBool("TesraBrowser", "IsCloseToTrayIcon", true);
        return l;
    }();
    return locations;
}

void BM_SettingsRead(benchmark::State& state) {
    FileRegistry registry(Locations());
    TtsIni ini("", registry);
    for (auto _ : state) benchmark::DoNotOptimize(ini.ReadString("TesraBrowser\\Urls", "1003", ""));
}
BENCHMARK(BM_SettingsRead);

void BM_SettingsReadInAFreshProcess(benchmark::State& state) {
    for (auto _ : state) {
        FileRegistry registry(Locations());
        benchmark::DoNotOptimize(TtsIni("", registry).ReadString("TesraBrowser\\Urls", "1003", ""));
    }
}
BENCHMARK(BM_SettingsReadInAFreshProcess);

void BM_SettingsWrite(benchmark::State& state) {
    FileRegistry registry(Locations());
    TtsIni ini("", registry);
    bool on = false;
    for (auto _ : state) ini.WriteBool("TesraBrowser", "IsCloseToTrayIcon", on = !on);
}
BENCHMARK(BM_SettingsWrite)->UseRealTime();

void BM_EngineVersionRead(benchmark::State& state) {
    FileRegistry registry(Locations());
    for (auto _ : state) {
        auto key =
            registry.CreateKey(RootKey::LocalMachine, "\\SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector");
        benchmark::DoNotOptimize(key->ReadString("IE"));
    }
}
BENCHMARK(BM_EngineVersionRead);

void BM_UninstallListWalk(benchmark::State& state) {
    FileRegistry registry(Locations());
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\uninstall";
    size_t entries = 0;
    for (auto _ : state) {
        auto key = registry.OpenKey(RootKey::LocalMachine, uninstall, Access::Full);
        auto names = key->SubKeyNames();
        entries = names.size();
        for (const auto& name : names) {
            auto sub = registry.OpenKey(RootKey::LocalMachine, uninstall + "\\" + name, Access::Full);
            benchmark::DoNotOptimize(sub->ReadString("DisplayName") + sub->ReadString("DisplayVersion"));
        }
    }
    state.counters["packages"] = static_cast<double>(entries);
}
BENCHMARK(BM_UninstallListWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
