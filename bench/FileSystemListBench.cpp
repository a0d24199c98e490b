// Listing a folder of many files: the file-system service's Files (and the
// names of its items, as the update run reads them) against a plain readdir
// loop that collects the names of the regular files.
//
// The folder comes from SIGPATCH_BENCH_DIR; bench/list_folder.sh makes one of
// 100,000 files, runs this and times find(1) on the same folder.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/PosixFileSystem.h"
#include "runtime/Text.h"

namespace {

const char* folder() {
  const char* dir = std::getenv("SIGPATCH_BENCH_DIR");
  if (dir == nullptr) {
    std::fprintf(stderr, "set SIGPATCH_BENCH_DIR to a folder of files (bench/list_folder.sh)\n");
    std::exit(2);
  }
  return dir;
}

void BM_ReaddirLoop(benchmark::State& state) {
  const std::string path = folder();
  for (auto _ : state) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    while (const dirent* entry = readdir(dir)) {
      bool regular = entry->d_type == DT_REG;
      if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
        struct stat st {};
        regular = fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
      }
      if (regular) names.emplace_back(entry->d_name);
    }
    closedir(dir);
    benchmark::DoNotOptimize(names.data());
    state.counters["files"] = static_cast<double>(names.size());
  }
}
BENCHMARK(BM_ReaddirLoop)->Unit(benchmark::kMillisecond);

// The least a listing can do: count the regular files.
void BM_ReaddirCount(benchmark::State& state) {
  const std::string path = folder();
  for (auto _ : state) {
    std::size_t count = 0;
    DIR* dir = opendir(path.c_str());
    while (const dirent* entry = readdir(dir)) {
      bool regular = entry->d_type == DT_REG;
      if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
        struct stat st {};
        regular = fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
      }
      count += regular ? 1 : 0;
    }
    closedir(dir);
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_ReaddirCount)->Unit(benchmark::kMillisecond);

void BM_FolderFiles(benchmark::State& state) {
  const std::u16string path = sigpatch::text::fromUtf8(folder());
  sigpatch::platform::posix::PosixFileSystem fs;
  for (auto _ : state) {
    const auto files = fs.GetFolder(path)->Files();
    benchmark::DoNotOptimize(files.data());
    state.counters["files"] = static_cast<double>(files.size());
  }
}
BENCHMARK(BM_FolderFiles)->Unit(benchmark::kMillisecond);

void BM_FolderFilesWithNames(benchmark::State& state) {
  const std::u16string path = sigpatch::text::fromUtf8(folder());
  sigpatch::platform::posix::PosixFileSystem fs;
  for (auto _ : state) {
    std::size_t characters = 0;
    for (const auto& file : fs.GetFolder(path)->Files()) characters += file->Name().size();
    benchmark::DoNotOptimize(characters);
  }
}
BENCHMARK(BM_FolderFilesWithNames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
