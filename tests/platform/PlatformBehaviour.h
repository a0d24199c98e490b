#pragma once

// The rules of the processes and system services, run against the fakes
// (PlatformBehaviourSuite.cpp) and every real implementation, so that the fakes
// cannot drift from the systems.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/Processes.h"
#include "platform/System.h"

namespace sigpatch::testing {

/// Processes under test, with command lines of programs that show each rule.
struct ProcessesSubject {
  virtual ~ProcessesSubject() = default;
  virtual platform::Processes& processes() = 0;
  /// Lets the `held` program end (by itself, with exit code 5).
  virtual void release() = 0;
  /// A program that ends with exit code 7; one that runs until release(); one
  /// that does not exist, and what StartFailure then says.
  std::u16string exit7, held, missing, missingText;
  /// Why a process ended by StopProcess(force) ended, and this process's number.
  std::u16string forcedReason;
  std::int32_t ownPid = 0;
};

/// A system under test, and what its own calls say.
struct SystemSubject {
  virtual ~SystemSubject() = default;
  virtual platform::System& system() = 0;
  /// The milliseconds since boot by the system's own clock, late by at most `tickSlack`.
  virtual std::uint32_t ticks() = 0;
  std::uint32_t tickSlack = 0, platformId = 0;
  std::u16string machine, user;
  /// The text of error 2, and a code whose text needs an insert.
  std::u16string fileNotFoundText;
  std::uint32_t codeWithInsert = 0;
  /// A folder of real files and the path separator; "" for the fake.
  std::u16string folder;
  char16_t separator = u'/';
};

template <typename Subject>
struct Kind {
  const char* name;
  std::function<std::unique_ptr<Subject>()> make;
  friend void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }
};
using ProcessesKind = Kind<ProcessesSubject>;
using SystemKind = Kind<SystemSubject>;

template <typename Subject>
class BehaviourTest : public ::testing::TestWithParam<Kind<Subject>> {
 protected:
  void SetUp() override { subject = this->GetParam().make(); }
  std::unique_ptr<Subject> subject;
};
using ProcessesBehaviourTest = BehaviourTest<ProcessesSubject>;
using SystemBehaviourTest = BehaviourTest<SystemSubject>;

/// The name of an instantiation's test: the kind's name.
struct KindName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    return info.param.name;
  }
};

}  // namespace sigpatch::testing
