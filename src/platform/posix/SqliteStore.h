#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sigpatch::platform::posix {

/// How store files are opened.
struct StoreOptions {
  /// Opens every store file for reading only, as for a user who may not write it.
  bool readOnly = false;
  /// The statfs(2) type of the file system that holds a path; fileSystemTypeOf
  /// when empty (tests put in another).
  std::function<long(const std::string& path)> fileSystemType;
};

/// One registry store file: a SQLite database in WAL mode with full
/// synchronisation, shared safely by several processes, opened on first use
/// and created (with its folder) on the first write. A file that is damaged,
/// not a store of ours, or on a network file system is refused with a
/// diagnostic that names it; it is never changed or reset.
///
/// Keys and values are rows; names are kept as written (UTF-16LE) and compared
/// in their upper-cased form (UTF-16BE, so that byte order is the order of the
/// code units). Every row carries a checksum, checked when the file is opened
/// and whenever a value is read. Results are the system's result codes.
class SqliteStore {
 public:
  using KeyId = std::int64_t;

  /// Internal result of ready(): there is no store file yet, an empty store.
  static constexpr std::int32_t kMissing = -1;
  /// The key of the root at `index` in kRootKeys (0 HKEY_CLASSES_ROOT ... 3 HKEY_USERS).
  static KeyId rootId(int index) { return index + 1; }
  static bool isRoot(KeyId id) { return id >= 1 && id <= 4; }

  struct Child {
    KeyId id = 0;
    std::u16string name;
    std::u16string className;
    std::uint64_t written = 0;
  };
  struct Value {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };

  SqliteStore(std::string path, StoreOptions options);
  ~SqliteStore();
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  const std::string& Path() const { return path_; }
  /// What is wrong with the file, in one line naming it; empty when nothing is.
  const std::u16string& Diagnostic() const { return diagnostic_; }
  /// Whether changes may be made (a store file that does not exist yet counts as writable).
  bool Writable() const;

  /// Runs `body` on a consistent view of the store. kMissing when there is no
  /// store yet (body does not run).
  std::int32_t Read(const std::function<std::int32_t()>& body);
  /// Runs `body` as one atomic change, creating the store first when needed;
  /// a body result other than 0 undoes what the body did.
  std::int32_t Write(const std::function<std::int32_t()>& body);

  void BeginTransaction();
  std::int32_t CommitTransaction();
  void RollbackTransaction();

  // Operations for Read and Write bodies.
  std::int32_t KeyExists(KeyId id, bool& exists);
  std::int32_t KeyDepth(KeyId id, std::int64_t& depth);
  std::int32_t FindChild(KeyId parent, std::u16string_view name, KeyId& child);
  std::int32_t CreateChild(KeyId parent, std::int64_t depth, std::u16string_view name,
                           std::u16string_view className, KeyId& child);
  std::int32_t HasChildren(KeyId id, bool& has);
  std::int32_t DeleteKey(KeyId id);
  std::int32_t ChildAt(KeyId parent, std::uint32_t index, Child& child);
  /// kErrorFileNotFound when the key has no such value.
  std::int32_t FindValue(KeyId key, std::u16string_view name, Value& value);
  std::int32_t SetValue(KeyId key, std::u16string_view name, std::uint32_t type,
                        const std::uint8_t* data, std::size_t size);
  /// kErrorFileNotFound when the key has no such value.
  std::int32_t DeleteValue(KeyId key, std::u16string_view name);
  /// kErrorNoMoreItems after the last value.
  std::int32_t ValueAt(KeyId key, std::uint32_t index, Value& value);

 private:
  enum class State { Closed, Open, Refused };

  std::int32_t ready(bool forWriting);
  std::int32_t open(bool create);
  /// Checks a store file that was opened: its format, its integrity and the
  /// checksum of every row; sets initialised_ when the store has been set up.
  std::int32_t validate();
  /// The application id, the format version and the tables of a store of ours.
  std::int32_t checkFormat();
  /// Switches the store to its write-ahead log when it was left in another
  /// journal mode; only for a store that may be written.
  std::int32_t useWriteAheadLog();
  /// SQLite's integrity check of the whole file.
  std::int32_t checkIntegrity();
  std::int32_t checkKeySums();
  std::int32_t checkValueSums();
  /// The one number a statement gives; a statement that gives no row fails as damage.
  std::int32_t scalar(const char* sql, std::int64_t& value);
  std::int32_t initialise();
  std::int32_t exec(const char* sql);
  sqlite3_stmt* statement(const char* sql);
  std::int32_t fail(int sqliteCode);
  std::int32_t refuse(std::int32_t code, const std::string& reason);
  /// Sets the diagnostic: "The registry store PATH " and `what`, in one line.
  void describe(const std::string& what);
  void close();
  static int busyHandler(void* self, int count);

  std::string path_;
  StoreOptions options_;
  sqlite3* db_ = nullptr;
  State state_ = State::Closed;
  std::int32_t refusal_ = 0;
  bool initialised_ = false;
  std::u16string diagnostic_;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
  bool inTransaction_ = false;  // a transaction of the caller's spans several calls
  bool transactionBegun_ = false;
  std::chrono::steady_clock::time_point busySince_;
};

}  // namespace sigpatch::platform::posix
