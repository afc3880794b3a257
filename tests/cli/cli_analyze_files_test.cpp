// tamarack-cli analyze over several files and folders: the line of each
// file, the summary, the JSON lines and the exit statuses, on a folder with
// clean, damaged, too small and unreadable files.
#include "app/cli_analyze_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_process.h"

namespace tamarack::testing {
namespace {

const std::string AccessMessage =
    "The Selected file cannot be accessed because:  - Another application may be using this "
    "file, or  - The file may be read-only, or  - The file may have been moved, renamed or "
    "deleted since being selected";

// clean.avi, damaged.AVI (one error run of 100000 bytes in units 15 and
// 16), small.avi (below 1 KiB), gone.avi (a link to nothing), notes.txt and
// sub/nested.avi.
class CliAnalyzeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteRealFile(folder / "clean.avi", NonZeroBytes(200000, 1));
    std::vector<uint8_t> damaged = NonZeroBytes(3000000, 2);
    std::fill_n(damaged.begin() + 1000000, 100000, 0);
    WriteRealFile(folder / "damaged.AVI", damaged);
    WriteRealFile(folder / "small.avi", NonZeroBytes(100, 3));
    std::filesystem::create_symlink(folder / "nothing", folder / "gone.avi");
    WriteRealFile(folder / "notes.txt", NonZeroBytes(5000, 4));
    std::filesystem::create_directory(folder / "sub");
    WriteRealFile(folder / "sub/nested.avi", NonZeroBytes(50000, 5));
  }

  std::string Path(const std::string& name) const { return folder / name; }

  TempDir folder;
};

TEST_F(CliAnalyzeFilesTest, AFolderGivesALineForEachAviFileAndASummary) {
  const CliResult run = RunCli({"analyze", "-r", folder.Path()});
  EXPECT_EQ(run.Out,
            Path("clean.avi") + ": 100.0% real data, 0 error bytes, 0 patch codes\n" +
                Path("damaged.AVI") + ": 96.6% real data, 100,000 error bytes, 1 patch code\n" +
                Path("gone.avi") + ": not analysed: " + AccessMessage + "\n" + Path("small.avi") +
                ": not analysed: The Selected file must be at least 1Kb in size.\n" +
                Path("sub/nested.avi") + ": 100.0% real data, 0 error bytes, 0 patch codes\n" +
                "5 files: 2 without errors, 1 with errors, 2 not analysed.\n");
  // The messages of the files that could not be analysed, as for one file.
  EXPECT_NE(run.Err.find("The Selected file must be at least 1Kb in size."), std::string::npos);
  EXPECT_EQ(run.Status, 1);
  // A file that cannot be analysed outweighs --check.
  EXPECT_EQ(RunCli({"analyze", "--check", "-r", folder.Path()}).Status, 1);
}

TEST_F(CliAnalyzeFilesTest, CheckGivesFourOnlyWhenAFileHasErrorBytes) {
  const CliResult clean = RunCli({"analyze", "--check", Path("clean.avi"), Path("sub/nested.avi")});
  EXPECT_EQ(clean.Status, 0);
  EXPECT_EQ(LinesOf(clean.Out).back(), "2 files: 2 without errors, 0 with errors, 0 not analysed.");
  const CliResult damaged = RunCli({"analyze", "--check", Path("clean.avi"), Path("damaged.AVI")});
  EXPECT_EQ(damaged.Status, 4);
  EXPECT_EQ(RunCli({"analyze", Path("clean.avi"), Path("damaged.AVI")}).Status, 0);
  // One file keeps its own output; --check still tells the damage.
  const CliResult one = RunCli({"analyze", "--check", Path("damaged.AVI")});
  EXPECT_EQ(one.Status, 4);
  EXPECT_EQ(one.Out.rfind("Analysis complete.\n", 0), 0u);
  EXPECT_NE(one.Out.find("000F1"), std::string::npos);
  EXPECT_EQ(RunCli({"analyze", "--check", Path("clean.avi")}).Status, 0);
}

TEST_F(CliAnalyzeFilesTest, JsonGivesOneObjectPerFile) {
  const CliResult run = RunCli({"analyze", "--json", "--all-files", "-r", folder.Path()});
  EXPECT_EQ(run.Status, 1);
  const std::vector<std::string> lines = LinesOf(run.Out);
  ASSERT_EQ(lines.size(), 6u);
  const std::vector<std::string> names = {"clean.avi", "damaged.AVI", "gone.avi",
                                          "notes.txt", "small.avi",   "sub/nested.avi"};
  for (size_t i = 0; i < lines.size(); ++i) {
    const nlohmann::json json = nlohmann::json::parse(lines[i]);
    EXPECT_EQ(json["file"], Path(names[i])) << lines[i];
    const bool usable = names[i] != "gone.avi" && names[i] != "small.avi";
    EXPECT_EQ(json["completed"], usable) << lines[i];
    EXPECT_EQ(json.contains("error"), !usable) << lines[i];
    if (usable) {
      EXPECT_EQ(json["errorBytes"], names[i] == "damaged.AVI" ? 100000 : 0);
    }
  }
  const nlohmann::json damaged = nlohmann::json::parse(lines[1]);
  EXPECT_EQ(damaged["codes"], nlohmann::json::array({"000F1"}));
  EXPECT_EQ(damaged["runs"], nlohmann::json::parse(R"([{"offset": 1000000, "length": 100000}])"));
  // Cells of 1500 bytes: 2000 of them.
  EXPECT_EQ(damaged["cells"].get<std::string>().size(), 2000u);
}

TEST_F(CliAnalyzeFilesTest, FilesAndFoldersTogetherAndAFolderThatCannotBeRead) {
  const CliResult run =
      RunCli({"analyze", "--check", Path("damaged.AVI"), "-r", Path("sub"), "-r", Path("missing")});
  EXPECT_EQ(run.Out, Path("damaged.AVI") +
                         ": 96.6% real data, 100,000 error bytes, 1 patch code\n" +
                         Path("sub/nested.avi") +
                         ": 100.0% real data, 0 error bytes, 0 patch codes\n"
                         "3 files: 1 without errors, 1 with errors, 1 not analysed.\n");
  EXPECT_NE(run.Err.find("the folder \"" + Path("missing") + "\" cannot be read"),
            std::string::npos);
  EXPECT_EQ(run.Status, 1);
}

// A subfolder the user may not read, a pipe and a link to a device, each
// named *.avi: the walk names every one, counts it as not analysed and ends
// with 1, which --check cannot turn into 0 or 4.
TEST(CliAnalyzeWalkTest, WhatTheWalkCannotLookAtIsNamedAndCounted) {
  TempDir folder;
  WriteRealFile(folder / "clean.avi", NonZeroBytes(200000, 1));
  std::filesystem::create_directory(folder / "locked");
  std::vector<uint8_t> damaged = NonZeroBytes(200000, 2);
  std::fill_n(damaged.begin() + 1000, 50000, 0);
  WriteRealFile(folder / "locked/damaged.avi", damaged);
  ASSERT_EQ(::mkfifo((folder / "pipe.avi").c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/null", folder / "null.avi");
  std::filesystem::permissions(folder.Path(), std::filesystem::perms::all);
  std::filesystem::permissions(folder / "locked", std::filesystem::perms::none);
  ChildSetup unprivileged;
  unprivileged.Unprivileged = true;
  CliProcess process({"analyze", "--check", "-r", folder.Path()}, "", unprivileged);
  const CliResult run = process.Finish();
  std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_all);

  EXPECT_EQ(run.Status, 1) << run.Err;
  EXPECT_EQ(run.Out, folder / "clean.avi" + ": 100.0% real data, 0 error bytes, 0 patch codes\n" +
                         "4 files: 1 without errors, 0 with errors, 3 not analysed.\n");
  for (const std::string& missed : {"the folder \"" + folder / "locked" + "\" cannot be read: ",
                                    "\"" + folder / "pipe.avi" + "\" is not analysed",
                                    "\"" + folder / "null.avi" + "\" is not analysed"}) {
    EXPECT_NE(run.Err.find("tamarack-cli: " + missed), std::string::npos) << run.Err;
  }
}

// A name that would break its line, or that starts with the quote, is quoted
// with C's escapes; any other name, also one of bytes that are not UTF-8,
// stands as it is.
TEST(AnalysisLineTest, ANameStaysOnItsLine) {
  AnalysisResult result;
  result.RealPermille = 1000;
  const std::string figures = ": 100.0% real data, 0 error bytes, 0 patch codes";
  const std::pair<std::string, std::string> names[] = {
      {"/v/film.avi", "/v/film.avi"},
      {"/v/back\\slash \"x\".avi", "/v/back\\slash \"x\".avi"},
      {"/v/caf\xE9.avi", "/v/caf\xE9.avi"},
      {"/v/line\nbreak.avi", "\"/v/line\\nbreak.avi\""},
      {"/v/a\r\tb\x01\x7F.avi", "\"/v/a\\r\\tb\\x01\\x7f.avi\""},
      {"/v/\\\n\".avi", "\"/v/\\\\\\n\\\".avi\""},
      {"\"film.avi", "\"\\\"film.avi\""},
  };
  for (const auto& [name, shown] : names) EXPECT_EQ(AnalysisLine(name, result), shown + figures);
}

// The percent-encoded bytes as a script decodes them.
std::string PercentDecoded(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      bytes += text[i];
      continue;
    }
    bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
    i += 2;
  }
  return bytes;
}

TEST_F(CliAnalyzeFilesTest, NamesThatAreNoPlainTextLeadBackToTheirFiles) {
  const std::string names[] = {"caf\xE9 100%.avi", "line\nbreak.avi", "plain.avi"};
  std::filesystem::create_directory(folder / "odd");
  for (const std::string& name : names) WriteRealFile(Path("odd/" + name), NonZeroBytes(5000, 6));

  const CliResult text = RunCli({"analyze", "-r", Path("odd")});
  EXPECT_EQ(text.Out, Path("odd/") +
                          "caf\xE9 100%.avi: 100.0% real data, 0 error bytes, 0 patch codes\n\"" +
                          Path("odd/") +
                          "line\\nbreak.avi\": 100.0% real data, 0 error bytes, 0 patch codes\n" +
                          Path("odd/") +
                          "plain.avi: 100.0% real data, 0 error bytes, 0 patch codes\n"
                          "3 files: 3 without errors, 0 with errors, 0 not analysed.\n");

  const CliResult json = RunCli({"analyze", "--json", "-r", Path("odd")});
  const std::vector<std::string> lines = LinesOf(json.Out);
  ASSERT_EQ(lines.size(), 3u) << json.Out;
  for (size_t i = 0; i < lines.size(); ++i) {
    const nlohmann::json object = nlohmann::json::parse(lines[i]);
    const std::string path = Path("odd/" + names[i]);
    if (i == 0) {
      EXPECT_EQ(object["file"], Path("odd/caf\xEF\xBF\xBD 100%.avi"));
      ASSERT_TRUE(object.contains("fileBytes"));
      EXPECT_EQ(object["fileBytes"], Path("odd/caf%E9 100%25.avi"));
      EXPECT_EQ(PercentDecoded(object["fileBytes"]), path);
    } else {
      EXPECT_EQ(object["file"], path);
      EXPECT_FALSE(object.contains("fileBytes")) << lines[i];
    }
  }
}

}  // namespace
}  // namespace tamarack::testing
