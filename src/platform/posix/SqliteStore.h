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
/// code units). Every row carries a checksum, checked whenever a key or value
/// is read.
///
/// The whole file (SQLite's integrity check and every row's checksum) is
/// checked when it is opened only if it may not have been closed cleanly: a
/// connection that writes counts itself in the store's "opens" row when it
/// first changes something (opened) and again when it closes (closed), and
/// while it is open it holds a byte of the file "<store>-writers". More opened
/// than closed, beyond the writers that hold their byte now, means that a
/// writer ended without closing (it was killed, or the system went down): the
/// next connection checks the whole file, and a writer marks it clean again.
/// CheckWhole() checks it on demand. Results are the system's result codes.
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

  /// What a check of the whole file found.
  struct WholeCheck {
    /// 0 when the store is sound (or there is none); else the result code, and
    /// Diagnostic() says what is wrong.
    std::int32_t result = 0;
    bool exists = false;
    /// A writer had not closed it when the check began.
    bool leftOpen = false;
    /// ... and it counts as closed again (only a connection that may write it
    /// can count it so).
    bool closedAgain = false;
    std::int64_t keys = 0;
    std::int64_t values = 0;
  };
  /// Checks the whole file now, whether or not it was closed cleanly, and marks
  /// it clean when it is sound and may be written.
  WholeCheck CheckWhole();

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
  /// Keys found by their path from a key, as the path was given: in a read,
  /// a key kept from an earlier read is used while the store has not changed
  /// since (else the read is made again without the keys kept).
  bool IsKept(KeyId from, std::u16string_view path) const;
  bool FindKept(KeyId from, std::u16string_view path, KeyId& id);
  void Keep(KeyId from, std::u16string_view path, KeyId id);
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
  /// SQLite's integrity check and every row's checksum.
  std::int32_t checkWhole();
  /// Whether every writer that counted itself in has closed, or holds its byte
  /// of the writers file now; false also when the store has no "opens" row.
  bool closedCleanly();
  /// After a check of the whole file: counts the writers that ended without
  /// closing as closed.
  bool markClean();
  /// The number of writers that hold their byte of the writers file now.
  int liveWriters();
  /// Opens (and creates, when `create`) the writers file; -1 when it cannot be
  /// used (then no writer counts as live).
  int openWriters(bool create);
  /// Counts this connection in, in the write transaction under way.
  std::int32_t countOpened();
  /// Holds a byte of the writers file, from before the change that counts this
  /// connection in until after the one that counts it out.
  void holdWriterByte();
  void releaseWriterByte();
  /// When the change that counted this connection in ended: committed, or undone.
  void settleOpened(bool committed);
  /// Counts this connection out when it closes after writing.
  void countClosed();
  /// A name not found through the index of names is looked for through the
  /// other index (a key's sub-keys, or its values in order), unless the whole
  /// file was checked when it was opened: found there, the store is damaged.
  std::int32_t confirmMissing(KeyId parent, const std::string& fold, bool key);
  std::int32_t checkIntegrity();
  std::int32_t checkKeySums();
  std::int32_t checkValueSums();
  /// The one number a statement gives; a statement that gives no row fails as damage.
  std::int32_t scalar(const char* sql, std::int64_t& value);
  std::int32_t initialise();
  std::int32_t exec(const char* sql);
  /// Runs one statement given as a literal, prepared once per connection.
  std::int32_t run(const char* sql);
  sqlite3_stmt* statement(const char* sql);
  const std::string& keptName(char kind, KeyId from, const void* name, std::size_t size) const;
  const std::string& keptPath(KeyId from, std::u16string_view path) const;
  bool findKept(const std::string& kept, KeyId& id);
  void keep(const std::string& kept, KeyId id);
  /// The store's data version as the statements of the read under way see it;
  /// false before a statement has begun the read.
  bool dataVersion(unsigned& version);
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
  // This connection's part in the "opens" row: counted in a transaction not yet
  // committed, counted in, and the writers file with its byte held.
  bool opening_ = false;
  bool opened_ = false;
  int writersFd_ = -1;
  // When it was opened: it had not been closed cleanly; it was checked whole.
  bool leftOpen_ = false;
  bool closedAgain_ = false;
  bool checkedWhole_ = false;
  std::u16string diagnostic_;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
  // The keys found by name (parent id and folded name) in reads, as of the
  // store's data version `keptVersion_`; used only in reads outside a write.
  std::unordered_map<std::string, KeyId> keptKeys_;
  unsigned keptVersion_ = 0;
  bool keepKeys_ = false;
  mutable std::string keptBuffer_;
  bool usedKeptKeys_ = false;
  bool inTransaction_ = false;  // a transaction of the caller's spans several calls
  bool transactionBegun_ = false;
  std::chrono::steady_clock::time_point busySince_;
};

}  // namespace sigpatch::platform::posix
