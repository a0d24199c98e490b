// GetKeyValue and SetKeyValue against the SQLite registry store in a temporary
// file, and the registry work of one whole update run: open the store, write the
// run header, read the four settings, record the installed package.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/Settings.h"
#include "platform/Platform.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegUtilities.h"
#include "runtime/Text.h"

namespace {

using namespace sigpatch;

class StoreFile {
 public:
  StoreFile() {
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() /
              ("sigpatch-bench-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(folder_);
  }
  ~StoreFile() { std::filesystem::remove_all(folder_); }
  std::string path() const { return (folder_ / "registry.db").string(); }

 private:
  std::filesystem::path folder_;
};

// The settings a store holds after some runs, and `others` unrelated values.
void fill(const std::string& path, int others) {
  platform::posix::SqliteRegistry store(platform::posix::StoreLocations::singleFile(path));
  platform::Platform services;
  services.registry = &store;
  platform::ScopedPlatform installed(services);
  RegUtilities reg;
  reg.SetKeyValue(kSettingsKey, u"Path", Variant(u"/srv/updates"), u"REG_SZ");
  reg.SetKeyValue(kSettingsKey, u"SDATParam", Variant(u"/SILENT /REBOOT"), u"REG_SZ");
  reg.SetKeyValue(kSettingsKey, u"FileMask", Variant(u"sdat*.exe"), u"REG_SZ");
  reg.SetKeyValue(kSettingsKey, u"LatestUpdate", Variant(u"SDAT4321.EXE"), u"REG_SZ");
  store.BeginTransaction();
  for (int i = 0; i < others; ++i) {
    reg.SetKeyValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\K" + text::dec(i % 50),
                    u"V" + text::dec(i), Variant(u"some value " + text::dec(i)), u"REG_SZ");
  }
  store.CommitTransaction();
}

void BM_GetKeyValue(benchmark::State& state) {
  StoreFile file;
  fill(file.path(), 0);
  platform::posix::SqliteRegistry store(platform::posix::StoreLocations::singleFile(file.path()));
  platform::Platform services;
  services.registry = &store;
  platform::ScopedPlatform installed(services);
  RegUtilities reg;
  for (auto _ : state) {
    benchmark::DoNotOptimize(reg.GetKeyValue(kSettingsKey, u"LatestUpdate", u""));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetKeyValue)->UseRealTime();

// The store's own read of one value, without RegUtilities' conversions.
void BM_GetValue(benchmark::State& state) {
  StoreFile file;
  fill(file.path(), 0);
  platform::posix::SqliteRegistry store(platform::posix::StoreLocations::singleFile(file.path()));
  std::uint8_t data[512];
  for (auto _ : state) {
    std::uint32_t type = 0;
    std::uint32_t size = sizeof data;
    benchmark::DoNotOptimize(store.GetValue(platform::kHkeyLocalMachine,
                                            u"SOFTWARE\\Ferrolite\\Sigpatch", u"LatestUpdate",
                                            &type, data, &size));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetValue)->UseRealTime();

void BM_SetKeyValue(benchmark::State& state) {
  StoreFile file;
  fill(file.path(), 0);
  platform::posix::SqliteRegistry store(platform::posix::StoreLocations::singleFile(file.path()));
  platform::Platform services;
  services.registry = &store;
  platform::ScopedPlatform installed(services);
  RegUtilities reg;
  int i = 0;
  for (auto _ : state) {
    reg.SetKeyValue(kSettingsKey, u"LatestUpdate",
                    Variant(u"SDAT" + text::dec(4000 + (i++ % 1000)) + u".EXE"), u"REG_SZ");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetKeyValue)->UseRealTime();

// The registry work of one update run that installs a package, as the program
// does it, from opening the store (and checking what it must) to closing it;
// the argument is the number of other values in the store.
void BM_UpdateRun(benchmark::State& state) {
  StoreFile file;
  fill(file.path(), static_cast<int>(state.range(0)));
  int run = 0;
  for (auto _ : state) {
    platform::posix::SqliteRegistry store(platform::posix::StoreLocations::singleFile(file.path()));
    platform::Platform services;
    services.registry = &store;
    platform::ScopedPlatform installed(services);
    RegUtilities reg;
    const auto now = u"2024-06-11 10:0" + text::dec(run % 10);
    const auto package = u"SDAT" + text::dec(5000 + run) + u".EXE";
    reg.SetKeyValue(kSettingsKey, u"LatestRunDate", Variant(now), u"REG_SZ");
    reg.SetKeyValue(kSettingsKey, u"LatestRunVersion", Variant(u"Sigpatch V1.01.02"), u"REG_SZ");
    for (const auto* name : {u"Path", u"SDATParam", u"FileMask", u"TrustedOwner",
                             u"PackageSettleSeconds", u"PackageSettleLimitSeconds",
                             u"InstallTimeoutSeconds", u"StopGraceSeconds", u"LatestUpdate",
                             u"PendingUpdate"}) {
      benchmark::DoNotOptimize(reg.GetKeyValue(kSettingsKey, name, u""));
    }
    // The test write, the record of the install under way, the package's end.
    reg.SetKeyValue(kSettingsKey, u"LatestRunDate", Variant(now), u"REG_SZ");
    reg.SetKeyValue(kSettingsKey, u"PendingUpdate", Variant(package), u"REG_SZ");
    reg.SetKeyValue(kSettingsKey, u"PendingBoot", Variant(u"3f2a9c1e-boot"), u"REG_SZ");
    reg.SetKeyValue(kSettingsKey, u"PendingProcess", Variant(u"4242 123456"), u"REG_SZ");
    reg.SetKeyValue(kSettingsKey, u"PendingAttempts", Variant(1), u"REG_DWORD");
    benchmark::DoNotOptimize(reg.GetKeyValue(kSettingsKey, u"LatestUpdate", u""));
    reg.SetKeyValue(kSettingsKey, u"LatestUpdate", Variant(package), u"REG_SZ");
    reg.SetKeyValue(kSettingsKey, u"LatestUpdateDate", Variant(now), u"REG_SZ");
    for (const auto* name : {u"PendingUpdate", u"PendingBoot", u"PendingProcess", u"PendingAttempts"}) {
      reg.DeleteValue(kSettingsKey, name);
    }
    reg.SetKeyValue(kSettingsKey, u"LatestRunResult", Variant(u"installed: " + package), u"REG_SZ");
    ++run;
  }
}
BENCHMARK(BM_UpdateRun)->Arg(0)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
