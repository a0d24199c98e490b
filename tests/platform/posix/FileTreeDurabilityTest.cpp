// UpdateTree's copies on a real disk, through a file system that records every
// call and can fail one or end the process at one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "PosixTestSupport.h"
#include "app/Application.h"
#include "fakes/ExpectedColors.h"
#include "platform/FileSystemBehaviour.h"
#include "platform/posix/PosixFileSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "util/FileTree.h"

namespace sigpatch {
namespace {

namespace fs = std::filesystem;
using namespace sigpatch::testing;
using View = std::u16string_view;

// The calls seen, and the kinds of a batch's calls in order; `onCall` is given
// each ("Place a.txt" for a batch's call on one copy) before it is passed on.
struct Seam {
  std::size_t count = 0;
  std::string batch;
  std::function<void(const std::string&)> onCall = [](const std::string&) {};
  void note(const std::string& call, const std::string& kind = "", const std::string& name = "") {
    ++count;
    if (!kind.empty()) batch += (batch.empty() ? "" : " ") + kind;
    onCall(name.empty() ? call : call + " " + name);
  }
};

class RecordingBatch final : public platform::CopyBatch {
 public:
  RecordingBatch(Seam& seam, std::unique_ptr<platform::CopyBatch> in)
      : seam_(seam), in_(std::move(in)) {}
  std::int64_t Add(View from, View to) override {
    seam_.note("Add", "Add");
    return names_.push_back(fs::path(text::toUtf8(to)).filename()), in_->Add(from, to);
  }
  void Sync() override { seam_.note("Sync", "Sync"), in_->Sync(); }
  void Place(std::size_t i) override { seam_.note("Place", "Place", names_[i]), in_->Place(i); }
  void SyncFolder(std::size_t i) override {
    seam_.note("SyncFolder", "SyncFolder", names_[i]), in_->SyncFolder(i);
  }

 private:
  Seam& seam_;
  std::unique_ptr<platform::CopyBatch> in_;
  std::vector<std::string> names_;
};

class RecordingFileSystem final : public platform::FileSystem {
 public:
  explicit RecordingFileSystem(Seam& seam) : seam_(seam) {}
  bool FolderExists(View p) override { return seam_.note("FolderExists"), in_.FolderExists(p); }
  std::u16string GetAbsolutePathName(View p) override { return in_.GetAbsolutePathName(p); }
  bool FileExists(View p) override { return seam_.note("FileExists"), in_.FileExists(p); }
  std::unique_ptr<platform::Folder> GetFolder(View p) override {
    return seam_.note("GetFolder"), in_.GetFolder(p);
  }
  std::unique_ptr<platform::File> GetFile(View p) override {
    return seam_.note("GetFile"), in_.GetFile(p);
  }
  void CopyFile(View from, View to, bool over) override { in_.CopyFile(from, to, over); }
  void DeleteFile(View p, bool force) override { in_.DeleteFile(p, force); }
  void DeleteFolder(View p, bool force) override { in_.DeleteFolder(p, force); }
  std::unique_ptr<platform::Folder> CreateFolder(View p) override {
    return seam_.note("CreateFolder"), in_.CreateFolder(p);
  }
  std::unique_ptr<platform::TextStream> OpenTextFile(View p, std::int32_t m, bool c,
                                                     std::int32_t f) override {
    return in_.OpenTextFile(p, m, c, f);
  }
  std::unique_ptr<platform::CopyBatch> NewCopyBatch() override {
    return std::make_unique<RecordingBatch>(seam_, in_.NewCopyBatch());
  }

 private:
  Seam& seam_;
  platform::posix::PosixFileSystem in_;
};

// A source tree and the destination as it was before UpdateTree, which brings
// it up to date through the seam.
struct Rig : platform::FileSystemService {
  Rig() {
    posix.fake.Set([&](platform::Platform& services) { services.fileSystem = this; });
  }
  std::unique_ptr<platform::FileSystem> CreateObject() override {
    return std::make_unique<RecordingFileSystem>(seam);
  }
  void source(const std::string& name, const std::string& bytes, bool older = false) {
    fs::create_directories(fs::path(dir / ("src/" + name)).parent_path());
    writeFile(dir / ("src/" + name), bytes);
    setTimes(dir / ("src/" + name), 1600000000, 1600000000);
    before[name] = older ? "old " + name : "";
  }
  // Lays dst as it was before any run.
  void reset() {
    fs::remove_all(dir / "dst");
    for (const auto& [name, old] : before) {
      const std::string there = dir / ("dst/" + name);
      fs::create_directories(fs::path(there).parent_path());
      if (!old.empty()) writeFile(there, old), setTimes(there, 1500000000, 1500000000);
    }
  }
  bool update(int* red = nullptr) {
    Application app;
    FileTree tree;
    tree.InitMyObjects(&app);
    tree.SourceDir = text::fromUtf8(dir / "src");
    tree.DestinationDir = text::fromUtf8(dir / "dst");
    tree.FileTreeChange.connect([&](View line, std::int32_t& color) {
      if (red && color == testing::kRed && line.starts_with(u"Failed to copy")) ++*red;
    });
    return tree.UpdateTree();
  }

  TempFolder dir;
  Seam seam;
  std::map<std::string, std::string> before;  // "": missing at dst
  testing::PosixServices posix;
};

TEST(FileTreeDurabilityTest, CopiesAreSyncedThenPlacedThenTheirFoldersSyncedAndNoneAfterAFault) {
  struct Case {
    std::string failing, calls;  // the call that fails with error 57; the batch's calls
    std::string a, b;            // dst/a.txt and dst/b.txt afterwards ("": missing)
    int red;                     // failed copies
  };
  const Case cases[] = {
      {"", "Add Add Sync Place Place SyncFolder SyncFolder", "a", "b", 0},
      {"Sync", "Add Add Sync", "", "old b.txt", 2},
      {"Place b.txt", "Add Add Sync Place Place SyncFolder", "a", "old b.txt", 1},
      // In place, but not known to stay there.
      {"SyncFolder a.txt", "Add Add Sync Place Place SyncFolder SyncFolder", "a", "b", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    Rig rig;
    rig.source("a.txt", "a");
    rig.source("b.txt", "b", true);
    rig.reset();
    rig.seam.onCall = [&](const std::string& call) {
      if (call == c.failing) throw RuntimeError(err::kDeviceIOError);
    };
    int red = 0;
    EXPECT_EQ(rig.update(&red), c.red == 0);
    EXPECT_EQ(red, c.red);
    EXPECT_EQ(rig.seam.batch, c.calls);
    EXPECT_EQ(readFile(rig.dir / "dst/a.txt"), c.a);
    EXPECT_EQ(readFile(rig.dir / "dst/b.txt"), c.b);
    EXPECT_EQ(std::distance(fs::directory_iterator(rig.dir / "dst"), fs::directory_iterator()),
              c.a.empty() ? 1 : 2);
  }
}

// A batch's copies keep hidden names until all are synced, and go with the
// batch unless placed; here one copy on the disk and one in memory.
TEST(FileTreeDurabilityTest, ABatchPlacesOnlySyncedCopiesAndRemovesTheRest) {
  TempFolder disk, memory("/dev/shm");
  writeFile(disk / "new", "new");
  for (const bool place : {false, true}) {
    platform::posix::PosixFileSystem fso;
    auto batch = fso.NewCopyBatch();
    for (const auto* d : {&disk, &memory})
      writeFile(*d / "old", "old"), batch->Add(u(disk / "new"), u(*d / "old"));
    EXPECT_EQ(errorOf([&] { batch->Place(0); }) + errorOf([&] { batch->SyncFolder(0); }), 10);
    if (place) batch->Sync();
    for (std::size_t i = 0; place && i < 2; ++i) batch->Place(i), batch->SyncFolder(i);
    batch.reset();
    for (const auto* d : {&disk, &memory}) {
      EXPECT_EQ(readFile(*d / "old"), place ? "new" : "old");
      EXPECT_EQ(std::distance(fs::directory_iterator(d->path()), {}), d == &disk ? 2 : 1);
    }
  }
}

// Killed at random (the seed fixed), at one of the calls or once it has
// written so many bytes into one file, a run leaves every destination file
// missing or old as it was, or whole; and what it leaves behind does not keep
// the next run from ending well.
TEST(FileTreeDurabilityTest, ARunKilledAnywhereLeavesEachFileAsItWasOrWhole) {
  Rig rig;
  std::mt19937 random(4711);
  const std::size_t largest = 200000;
  for (int i = 0; i < 12; ++i) {
    std::string bytes(i == 0 ? largest : random() % largest, '\0');
    for (auto& byte : bytes) byte = static_cast<char>(random());
    rig.source((i % 3 == 0 ? "sub/f" : "f") + std::to_string(i), bytes, i % 2 == 0);
  }
  rig.reset();
  ASSERT_TRUE(rig.update());
  const std::size_t calls = rig.seam.count;
  for (int round = 0; round < 120; ++round) {
    rig.reset();
    const bool byCall = round % 2 == 0;
    const std::size_t at = 1 + random() % (byCall ? calls : largest - 1);
    SCOPED_TRACE((byCall ? "killed at call " : "killed writing byte ") + std::to_string(at));
    rig.seam.count = 0;
    rig.seam.onCall = [&](const std::string&) {
      if (byCall && rig.seam.count == at) ::kill(::getpid(), SIGKILL);
    };
    const auto child = testing::runInChild([&](int) {
      const rlimit none{0, 0}, bytes{at, at};
      setrlimit(RLIMIT_CORE, &none);
      if (!byCall) setrlimit(RLIMIT_FSIZE, &bytes);  // beyond it: SIGXFSZ
      return rig.update() ? 0 : 1;
    });
    ASSERT_EQ(child.exitCode, -1);
    for (const auto& [name, old] : rig.before) {
      const std::string there = rig.dir / ("dst/" + name);
      const std::string now = fs::exists(there) ? readFile(there) : "missing";
      EXPECT_TRUE(now == (old.empty() ? "missing" : old) ||
                  now == readFile(rig.dir / ("src/" + name)))
          << name;
    }
  }
  rig.seam.onCall = [](const std::string&) {};
  EXPECT_TRUE(rig.update());
  for (const auto& [name, old] : rig.before)
    EXPECT_EQ(readFile(rig.dir / ("dst/" + name)), readFile(rig.dir / ("src/" + name)));
}

}  // namespace
}  // namespace sigpatch
