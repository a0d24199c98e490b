#include "platform/win32/Win32WholeFile.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32ErrorText.h"
#include "platform/win32/WindowsHeaders.h"

namespace sigpatch::platform::win32 {
namespace {

// The system's text of an error code, without its line break.
std::u16string reason(DWORD code) {
  const std::u16string text = systemErrorText(code);
  return text.empty() ? u"system error " + fromWide(std::to_wstring(code)) : text;
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  bool Close() {
    const bool closed = !valid() || ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

std::u16string writeAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr))
      return reason(::GetLastError());
    bytes.remove_prefix(written);
  }
  return {};
}

// The file's path as the system resolves it (through symbolic links), in the
// plain form with a drive letter where it has one.
std::wstring finalPath(HANDLE file, const std::wstring& given) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  while (true) {
    const DWORD length =
        ::GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return given;
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(length + 1);
  }
  if (buffer.rfind(L"\\\\?\\", 0) == 0 && buffer.size() >= 6 && buffer[5] == L':') {
    buffer.erase(0, 4);
  }
  return buffer;
}

}  // namespace

std::u16string writeWholeFile(std::u16string_view path, std::string_view bytes) {
  std::wstring file = wide(path);
  {
    Handle existing(::CreateFileW(file.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (existing.valid()) {
      if (::GetFileType(existing.get()) != FILE_TYPE_DISK) return u"it is a device, not a file";
      BY_HANDLE_FILE_INFORMATION info{};
      if (!::GetFileInformationByHandle(existing.get(), &info)) return reason(::GetLastError());
      if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return u"it is a folder, not a file";
      file = finalPath(existing.get(), file);
    } else if (const DWORD error = ::GetLastError(); error != ERROR_FILE_NOT_FOUND) {
      return reason(error);
    }
  }
  const auto slash = file.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : file.substr(0, slash + 1);
  wchar_t temporary[MAX_PATH + 1] = {};
  if (::GetTempFileNameW(folder.c_str(), L"srg", 0, temporary) == 0) {
    return u"no new file can be made in " + fromWide(folder) + u": " + reason(::GetLastError());
  }
  auto fail = [&](DWORD code) {
    ::DeleteFileW(temporary);
    return reason(code);
  };
  {
    Handle out(::CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) return fail(::GetLastError());
    if (auto fault = writeAll(out.get(), bytes); !fault.empty()) {
      out.Close();
      ::DeleteFileW(temporary);
      return fault;
    }
    if (!::FlushFileBuffers(out.get())) return fail(::GetLastError());
    if (!out.Close()) return fail(::GetLastError());
  }
  if (!::MoveFileExW(temporary, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return fail(::GetLastError());
  }
  return {};
}

std::u16string writeStandardOutput(std::string_view bytes) {
  std::cout.flush();
  std::fflush(stdout);
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return u"the program has no standard output";
  return writeAll(out, bytes);
}

}  // namespace sigpatch::platform::win32
