#include "cmdline/ArgumentHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fakes/FakePlatform.h"

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

TEST_F(ArgumentHandlerTest, AnEmptyStringGivesNoArguments) {
  EXPECT_TRUE(parse(u"").empty());
  EXPECT_TRUE(parse(u"    ").empty());
}

TEST_F(ArgumentHandlerTest, ParsesSwitchesInOrder) {
  EXPECT_EQ(parse(u"/Path:\"C:\\My Updates\" /SetDef /Silent"),
            (Parsed{{u"PATH", u"C:\\My Updates"}, {u"SETDEF", u""}, {u"SILENT", u""}}));
  EXPECT_EQ(handler.GetArgumentKey(u"path"), handler.GetArgumentIndex(1));
  EXPECT_EQ(parse(u"/Path:C:\\Updates"), (Parsed{{u"PATH", u"C:\\Updates"}}));
  EXPECT_EQ(parse(u"/Path:/path:x"), (Parsed{{u"PATH", u"x"}}));
  EXPECT_EQ(parse(u"//Silent"), (Parsed{{u"SILENT", u""}}));
  EXPECT_EQ(parse(u"  /a    /b  "), (Parsed{{u"A", u""}, {u"B", u""}}));
}

TEST_F(ArgumentHandlerTest, AnEmptyValueOpensTheChooserLater) {
  EXPECT_EQ(parse(u"/Path:"), (Parsed{{u"PATH", u""}}));
  EXPECT_EQ(parse(u"/Path"), (Parsed{{u"PATH", u""}}));
  EXPECT_EQ(parse(u"/Path: C:\\X"), (Parsed{{u"PATH", u""}, {u"PATH1", u"C:\\X"}}));
}

TEST_F(ArgumentHandlerTest, NumbersPlainWords) {
  EXPECT_EQ(parse(u"a \"b c\" d"), (Parsed{{u"PATH1", u"a"}, {u"PATH2", u"b c"}, {u"PATH3", u"d"}}));
}

TEST_F(ArgumentHandlerTest, TabsNeitherSeparateNorAreTrimmed) {
  EXPECT_EQ(parse(u"/a\t/b"), (Parsed{{u"A\t/B", u""}}));
  EXPECT_EQ(parse(u"\tx"), (Parsed{{u"PATH1", u"\tx"}}));
}

TEST_F(ArgumentHandlerTest, LooksUpNamesWithoutCase) {
  parse(u"/Silent /Path:x");
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
}

TEST_F(ArgumentHandlerTest, AssignmentsMarkAnArgumentDirty) {
  parse(u"/path:x");
  auto argument = handler.GetArgumentIndex(1);
  EXPECT_FALSE(argument->Dirty);
  argument->SetArgumentName(u"other");
  EXPECT_TRUE(argument->Dirty);
  EXPECT_EQ(argument->ArgumentName(), u"OTHER");
}

TEST_F(ArgumentHandlerTest, ParsingAgainReplacesTheArguments) {
  parse(u"/a /b");
  EXPECT_EQ(parse(u"/c"), (Parsed{{u"C", u""}}));
}

struct Duplicate {
  const char16_t* command;
  const char16_t* message;
};

class DuplicateArguments : public ArgumentHandlerTest,
                           public ::testing::WithParamInterface<Duplicate> {};

TEST_P(DuplicateArguments, StopTheProgramWithTheSecondName) {
  EXPECT_THROW(handler.ParseCommandLine(GetParam().command), fakes::ImmediateStop);
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, GetParam().message);
  EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::Critical);
  EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
  EXPECT_EQ(handler.ArgumentCount(), 1);  // what came before stays
}

INSTANTIATE_TEST_SUITE_P(
    Collisions, DuplicateArguments,
    ::testing::Values(Duplicate{u"/Silent /silent", u"Duplicate Argument: silent"},
                      Duplicate{u"/path:x /PATH:y", u"Duplicate Argument: PATH"},
                      Duplicate{u"x /Path1:y", u"Duplicate Argument: Path1"}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

TEST_F(ArgumentHandlerTest, AddedArgumentsFollowTheSameDuplicateRule) {
  parse(u"/Silent");
  handler.AddArgument(u"PATH", u"");
  EXPECT_EQ(listed(), (Parsed{{u"SILENT", u""}, {u"PATH", u""}}));
  EXPECT_THROW(handler.AddArgument(u"Path", u"x"), fakes::ImmediateStop);
  EXPECT_EQ(fake.windowing.messages.at(0).prompt, u"Duplicate Argument: Path");
}

}  // namespace
}  // namespace sigpatch
