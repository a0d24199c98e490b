#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cmdline/ArgumentHandler.h"
#include "fakes/FakePlatform.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using Parsed = std::vector<std::pair<std::u16string, std::u16string>>;

class ArgumentHandlerTest : public ::testing::Test {
 protected:
  Parsed parse(std::u16string_view command) {
    handler.ParseCommandLine(command);
    return listed();
  }
  Parsed listed() const {
    Parsed result;
    for (const auto& argument : handler.Arguments) {
      result.emplace_back(argument->ArgumentName(), argument->ArgumentValue());
    }
    return result;
  }

  fakes::FakePlatform fake;
  ArgumentHandler handler;
};

TEST_F(ArgumentHandlerTest, ParsesTheCommandLineIntoNamedArgumentsInOrder) {
  const std::pair<std::u16string_view, Parsed> rows[] = {
      {u"", {}},
      {u"    ", {}},
      {u"/Path:\"C:\\My Updates\" /SetDef /Silent",
       {{u"PATH", u"C:\\My Updates"}, {u"SETDEF", u""}, {u"SILENT", u""}}},
      {u"/Path:C:\\Updates", {{u"PATH", u"C:\\Updates"}}},
      {u"/Path:/path:x", {{u"PATH", u"x"}}},
      {u"//Silent", {{u"SILENT", u""}}},
      {u"  /a    /b  ", {{u"A", u""}, {u"B", u""}}},
      // An empty value opens the chooser later.
      {u"/Path:", {{u"PATH", u""}}},
      {u"/Path", {{u"PATH", u""}}},
      {u"/Path: C:\\X", {{u"PATH", u""}, {u"PATH1", u"C:\\X"}}},
      // Plain words are numbered.
      {u"a \"b c\" d", {{u"PATH1", u"a"}, {u"PATH2", u"b c"}, {u"PATH3", u"d"}}},
      // Tabs neither separate nor are trimmed.
      {u"/a\t/b", {{u"A\t/B", u""}}},
      {u"\tx", {{u"PATH1", u"\tx"}}},
  };
  parse(u"/x /y");  // parsing again replaces the arguments
  for (const auto& [command, parsed] : rows) {
    EXPECT_EQ(parse(command), parsed) << text::toUtf8(std::u16string(command));
  }
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(ArgumentHandlerTest, LooksUpNamesWithoutCase) {
  parse(u"/Silent /Path:x");
  EXPECT_EQ(handler.GetArgumentKey(u"path"), handler.GetArgumentIndex(2));
  EXPECT_TRUE(handler.SetArgumentKey(u"silent"));
  EXPECT_EQ(handler.ActiveArgument->ArgumentName(), u"SILENT");
  EXPECT_FALSE(handler.SetArgumentKey(u"MINIMIZED"));
  EXPECT_EQ(handler.ActiveArgument, nullptr);
  EXPECT_TRUE(handler.SetArgumentIndex(2));
  EXPECT_EQ(handler.ActiveArgument->ArgumentValue(), u"x");
  EXPECT_FALSE(handler.SetArgumentIndex(3));
  EXPECT_EQ(handler.ActiveArgument, nullptr);
  EXPECT_EQ(handler.GetArgumentIndex(0), nullptr);
  EXPECT_EQ(handler.ArgumentCount(), 2);
  auto argument = handler.GetArgumentIndex(2);
  EXPECT_FALSE(argument->Dirty);
  argument->SetArgumentName(u"other");
  EXPECT_TRUE(argument->Dirty);
  EXPECT_EQ(argument->ArgumentName(), u"OTHER");
}

// A duplicate, parsed or added, stops the program with the second name; what
// came before stays.
TEST_F(ArgumentHandlerTest, ADuplicateStopsTheProgramWithTheSecondName) {
  const std::pair<std::u16string_view, std::u16string_view> rows[] = {
      {u"/Silent /silent", u"Duplicate Argument: silent"},
      {u"/path:x /PATH:y", u"Duplicate Argument: PATH"},
      {u"x /Path1:y", u"Duplicate Argument: Path1"},
      {u"", u"Duplicate Argument: Path"},  // added after the parse
  };
  for (const auto& [command, message] : rows) {
    fake.windowing.messages.clear();
    if (command.empty()) {
      parse(u"/Silent");
      handler.AddArgument(u"PATH", u"");
      EXPECT_EQ(listed(), (Parsed{{u"SILENT", u""}, {u"PATH", u""}}));
      EXPECT_THROW(handler.AddArgument(u"Path", u"x"), fakes::ImmediateStop);
      EXPECT_EQ(handler.ArgumentCount(), 2);
    } else {
      EXPECT_THROW(handler.ParseCommandLine(command), fakes::ImmediateStop);
      EXPECT_EQ(handler.ArgumentCount(), 1);
    }
    ASSERT_EQ(fake.windowing.messages.size(), 1u);
    EXPECT_EQ(fake.windowing.messages[0].prompt, message);
    EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::Critical);
    EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
  }
}

}  // namespace
}  // namespace sigpatch
