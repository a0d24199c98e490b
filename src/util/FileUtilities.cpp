#include "util/FileUtilities.h"

#include <cstdint>
#include <exception>
#include <string>

#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/System.h"
#include "runtime/ExitStatus.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/Windowing.h"
#include "util/NumberUtilities.h"

namespace sigpatch {
namespace {

// A byte sequence as single-byte text, the way the files are read.
std::u16string bytesText(std::initializer_list<unsigned char> bytes) {
  std::u16string text;
  for (unsigned char b : bytes) text.push_back(text::ansiToChar(b));
  return text;
}

std::u16string right(const std::u16string& text, std::size_t n) {
  return text.size() <= n ? text : text.substr(text.size() - n);
}

// A size that must fit a 32-bit number.
std::int32_t asLong(std::int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw RuntimeError(err::kOverflow);
  return static_cast<std::int32_t>(value);
}

std::u16string dateText(const platform::DateTime& t) {
  return text::zeroPad(t.Year, 4) + u"-" + text::zeroPad(t.Month, 2) + u"-" +
         text::zeroPad(t.Day, 2) + u" " + text::zeroPad(t.Hour, 2) + u"." +
         text::zeroPad(t.Minute, 2) + u"." + text::zeroPad(t.Second, 2);
}

}  // namespace

FileUtilities::FileUtilities(runtime::PathStyle style) : style_(style) {}

FileUtilities::~FileUtilities() = default;

std::u16string FileUtilities::GetLongPath(std::u16string_view strShort) const {
  std::u16string path;
  return platform::system().GetLongPathName(strShort, path) ? path : std::u16string();
}

std::u16string FileUtilities::GetShortPath(std::u16string_view strShort) const {
  std::u16string path;
  return platform::system().GetShortPathName(strShort, path) ? path : std::u16string();
}

bool FileUtilities::CheckDirExists(std::u16string_view strPath) const {
  try {
    return platform::system().FindFirstFile(strPath);
  } catch (const std::exception&) {
    return false;
  }
}

std::u16string FileUtilities::systemFolderName(std::u16string folder) const {
  return style_ == runtime::PathStyle::Windows ? text::toUpper(folder) : folder;
}

std::u16string FileUtilities::GetWindowsDir() const {
  std::u16string folder;
  if (!platform::system().GetWindowsDirectory(folder)) folder.clear();
  return systemFolderName(std::move(folder));
}

std::u16string FileUtilities::GetWindowsSystemDir() const {
  std::u16string folder;
  if (!platform::system().GetSystemDirectory(folder)) folder.clear();
  return systemFolderName(std::move(folder));
}

std::u16string FileUtilities::GetTempDir() const {
  std::u16string folder;
  if (!platform::system().GetTempPath(folder)) folder.clear();
  return systemFolderName(std::move(folder));
}

std::u16string FileUtilities::GetSpecialPath(const std::int32_t& CSIDL) const {
  std::u16string folder;
  return platform::system().GetSpecialFolder(CSIDL, folder) ? folder : std::u16string();
}

std::u16string FileUtilities::GetFileString(std::u16string_view strFileName) {
  auto& fso = FSO();
  try {
    const std::int32_t size = asLong(fso.GetFile(strFileName)->Size());
    auto stream =
        fso.OpenTextFile(strFileName, platform::kForReading, false, platform::kTristateFalse);
    std::u16string content = stream->Read(size);
    stream->Close();
    return content;
  } catch (const std::exception&) {
    return {};
  }
}

std::u16string FileUtilities::GetLastBytesFromFile(std::u16string_view strFileName,
                                                   std::int32_t lngN) {
  auto& fso = FSO();
  try {
    const std::int32_t size = asLong(fso.GetFile(strFileName)->Size());
    auto stream =
        fso.OpenTextFile(strFileName, platform::kForReading, false, platform::kTristateFalse);
    stream->Skip(NumberUtilities().Max(asLong(std::int64_t{size} - lngN), 0));
    std::u16string content = stream->Read(lngN);
    stream->Close();
    return content;
  } catch (const std::exception&) {
    return {};
  }
}

std::u16string FileUtilities::GetFirstBytesFromFile(std::u16string_view strFileName,
                                                    std::int32_t lngN) {
  auto& fso = FSO();
  try {
    auto stream =
        fso.OpenTextFile(strFileName, platform::kForReading, false, platform::kTristateFalse);
    std::u16string content = stream->Read(lngN);
    stream->Close();
    return content;
  } catch (const std::exception&) {
    return {};
  }
}

platform::FileSystem& FileUtilities::FSO() { return fileSystemOf(fso_); }

std::int32_t FileUtilities::GetFileSize(std::u16string_view strPath) {
  return asLong(FSO().GetFile(strPath)->Size());
}

std::u16string FileUtilities::fileDateText(platform::Clock::TimePoint t) const {
  return dateText(platform::clock().ToLocal(t));
}

std::u16string FileUtilities::GetFileModDate(std::u16string_view strPath) {
  return fileDateText(FSO().FileDateLastModified(strPath));
}

std::u16string FileUtilities::GetFileAccessedDate(std::u16string_view strPath) {
  return fileDateText(FSO().GetFile(strPath)->DateLastAccessed());
}

bool FileUtilities::CopyFile(std::u16string_view strSFile, std::u16string_view strDFile) {
  auto& fso = FSO();
  try {
    if (fso.FileExists(strDFile)) clearReadOnly(*fso.GetFile(strDFile));
    fso.CopyFile(strSFile, strDFile, true);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::u16string FileUtilities::FindLargestFile(const std::u16string& strFolder) {
  auto& fso = FSO();
  std::u16string name;
  try {
    std::int64_t largest = 0;
    for (const auto& file : fso.GetFolder(strFolder)->Files()) {
      const std::int64_t size = file->Size();
      if (largest < size) {
        name = file->Name();
        largest = size;
      }
    }
  } catch (const std::exception&) {
    // The name found so far is the answer.
  }
  return name;
}

bool FileUtilities::DeleteFile(const std::u16string& strPath) {
  auto& fso = FSO();
  try {
    clearReadOnly(*fso.GetFile(strPath));
    fso.DeleteFile(strPath, false);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool FileUtilities::DeleteOldFile(std::u16string_view strPath, std::int32_t lngOld) {
  auto& fso = FSO();
  try {
    const std::u16string limit =
        dateText(platform::minusDays(platform::clock().LocalNow(), lngOld));
    if (GetFileModDate(strPath) < limit && GetFileAccessedDate(strPath) < limit) {
      clearReadOnly(*fso.GetFile(strPath));
      return DeleteFile(std::u16string(strPath));
    }
    return false;
  } catch (const std::exception&) {
    return false;
  }
}

bool FileUtilities::reportUnreadable(std::u16string_view strFileName) const {
  platform::windowing().MsgBox(u"Unable to read " + std::u16string(strFileName) + u".",
                               toolkit::MsgBoxStyle::Critical, u"Error reading file");
  return false;
}

bool FileUtilities::IsRealZipFile(std::u16string_view strFileName) {
  static const std::u16string kLocalHeader = bytesText({80, 75, 3, 4});
  static const std::u16string kSelfExtractor =
      bytesText({126, 83, 150, 70, 16,  0,  150, 70, 16, 0,   150, 70,  16,  0,  150,
                 70,  16, 0,   23, 70,  16, 0,   18, 64, 22,  0,   151, 70,  16, 0,
                 17,  90, 18,  0,  151, 70, 16,  0,  82, 105, 99,  104, 150, 70});
  try {
    if (GetFirstBytesFromFile(strFileName, 4) == kLocalHeader) return true;
    return right(GetFirstBytesFromFile(strFileName, 174), 44) == kSelfExtractor;
  } catch (const std::exception&) {
    return reportUnreadable(strFileName);
  }
}

bool FileUtilities::IsRealRarFile(std::u16string_view strFileName) {
  static const std::u16string kMarker = bytesText({82, 97, 114, 33});
  try {
    return GetFirstBytesFromFile(strFileName, 4) == kMarker;
  } catch (const std::exception&) {
    return reportUnreadable(strFileName);
  }
}

bool FileUtilities::IsRealAceFile(std::u16string_view strFileName) {
  static const std::u16string kMarker = bytesText({42, 42, 65, 67, 69, 42, 42});
  try {
    return right(GetFirstBytesFromFile(strFileName, 14), 7) == kMarker;
  } catch (const std::exception&) {
    return reportUnreadable(strFileName);
  }
}

bool FileUtilities::IsRealEXEFile(std::u16string_view strFileName) {
  static const std::u16string kHeader =
      bytesText({77, 90, 144, 0, 3, 0, 0, 0, 4, 0, 0, 0, 255, 255, 0});
  try {
    return GetFirstBytesFromFile(strFileName, 15) == kHeader;
  } catch (const std::exception&) {
    return reportUnreadable(strFileName);
  }
}

platform::FileSystem& fileSystemOf(std::unique_ptr<platform::FileSystem>& holder) {
  if (!holder) {
    try {
      holder = platform::fileSystem().CreateObject();
    } catch (const std::exception&) {
      holder.reset();
    }
    if (!holder) {
      auto& window = platform::windowing();
      window.MsgBox(u"Windows Scripting Host not available!");
      window.End(exitstatus::kFailed);
    }
  }
  return *holder;
}

}  // namespace sigpatch
