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
    Parsed result;
    for (const auto& argument : handler.Arguments) {
      result.emplace_back(argument->ArgumentName(), argument->ArgumentValue());
    }
    return result;
  }
  // The one message shown, which stops the program.
  void expectStop(std::u16string_view prompt) {
    ASSERT_EQ(fake.windowing.messages.size(), 1u);
    EXPECT_EQ(fake.windowing.messages[0].prompt, prompt);
    fake.windowing.messages.clear();
  }

  fakes::FakePlatform fake;
  ArgumentHandler handler;
};

TEST_F(ArgumentHandlerTest, ParsesTheCommandLineIntoNamedArgumentsInOrder) {
  const std::pair<std::u16string_view, Parsed> rows[] = {
      {u"    ", {}},
      {u"/Path:\"C:\\My Updates\" /SetDef /Silent",
       {{u"PATH", u"C:\\My Updates"}, {u"SETDEF", u""}, {u"SILENT", u""}}},
      {u"  /a    //b  ", {{u"A", u""}, {u"B", u""}}},
      {u"/Path", {{u"PATH", u""}}},  // an empty value opens the chooser later
      {u"/Path: C:\\X", {{u"PATH", u""}, {u"PATH1", u"C:\\X"}}},
      {u"a \"b c\" d", {{u"PATH1", u"a"}, {u"PATH2", u"b c"}, {u"PATH3", u"d"}}},
      {u"/a\t/b", {{u"A\t/B", u""}}}};  // tabs neither separate nor are trimmed
  parse(u"/x /y");                      // parsing again replaces the arguments
  for (const auto& [command, parsed] : rows) {
    EXPECT_EQ(parse(command), parsed) << text::toUtf8(std::u16string(command));
  }
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(ArgumentHandlerTest, LooksUpNamesWithoutCase) {
  parse(u"/Silent /Path:x");
  EXPECT_TRUE(handler.SetArgumentKey(u"silent"));
  EXPECT_EQ(handler.ActiveArgument, handler.GetArgumentIndex(1));
  EXPECT_FALSE(handler.SetArgumentKey(u"MINIMIZED"));
  EXPECT_EQ(handler.GetArgumentIndex(0), nullptr);
}

// A duplicate, parsed or added, stops the program with the second name; what
// came before stays.
TEST_F(ArgumentHandlerTest, ADuplicateStopsTheProgramWithTheSecondName) {
  for (const auto& [command, second] : {std::pair{u"/Silent /silent", u"silent"},
                                        {u"/path:x /PATH:y", u"PATH"},
                                        {u"x /Path1:y", u"Path1"}}) {
    EXPECT_THROW(handler.ParseCommandLine(command), fakes::ImmediateStop);
    EXPECT_EQ(handler.ArgumentCount(), 1);
    expectStop(u"Duplicate Argument: " + std::u16string(second));
  }
  parse(u"/Silent");
  handler.AddArgument(u"PATH", u"");
  EXPECT_THROW(handler.AddArgument(u"Path", u"x"), fakes::ImmediateStop);
  EXPECT_EQ(handler.ArgumentCount(), 2);
  expectStop(u"Duplicate Argument: Path");
}

}  // namespace
}  // namespace sigpatch
