// The registry rules (tests/registry/RegistryBehaviourSuite.cpp) on the
// in-memory fake and on the SQLite store.

#include <gtest/gtest.h>

#include <memory>

#include "PosixTestSupport.h"
#include "fakes/FakeRegistry.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegistryBehaviour.h"

namespace sigpatch::testing {
namespace {

using namespace platform;

class FakeSubject : public Subject {
 public:
  RegistryApi& api() override { return fake_; }
  RegistryTransactions* transactions() override { return &fake_; }
  void reopen() override {}
  void reopenReadOnly() override { fake_.readOnly = true; }
  std::string cannotShow(Behaviour /*behaviour*/) const override { return {}; }

 private:
  fakes::FakeRegistry fake_;
};

class SqliteSubject : public Subject {
 public:
  SqliteSubject() { reopen(); }
  RegistryApi& api() override { return *store_; }
  RegistryTransactions* transactions() override { return store_.get(); }
  void reopen() override { open(false); }
  void reopenReadOnly() override { open(true); }
  std::string cannotShow(Behaviour /*behaviour*/) const override { return {}; }

 private:
  void open(bool readOnly) {
    store_.reset();
    posix::StoreOptions options;
    options.readOnly = readOnly;
    store_ = std::make_unique<posix::SqliteRegistry>(
        posix::StoreLocations::singleFile(dir_ / "registry.db"), options);
  }
  TempFolder dir_;
  std::unique_ptr<posix::SqliteRegistry> store_;
};

INSTANTIATE_TEST_SUITE_P(
    Stores, RegistryBehaviourTest,
    ::testing::Values(Kind{"Fake", [] { return std::unique_ptr<Subject>(new FakeSubject); }},
                      Kind{"Sqlite", [] { return std::unique_ptr<Subject>(new SqliteSubject); }}),
    kindName);

}  // namespace
}  // namespace sigpatch::testing
