// End-to-end runs of the commands that write files: backup, the two
// repairs and create-patch, with their questions answered without a
// terminal.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cli/cli_process.h"
#include "platform/text_view.h"

namespace tamarack::testing {
namespace {

constexpr size_t FileSize = 3000000;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The codes of the Patch Codes view that analyze prints: the lines after
// each "code(s):" heading.
std::vector<std::string> PrintedCodes(const std::string& out) {
  std::vector<std::string> codes;
  size_t at = 0;
  while ((at = out.find("code(s):\n", at)) != std::string::npos) {
    at += 9;
    const std::string line = out.substr(at, out.find('\n', at) - at);
    for (size_t i = 0; i < line.size(); i += 7) codes.push_back(line.substr(i, 5));
  }
  return codes;
}

class CliRepairTest : public ::testing::Test {
 protected:
  CliRepairTest() {
    intact = NonZeroBytes(FileSize, 11);
    damaged = intact;
    std::fill_n(damaged.begin() + 500000, 70000, 0);
    std::fill_n(damaged.begin() + 1900000, 200000, 0);
    std::filesystem::create_directory(folder / "intact");
    WriteRealFile(folder / "intact/film.avi", intact);
    WriteRealFile(folder / "film.avi", damaged);
  }

  TempDir folder;
  std::vector<uint8_t> intact;
  std::vector<uint8_t> damaged;
};

// The codes that analyze prints make the patch that repairs the damaged
// copy. What a user sends of the output (the Patch Codes text, the whole
// output, either quoted in a mail reply) gives the same patch from a file,
// and so do codes in lines with LF or CR LF ends, split across a line end,
// from a file or from standard input.
TEST_F(CliRepairTest, PatchRoadRepairsTheDamagedCopy) {
  const CliResult analysis = RunCli({"analyze", folder / "film.avi"});
  ASSERT_EQ(analysis.Status, 0) << analysis.Err;
  std::vector<std::string> args = {"create-patch", "--yes", folder / "intact/film.avi"};
  const std::vector<std::string> codes = PrintedCodes(analysis.Out);
  ASSERT_FALSE(codes.empty()) << analysis.Out;
  args.insert(args.end(), codes.begin(), codes.end());

  const CliResult create = RunCli(args);
  ASSERT_EQ(create.Status, 0) << create.Err;
  const std::string patch = folder / "intact/film.tkp";
  EXPECT_EQ(create.Out, "The Patch File \"" + patch + "\" has been created.\n");
  const std::vector<uint8_t> patchOfCodes = ReadRealFile(patch);

  const auto quoted = [](const std::string& output) {
    std::string reply;
    for (const std::string& line : LinesOf(output)) reply += "> " + line + "\n";
    return reply;
  };
  const size_t text = analysis.Out.find("Patch Codes for required Patch Data");
  ASSERT_NE(text, std::string::npos) << analysis.Out;
  const std::string report = analysis.Out.substr(text);
  std::string lines;  // the last code split across a line end
  std::string spaced;
  for (const std::string& code : codes) {
    lines +=
        &code == &codes.back() ? code.substr(0, 3) + "\r\n" + code.substr(3) + "\n" : code + ",\n";
    spaced += code + " ";
  }
  for (const std::string& sent :
       {report, analysis.Out, quoted(report), quoted(analysis.Out), lines}) {
    WriteRealFile(folder / "codes.txt", std::vector<uint8_t>(sent.begin(), sent.end()));
    std::filesystem::remove(patch);
    const CliResult fromText = RunCli({"create-patch", folder / "intact/film.avi", "--codes-from",
                                       folder / "codes.txt", "--yes"});
    ASSERT_EQ(fromText.Status, 0) << fromText.Err << sent;
    EXPECT_EQ(ReadRealFile(patch), patchOfCodes) << sent;
  }
  std::filesystem::remove(patch);
  const CliResult fromInput = RunCli(
      {"create-patch", "--yes", "--codes-from", "-", folder / "intact/film.avi"}, spaced + "\n");
  ASSERT_EQ(fromInput.Status, 0) << fromInput.Err;
  EXPECT_EQ(ReadRealFile(patch), patchOfCodes);

  const CliResult repair = RunCli({"repair-patch", folder / "film.avi", patch});
  ASSERT_EQ(repair.Status, 0) << repair.Err;
  EXPECT_EQ(repair.Out, "Patching complete. Analyze the Selected file for remaining errors.\n");
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), intact);

  const CliResult again = RunCli({"analyze", folder / "film.avi"});
  EXPECT_EQ(again.Status, 0);
  EXPECT_TRUE(Contains(again.Out, "Fake Data:\t0.0%")) << again.Out;
  EXPECT_FALSE(Contains(again.Out, "Patch Codes"));
}

// Runs that cannot do their work, or are answered No, say why and write
// nothing: no patch, and the damaged file as it was.
TEST_F(CliRepairTest, RefusedRunsSayWhyAndWriteNothing) {
  std::filesystem::create_directory(folder / "codes");
  WriteRealFile(folder / "short.avi", NonZeroBytes(FileSize - 1, 5));
  WriteRealFile(folder / "bad.tkp", {1, 0, 45});
  const std::string intactFilm = folder / "intact/film.avi";
  const std::string film = folder / "film.avi";
  const std::string limit = std::to_string(TextViewMaxCharacters);
  const auto unreadable = [](const std::string& path, int error) {
    return "tamarack-cli: the patch codes cannot be read from \"" + path +
           "\": " + std::strerror(error) + "\n";
  };
  // As "yes 00000 |" gives them.
  std::string endless;
  while (endless.size() < 1000000) endless += "00000\n";
  struct Case {
    std::vector<std::string> Args;
    std::string Input;
    int Status;
    std::string Err;
    bool Whole;  // the message is the whole of standard error
  };
  const std::vector<Case> cases = {
      {{"create-patch", "--yes", intactFilm, "0000F12"},
       "",
       1,
       "The Patch Code \"12\" is not valid.\n"
       "Ensure only valid codes are entered into the Patch Codes text window.\n"
       "A valid code consists of five characters (each being a digit or letters A to F).\n"
       "If entering multiple codes, separate each code with a comma and/or space.\n",
       true},
      // Unit 45 is the last, partial unit of a 3000000-byte file; unit 46
      // lies wholly beyond it.
      {{"create-patch", "--yes", intactFilm, "002E0"},
       "",
       1,
       "The Patch Code \"002E0\" is not valid for this file.\n",
       true},
      {{"create-patch", "--yes", intactFilm, "--codes-from", folder / "codes"},
       "",
       1,
       unreadable(folder / "codes", EISDIR),
       true},
      {{"create-patch", "--yes", intactFilm, "--codes-from", folder / "none.txt"},
       "",
       1,
       unreadable(folder / "none.txt", ENOENT),
       true},
      {{"create-patch", "--yes", intactFilm, "--codes-from", "/proc/self/mem"},
       "",
       1,
       unreadable("/proc/self/mem", EIO),
       true},
      {{"create-patch", "--yes", intactFilm, "--codes-from", "/dev/zero"},
       "",
       1,
       "tamarack-cli: the patch codes of \"/dev/zero\" are longer than the " + limit +
           " characters that the Patch Codes view holds\n",
       true},
      {{"create-patch", "--yes", intactFilm, "--codes-from", "-"},
       endless,
       1,
       "the patch codes of standard input are longer than the " + limit + " characters",
       false},
      // The size question without a terminal is answered No.
      {{"create-patch", intactFilm, "00070"}, "", 3, "Create Patch file?\n", false},
      {{"create-patch", intactFilm, "00070"}, "", 3, "answered No", false},
      {{"create-patch", "--no", intactFilm, "00070"}, "", 3, "", true},
      {{"repair-reference", film, film},
       "",
       1,
       "The Selected file and the Reference file\nare the same file.\n",
       true},
      {{"repair-reference", film, folder / "short.avi"},
       "",
       1,
       "The Selected file and Reference file\nare different sizes.\n",
       true},
      {{"repair-reference", film, folder / "none.avi"},
       "",
       1,
       "The Reference file cannot be accessed because:\n",
       false},
      {{"repair-patch", film, folder / "bad.tkp"},
       "",
       1,
       "The Patch file does not contain a valid header.\n",
       true},
      {{"repair-patch", film, folder / "none.tkp"},
       "",
       1,
       "The Patch file cannot be accessed because:\n",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args[0] + " " + c.Args[c.Args.size() - 1]);
    const CliResult run = RunCli(c.Args, c.Input);
    EXPECT_EQ(run.Status, c.Status);
    if (c.Whole) {
      EXPECT_EQ(run.Err, c.Err);
    } else {
      EXPECT_TRUE(Contains(run.Err, c.Err)) << run.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "intact/film.tkp"));
    EXPECT_EQ(ReadRealFile(film), damaged);
  }
}

TEST_F(CliRepairTest, BackupAndItsOverwriteQuestion) {
  const std::string backup = folder / "BACKUP.film.avi";
  const CliResult first = RunCli({"backup", folder / "film.avi"});
  ASSERT_EQ(first.Status, 0) << first.Err;
  EXPECT_EQ(first.Out, "The Backup file \"" + backup + "\" has been created.\n");
  EXPECT_EQ(ReadRealFile(backup), damaged);

  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  WriteRealFile(backup, old);
  const CliResult asked = RunCli({"backup", folder / "film.avi"});
  EXPECT_EQ(asked.Status, 3);
  EXPECT_TRUE(Contains(asked.Err,
                       "A Backup file for the Selected file already exists.\n"
                       "Overwrite \"" +
                           backup + "\"?\n"))
      << asked.Err;
  EXPECT_TRUE(Contains(asked.Err, "answered No")) << asked.Err;
  EXPECT_EQ(ReadRealFile(backup), old);

  const CliResult no = RunCli({"backup", "--no", folder / "film.avi"});
  EXPECT_EQ(no.Status, 3);
  EXPECT_EQ(no.Err, "");
  EXPECT_EQ(ReadRealFile(backup), old);

  const CliResult yes = RunCli({"backup", folder / "film.avi", "--yes"});
  EXPECT_EQ(yes.Status, 0) << yes.Err;
  EXPECT_EQ(ReadRealFile(backup), damaged);
}

TEST_F(CliRepairTest, ReferenceRepairAndTheDeletionOffer) {
  const std::string reference = folder / "intact/film.avi";
  const CliResult kept = RunCli({"repair-reference", folder / "film.avi", reference});
  EXPECT_EQ(kept.Status, 0) << kept.Err;
  EXPECT_EQ(kept.Out,
            "Referencing complete. Analyze the Selected file for remaining errors.\n"
            "Differing bytes: 0\n");
  EXPECT_TRUE(Contains(kept.Err, "Delete this Reference file?\n")) << kept.Err;
  EXPECT_TRUE(Contains(kept.Err, "--delete-reference")) << kept.Err;
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), intact);
  EXPECT_TRUE(std::filesystem::exists(reference));

  const CliResult keptQuietly =
      RunCli({"repair-reference", "--keep-reference", folder / "film.avi", reference});
  EXPECT_EQ(keptQuietly.Status, 0);
  EXPECT_EQ(keptQuietly.Err, "");
  EXPECT_TRUE(std::filesystem::exists(reference));

  const CliResult deleted =
      RunCli({"repair-reference", folder / "film.avi", reference, "--delete-reference"});
  EXPECT_EQ(deleted.Status, 0) << deleted.Err;
  EXPECT_TRUE(Contains(deleted.Out, "This Reference file has been deleted.\n"));
  EXPECT_FALSE(std::filesystem::exists(reference));
}

TEST_F(CliRepairTest, ThreeReferencesFillTheFileInTheirOrderAndAreDeleted) {
  // Each reference lacks a part of what the file lacks, and each holds a
  // few bytes of its own where the file holds data.
  std::vector<std::vector<uint8_t>> references(3, intact);
  std::fill_n(references[0].begin() + 1900000, 150000, 0);
  std::fill_n(references[1].begin() + 1950000, 150000, 0);
  std::fill_n(references[2].begin() + 520000, 10000, 0);
  std::vector<std::string> args = {"repair-reference", folder / "film.avi"};
  for (size_t k = 0; k < 3; ++k) {
    for (size_t i = 1000 + k; i < FileSize; i += 9973) references[k][i] ^= 0x80;
    args.push_back(folder / ("ref" + std::to_string(k) + ".avi"));
    WriteRealFile(args.back(), references[k]);
  }
  // The oracle: one reference after the other.
  std::vector<uint8_t> expected = damaged;
  std::vector<int64_t> differing(3, 0);
  for (size_t k = 0; k < 3; ++k) {
    for (size_t i = 0; i < FileSize; ++i) {
      const uint8_t r = references[k][i];
      if (expected[i] == 0) {
        expected[i] = r;
      } else if (r != 0 && r != expected[i]) {
        ++differing[k];
      }
    }
  }
  args.push_back("--delete-reference");
  const CliResult run = RunCli(args);
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), expected);
  EXPECT_NE(expected, intact);  // the third reference's own bytes filled a hole
  for (size_t k = 0; k < 3; ++k) {
    const std::string path = args[2 + k];
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(Contains(
        run.Out, "Differing bytes in \"" + path + "\": " + std::to_string(differing[k]) + "\n"))
        << run.Out;
    EXPECT_TRUE(Contains(
        run.Out, "Reference file \"" + path + "\":\nThis Reference file has been deleted.\n"));
  }
}

TEST_F(CliRepairTest, AReferenceThatIsNoCopyIsUsedOnlyWhenSaidSo) {
  const std::string other = folder / "other.avi";
  WriteRealFile(other, NonZeroBytes(FileSize, 99));
  const CliResult refused =
      RunCli({"repair-reference", "--keep-reference", folder / "film.avi", other});
  EXPECT_EQ(refused.Status, 3);
  EXPECT_TRUE(
      Contains(refused.Err, "The Reference file does not look like a copy of the Selected file.\n"))
      << refused.Err;
  EXPECT_TRUE(Contains(refused.Err, "answered No (answer with --repair-anyway)")) << refused.Err;
  EXPECT_EQ(refused.Out, "");
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), damaged);

  const CliResult used = RunCli(
      {"repair-reference", "--keep-reference", "--repair-anyway", folder / "film.avi", other});
  EXPECT_EQ(used.Status, 0) << used.Err;
  EXPECT_TRUE(Contains(used.Out, "Referencing complete.")) << used.Out;
  EXPECT_NE(ReadRealFile(folder / "film.avi"), damaged);
}

}  // namespace
}  // namespace tamarack::testing
