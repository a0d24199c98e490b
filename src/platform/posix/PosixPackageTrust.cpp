// Whether a package can be trusted before it runs with the program's rights:
// who could have changed it, its signature, and a folder of our own for the
// copy that runs.

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/PosixSystem.h"
#include "platform/posix/Spawn.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

// The users and the group whose changes are trusted.
struct Trusted {
  std::vector<uid_t> users;
  std::optional<gid_t> group;

  bool owns(uid_t uid) const {
    for (const uid_t user : users) {
      if (user == uid) return true;
    }
    return false;
  }
};

Trusted trustedOf(const std::string& owner) {
  Trusted trusted;
  trusted.users = {0, ::geteuid()};
  if (owner.empty()) return trusted;
  if (const passwd* user = ::getpwnam(owner.c_str())) trusted.users.push_back(user->pw_uid);
  if (const group* grp = ::getgrnam(owner.c_str())) trusted.group = grp->gr_gid;
  return trusted;
}

std::string userName(uid_t uid) {
  if (const passwd* user = ::getpwuid(uid)) return user->pw_name;
  return "user " + std::to_string(uid);
}

std::string groupName(gid_t gid) {
  if (const group* grp = ::getgrgid(gid)) return grp->gr_name;
  return std::to_string(gid);
}

std::string parentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

class PathCheck {
 public:
  explicit PathCheck(Trusted trusted) : trusted_(std::move(trusted)) {}

  // Walks `path` from the root, following links only once the link itself
  // has been checked; the first thing open to others, in words.
  std::string check(const std::string& path, int depth = 0) {
    if (depth > 40) return path + " leads through too many links";
    std::string current = "/";
    struct stat root {};
    if (::lstat("/", &root) != 0) return "/ cannot be read";
    if (auto open = entry("/", root)) return *open;
    std::size_t start = 1;
    while (start < path.size()) {
      std::size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      const std::string name = path.substr(start, end - start);
      start = end + 1;
      if (name.empty() || name == ".") continue;
      if (name == "..") {
        current = parentOf(current);
        continue;
      }
      const std::string next = current == "/" ? "/" + name : current + "/" + name;
      struct stat st {};
      if (::lstat(next.c_str(), &st) != 0) return next + " cannot be read: " + std::strerror(errno);
      if (auto open = entry(next, st)) return *open;
      if (S_ISLNK(st.st_mode)) {
        // The link is as safe as its folder and its owner; now where it leads.
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(next.c_str(), target.data(), target.size());
        if (length < 0) return next + " cannot be read: " + std::strerror(errno);
        target.resize(static_cast<std::size_t>(length));
        if (target.empty() || target.front() != '/') target = current + "/" + target;
        const std::string rest = start < path.size() ? path.substr(start) : std::string();
        return check(rest.empty() ? target : target + "/" + rest, depth + 1);
      }
      current = next;
    }
    return {};
  }

 private:
  // What is open to others about one entry in a folder already checked.
  std::optional<std::string> entry(const std::string& path, const struct stat& st) const {
    if (!trusted_.owns(st.st_uid)) return path + " belongs to " + userName(st.st_uid);
    // A link's own mode means nothing; its owner and its folder count.
    if (S_ISLNK(st.st_mode)) return std::nullopt;
    // A folder every user may write is safe only when it is sticky: then
    // nobody but the owner of an entry in it (checked next) can rename or
    // remove it. The system's own group counts as the system.
    const bool sticky = S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
    if ((st.st_mode & S_IWOTH) != 0 && !sticky) return path + " is writable by every user";
    if ((st.st_mode & S_IWGRP) != 0 && st.st_gid != 0 && trusted_.group != st.st_gid) {
      return path + " is writable by the group " + groupName(st.st_gid);
    }
    return std::nullopt;
  }

  Trusted trusted_;
};

std::string lastField(const std::string& line) {
  const auto blank = line.find(' ', 9);
  return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

}  // namespace

bool PosixSystem::RunsPrivileged() { return ::geteuid() == 0; }

std::u16string PosixSystem::WhoElseCanChange(std::u16string_view path,
                                             std::u16string_view trustedOwner) {
  std::string absolute = text::toUtf8(path);
  if (absolute.empty() || absolute.front() != '/') {
    char current[PATH_MAX];
    if (::getcwd(current, sizeof current) == nullptr) return u"the current folder cannot be read";
    absolute = std::string(current) + "/" + absolute;
  }
  return text::fromUtf8(PathCheck(trustedOf(text::toUtf8(trustedOwner))).check(absolute));
}

std::u16string PosixSystem::CheckSignature(std::u16string_view file, std::u16string_view original,
                                           std::u16string_view anchor) {
  const std::string signature = text::toUtf8(original) + ".sig";
  struct stat st {};
  if (::stat(signature.c_str(), &st) != 0) {
    return u"its signature " + text::fromUtf8(signature) + u" is missing";
  }
  if (findProgram("gpgv").empty()) return u"gpgv is not installed to check its signature";
  std::string status;
  const int result = runCommand({"gpgv", "--status-fd", "1", "--keyring", text::toUtf8(anchor),
                                 signature, text::toUtf8(file)},
                                &status, std::chrono::seconds(60));
  bool good = false;
  std::string signer;
  std::size_t start = 0;
  while (start < status.size()) {
    auto end = status.find('\n', start);
    if (end == std::string::npos) end = status.size();
    const std::string line = status.substr(start, end - start);
    start = end + 1;
    if (line.rfind("[GNUPG:] BADSIG ", 0) == 0) {
      return u"its signature is bad (by " + text::fromUtf8(lastField(line)) + u")";
    }
    if (line.rfind("[GNUPG:] NO_PUBKEY ", 0) == 0) {
      return u"its signature is by a key that is not in " + std::u16string(anchor);
    }
    if (line.rfind("[GNUPG:] GOODSIG ", 0) == 0) good = true;
  }
  if (result == 0 && good) return {};
  return u"its signature cannot be checked against " + std::u16string(anchor);
}

std::u16string PosixSystem::PrivateFolder() {
  if (lockScope_.empty()) return {};
  const std::string folder = parentOf(lockScope_) + "/packages";
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat st {};
  // Ours alone, and no link that could lead elsewhere.
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return {};
  }
  return text::fromUtf8(folder);
}

}  // namespace sigpatch::platform::posix
