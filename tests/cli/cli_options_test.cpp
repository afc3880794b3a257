#include "app/cli_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tamarack::testing {
namespace {

struct Parsed {
  CliParse Result;
  std::string Out;
  std::string Err;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "tamarack-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  CliParse result = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  return {std::move(result), out.str(), err.str()};
}

TEST(CliOptionsTest, OptionsMayStandAnywhereAfterTheCommand) {
  const Parsed before = Parse({"analyze", "--json", "--map", "m.png", "--progress", "film.avi"});
  const Parsed after = Parse({"analyze", "film.avi", "--progress", "--map", "m.png", "--json"});
  for (const Parsed* parsed : {&before, &after}) {
    ASSERT_TRUE(parsed->Result.Request) << parsed->Err;
    const CliRequest& r = *parsed->Result.Request;
    EXPECT_EQ(r.Command, CliCommand::Analyze);
    EXPECT_EQ(r.File, "film.avi");
    EXPECT_TRUE(r.Json);
    EXPECT_TRUE(r.Progress);
    EXPECT_EQ(r.MapPath, "m.png");
  }
}

TEST(CliOptionsTest, AnswerOptionsSetTheQuestionPolicy) {
  EXPECT_EQ(Parse({"backup", "f.avi"}).Result.Request->Answers, AnswerPolicy::Ask);
  EXPECT_EQ(Parse({"backup", "f.avi", "--yes"}).Result.Request->Answers, AnswerPolicy::Yes);
  EXPECT_EQ(Parse({"create-patch", "--no", "f.avi", "0000F"}).Result.Request->Answers,
            AnswerPolicy::No);

  const Parsed keep = Parse({"repair-reference", "--keep-reference", "f.avi", "r.avi"});
  ASSERT_TRUE(keep.Result.Request);
  EXPECT_EQ(keep.Result.Request->Command, CliCommand::RepairReference);
  EXPECT_EQ(keep.Result.Request->References, std::vector<std::string>{"r.avi"});
  EXPECT_EQ(keep.Result.Request->RepairAnyway, AnswerPolicy::Ask);
  EXPECT_EQ(keep.Result.Request->Answers, AnswerPolicy::No);
  EXPECT_NE(keep.Result.Request->AnswerHint.find("--delete-reference"), std::string::npos);
  EXPECT_EQ(
      Parse({"repair-reference", "f.avi", "r.avi", "--delete-reference"}).Result.Request->Answers,
      AnswerPolicy::Yes);

  const Parsed several =
      Parse({"repair-reference", "f.avi", "r1.avi", "--repair-anyway", "r2.avi", "r3.avi"});
  ASSERT_TRUE(several.Result.Request);
  EXPECT_EQ(several.Result.Request->File, "f.avi");
  EXPECT_EQ(several.Result.Request->References,
            (std::vector<std::string>{"r1.avi", "r2.avi", "r3.avi"}));
  EXPECT_EQ(several.Result.Request->RepairAnyway, AnswerPolicy::Yes);
  EXPECT_EQ(several.Result.Request->Answers, AnswerPolicy::Ask);
}

TEST(CliOptionsTest, CreatePatchTakesCodesOrAFileOfThem) {
  const Parsed codes = Parse({"create-patch", "f.avi", "0000F", "0010F,", "00200"});
  ASSERT_TRUE(codes.Result.Request);
  EXPECT_EQ(codes.Result.Request->Codes, std::vector<std::string>({"0000F", "0010F,", "00200"}));
  EXPECT_FALSE(codes.Result.Request->CodesFrom);

  const Parsed input = Parse({"create-patch", "--codes-from", "-", "f.avi"});
  ASSERT_TRUE(input.Result.Request) << input.Err;
  EXPECT_EQ(input.Result.Request->CodesFrom, "-");
  EXPECT_TRUE(input.Result.Request->Codes.empty());
}

}  // namespace
}  // namespace tamarack::testing
