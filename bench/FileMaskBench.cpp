// MatchesFileMask against fnmatch(3) with FNM_CASEFOLD, on the names a folder
// of update packages holds and on a name that makes naive backtracking explode.

#include <benchmark/benchmark.h>
#include <fnmatch.h>

#include <string>
#include <vector>

#include "runtime/Text.h"
#include "util/StringUtilities.h"

namespace {

struct Sample {
  std::vector<std::string> names;
  std::vector<std::u16string> wideNames;
};

const Sample& folderNames() {
  static const Sample sample = [] {
    Sample s;
    const char* stems[] = {"sdat", "SDAT", "readme", "dat-", "setup", "Sdat", "sdatx", "update"};
    const char* extensions[] = {".exe", ".EXE", ".txt", ".zip", ".exe.bak", ".Exe"};
    for (int i = 0; i < 512; ++i) {
      std::string name = std::string(stems[i % 8]) + std::to_string(4000 + i * 7) +
                         extensions[(i / 8) % 6];
      s.names.push_back(name);
      s.wideNames.push_back(sigpatch::text::fromUtf8(name));
    }
    return s;
  }();
  return sample;
}

void BM_MatchesFileMask(benchmark::State& state) {
  const auto& names = folderNames().wideNames;
  sigpatch::StringUtilities su;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(su.MatchesFileMask(names[i++ & 511], u"sdat*.exe"));
  }
}
BENCHMARK(BM_MatchesFileMask);

void BM_Fnmatch(benchmark::State& state) {
  const auto& names = folderNames().names;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fnmatch("sdat*.exe", names[i++ & 511].c_str(), FNM_CASEFOLD));
  }
}
BENCHMARK(BM_Fnmatch);

void BM_MatchesFileMaskPathological(benchmark::State& state) {
  const std::u16string name(static_cast<std::size_t>(state.range(0)), u'a');
  sigpatch::StringUtilities su;
  for (auto _ : state) benchmark::DoNotOptimize(su.MatchesFileMask(name, u"*a*a*a*a*a*b"));
}
BENCHMARK(BM_MatchesFileMaskPathological)->Arg(100)->Arg(1000)->Arg(10000);

void BM_FnmatchPathological(benchmark::State& state) {
  const std::string name(static_cast<std::size_t>(state.range(0)), 'a');
  for (auto _ : state) benchmark::DoNotOptimize(fnmatch("*a*a*a*a*a*b", name.c_str(), FNM_CASEFOLD));
}
BENCHMARK(BM_FnmatchPathological)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
