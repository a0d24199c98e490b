#pragma once

#include <cstdint>

namespace sigpatch::platform {

/// Groups registry changes so that they take effect together or not at all (an
/// import of a whole file, the deletion of a key tree). Between Begin and Commit
/// every change of the registry functions belongs to the transaction; Rollback
/// undoes them all. Results are the system's result codes.
class RegistryTransactions {
 public:
  virtual ~RegistryTransactions() = default;

  virtual std::int32_t BeginTransaction() = 0;
  virtual std::int32_t CommitTransaction() = 0;
  virtual std::int32_t RollbackTransaction() = 0;
};

}  // namespace sigpatch::platform
