// The file-system rules every service under test keeps (FileSystemBehaviour.h),
// here on the fake disk; each system's test binary adds its own service.

#include "platform/FileSystemBehaviour.h"

#include <chrono>

#include "fakes/FakeFileSystem.h"
#include "runtime/PathStyle.h"
#include "runtime/Text.h"

namespace sigpatch::testing {

using namespace platform;
using Names = std::vector<std::u16string>;

void FileSystemBehaviourTest::SetUp() {
  subject = GetParam().make();
  fs_ = subject->service().CreateObject();
}

std::u16string FileSystemBehaviourTest::p(std::u16string_view name) const {
  std::u16string path = subject->root();
  if (!name.empty()) path += u"/" + std::u16string(name);
  std::replace(path.begin(), path.end(), u'/', separatorOf(kNativePathStyle));
  return path;
}

namespace {

// The archive bit, which Windows sets on every file it writes.
constexpr std::int32_t kArchive = 32;
// 2004-03-07 09:05:01 UTC.
constexpr std::int64_t kTime = 1078650301;

std::int64_t seconds(Clock::TimePoint t) { return std::chrono::system_clock::to_time_t(t); }

TEST_P(FileSystemBehaviourTest, ItemsTellFilesFromFoldersAndGiveTheirFacts) {
  write(u"Thirty.EXE", std::string(30, 'x'));
  subject->setTimes(p(u"Thirty.EXE"), kTime, 1700000000);
  write(u"empty", "");
  mkdir(u"folder");
  EXPECT_TRUE(fs().FileExists(p(u"empty")) && fs().FolderExists(p(u"folder")));
  EXPECT_TRUE(fs().FolderExists(p(u"folder/")));
  for (auto name : {u"folder", u"missing", u""}) EXPECT_FALSE(fs().FileExists(p(name)));
  for (auto name : {u"empty", u"missing"}) EXPECT_FALSE(fs().FolderExists(p(name)));
  EXPECT_FALSE(fs().FileExists(u"") || fs().FolderExists(u""));
  const auto file = fs().GetFile(p(u"Thirty.EXE"));
  EXPECT_EQ(file->Name(), u"Thirty.EXE");
  EXPECT_EQ(file->Path(), p(u"Thirty.EXE"));
  EXPECT_EQ(file->Size(), 30);
  EXPECT_EQ(fs().GetFile(p(u"empty"))->Size(), 0);
  EXPECT_EQ(seconds(file->DateLastModified()), kTime);
  EXPECT_EQ(seconds(file->DateLastAccessed()), 1700000000);
  EXPECT_EQ(file->Attributes() & ~kArchive, attr::kNormal);
  file->SetAttributes(attr::kReadOnly);
  EXPECT_EQ(fs().GetFile(p(u"Thirty.EXE"))->Attributes() & ~kArchive, attr::kReadOnly);
  file->SetAttributes(attr::kNormal);
  EXPECT_EQ(file->Attributes() & ~kArchive, attr::kNormal);
  EXPECT_EQ(fs().GetFolder(p(u"folder"))->Attributes(), attr::kDirectory);
}

TEST_P(FileSystemBehaviourTest, DotsInAPathAreResolved) {
  if (!subject->resolvesDots()) GTEST_SKIP() << "the fake disk keeps paths as written";
  mkdir(u"sub");
  write(u"a.txt", "a");
  EXPECT_EQ(fs().GetFile(p(u"sub/../a.txt"))->Path(), p(u"a.txt"));
  EXPECT_EQ(fs().GetFolder(p(u"sub/../sub/"))->Path(), p(u"sub"));
  EXPECT_EQ(fs().GetAbsolutePathName(p(u"sub/./../a.txt")), p(u"a.txt"));
}

TEST_P(FileSystemBehaviourTest, AFolderListsItsFilesAndItsFolders) {
  for (auto name : {u"b.exe", u"A.exe"}) write(name, "x");
  for (auto name : {u"sub", u"other"}) mkdir(name);
  write(u"sub/deeper", "d");
  const auto folder = fs().GetFolder(p(u""));
  EXPECT_EQ(folder->Path(), subject->root());
  EXPECT_EQ(names(folder->Files()), (Names{u"A.exe", u"b.exe"}));
  EXPECT_EQ(names(folder->SubFolders()), (Names{u"other", u"sub"}));
  for (const auto& file : folder->Files()) EXPECT_EQ(file->Path(), p(file->Name()));
  EXPECT_EQ(listedNames(*folder), (Names{u"A.exe", u"b.exe"}));
  for (const auto files = folder->ListFiles(); files->Next();) {
    EXPECT_EQ(files->Path(), p(files->Name()));
  }
  for (const auto& sub : folder->SubFolders()) EXPECT_EQ(sub->Path(), p(sub->Name()));
  EXPECT_EQ(names(fs().GetFolder(p(u"other"))->Files()), Names{});
  EXPECT_EQ(listedNames(*fs().GetFolder(p(u"other"))), Names{});
}

TEST_P(FileSystemBehaviourTest, MissingAndTakenNamesRaiseTheServicesNumbers) {
  write(u"file", "x");
  mkdir(u"folder");
  EXPECT_EQ(errorOf([&] { fs().GetFolder(p(u"missing")); }), 76);
  EXPECT_EQ(errorOf([&] { fs().GetFolder(p(u"file")); }), 76);
  EXPECT_EQ(errorOf([&] { fs().GetFolder(u""); }), 5);
  EXPECT_EQ(errorOf([&] { fs().GetFile(p(u"missing")); }), 53);
  EXPECT_EQ(errorOf([&] { fs().GetFile(p(u"nofolder/file")); }), 53);
  EXPECT_EQ(errorOf([&] { fs().GetFile(p(u"folder")); }), 53);
  EXPECT_EQ(errorOf([&] { fs().CreateFolder(p(u"folder")); }), 58);
  EXPECT_EQ(errorOf([&] { fs().CreateFolder(p(u"file")); }), 58);
  EXPECT_EQ(errorOf([&] { fs().CreateFolder(p(u"no/parent")); }), 76);
  const auto made = fs().CreateFolder(p(u"new"));
  EXPECT_EQ(made->Path() + u"|" + made->Name(), p(u"new") + u"|new");
  EXPECT_TRUE(fs().FolderExists(p(u"new")));
  const auto file = fs().GetFile(p(u"file"));
  fs().DeleteFile(p(u"file"), false);
  EXPECT_EQ(errorOf([&] { file->Size(); }), 53);
  const auto folder = fs().GetFolder(p(u"folder"));
  fs().DeleteFolder(p(u"folder"), false);
  EXPECT_EQ(errorOf([&] { folder->Files(); }), 76);
  EXPECT_EQ(errorOf([&] { folder->ListFiles()->Next(); }), 76);
}

TEST_P(FileSystemBehaviourTest, ACopyKeepsContentsDateAndReadOnlyBitAndOverwritesOnlyWhenAsked) {
  const std::string bytes("MZ\0\x90\xff\r\n", 7);
  write(u"source", bytes);
  subject->setTimes(p(u"source"), kTime, kTime);
  makeReadOnly(u"source");
  fs().CopyFile(p(u"source"), p(u"copy"), false);
  EXPECT_EQ(contents(u"copy"), text::fromAnsi(bytes));
  EXPECT_EQ(seconds(fs().GetFile(p(u"copy"))->DateLastModified()), kTime);
  EXPECT_EQ(fs().GetFile(p(u"copy"))->Attributes() & attr::kReadOnly, attr::kReadOnly);
  write(u"new", "new");
  write(u"old", "old");
  EXPECT_EQ(errorOf([&] { fs().CopyFile(p(u"new"), p(u"old"), false); }), 58);
  EXPECT_EQ(contents(u"old"), u"old");
  fs().CopyFile(p(u"new"), p(u"old"), true);
  EXPECT_EQ(contents(u"old"), u"new");
  EXPECT_EQ(errorOf([&] { fs().CopyFile(p(u"new"), p(u"copy"), true); }), 70);
  EXPECT_EQ(errorOf([&] { fs().CopyFile(p(u"new"), p(u"new"), true); }), 70);
  EXPECT_EQ(contents(u"copy") + contents(u"new"), text::fromAnsi(bytes) + u"new");
}

TEST_P(FileSystemBehaviourTest, ACopyIntoAFolderKeepsTheNameAndAFailedOneLeavesNothing) {
  write(u"source.txt", "s");
  for (auto name : {u"into", u"slash"}) mkdir(name);
  fs().CopyFile(p(u"source.txt"), p(u"into"), false);
  fs().CopyFile(p(u"source.txt"), p(u"slash/"), false);
  EXPECT_EQ(contents(u"into/source.txt"), u"s");
  EXPECT_EQ(names(fs().GetFolder(p(u"slash"))->Files()), Names{u"source.txt"});
  EXPECT_EQ(errorOf([&] { fs().CopyFile(p(u"missing"), p(u"copy"), true); }), 53);
  EXPECT_EQ(errorOf([&] { fs().CopyFile(p(u"source.txt"), p(u"nofolder/copy"), true); }), 76);
  EXPECT_EQ(names(fs().GetFolder(p(u""))->Files()), Names{u"source.txt"});
}

TEST_P(FileSystemBehaviourTest, DeletingStopsAtAReadOnlyFileUnlessForced) {
  for (auto name : {u"plain", u"locked"}) write(name, "x");
  for (auto name : {u"tree", u"tree/sub"}) mkdir(name);
  write(u"tree/sub/locked", "x");
  makeReadOnly(u"locked");
  makeReadOnly(u"tree/sub/locked");
  fs().DeleteFile(p(u"plain"), false);
  EXPECT_FALSE(fs().FileExists(p(u"plain")));
  EXPECT_EQ(errorOf([&] { fs().DeleteFile(p(u"locked"), false); }), 70);
  EXPECT_TRUE(fs().FileExists(p(u"locked")));
  fs().DeleteFile(p(u"locked"), true);
  EXPECT_EQ(errorOf([&] { fs().DeleteFile(p(u"locked"), false); }), 53);
  EXPECT_EQ(errorOf([&] { fs().DeleteFile(p(u"tree"), true); }), 53);
  EXPECT_EQ(errorOf([&] { fs().DeleteFolder(p(u"tree"), false); }), 70);
  EXPECT_TRUE(fs().FileExists(p(u"tree/sub/locked")));
  fs().DeleteFolder(p(u"tree"), true);
  EXPECT_FALSE(fs().FolderExists(p(u"tree")));
  EXPECT_EQ(errorOf([&] { fs().DeleteFolder(p(u"tree"), false); }), 76);
}

TEST_P(FileSystemBehaviourTest, TextStreamsOnlyReadAndReadEveryByteAsOneCharacter) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  write(u"bytes", bytes);
  mkdir(u"folder");
  auto stream = fs().OpenTextFile(p(u"bytes"), kForReading, false, kTristateFalse);
  EXPECT_EQ(stream->Read(10), text::fromAnsi(bytes.substr(0, 10)));
  stream->Skip(118);
  EXPECT_EQ(stream->Read(3), std::u16string(u"\u20AC\u0081\u201A"));
  EXPECT_EQ(stream->Read(1000), text::fromAnsi(bytes.substr(131)));
  EXPECT_EQ(stream->Read(5), u"");
  EXPECT_EQ(errorOf([&] { stream->Read(-1); }), 5);
  stream->Close();
  EXPECT_EQ(errorOf([&] { stream->Read(1); }), 5);
  EXPECT_EQ(errorOf([&] { fs().OpenTextFile(p(u"bytes"), 2, false, 0); }), 5);
  EXPECT_EQ(errorOf([&] { fs().OpenTextFile(p(u"bytes"), 1, true, 0); }), 5);
  EXPECT_EQ(errorOf([&] { fs().OpenTextFile(p(u"bytes"), 1, false, -1); }), 5);
  EXPECT_EQ(errorOf([&] { fs().OpenTextFile(p(u"missing"), 1, false, 0); }), 53);
  EXPECT_EQ(errorOf([&] { fs().OpenTextFile(p(u"folder"), 1, false, 0); }), 70);
}

// The fake disk, in the system's path style, at a folder of its own.
class FakeSubject : public FileSystemSubject {
 public:
  FakeSubject() { service_.disk.AddFolder(root()); }
  FileSystemService& service() override { return service_; }
  std::u16string root() const override {
    return kNativePathStyle == runtime::PathStyle::Windows ? u"C:\\work" : u"/work";
  }
  void write(const std::u16string& path, const std::string& bytes) override {
    service_.disk.AddFile(path, bytes);
  }
  void setTimes(const std::u16string& path, std::int64_t written, std::int64_t read) override {
    service_.disk.Node(path).modified = std::chrono::system_clock::from_time_t(written);
    service_.disk.Node(path).accessed = std::chrono::system_clock::from_time_t(read);
  }
  bool resolvesDots() const override { return false; }

 private:
  fakes::FakeFileSystemService service_;
};

INSTANTIATE_TEST_SUITE_P(Fake, FileSystemBehaviourTest, subjectOf<FakeSubject>("Fake"),
                         fileSystemName);

}  // namespace
}  // namespace sigpatch::testing
