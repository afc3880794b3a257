// Several references merged in one pass: each zero byte of the selected file
// takes the first byte that is not zero among the references, in their
// order, which is what merging them one after the other gives.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/size_text.h"
#include "repair/file_blocks.h"
#include "repair/reference_repair.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string Video = "/v/film.avi";
const std::vector<std::string> References = {"/r/1.avi", "/r/2.avi", "/r/3.avi"};
constexpr size_t Size = 3 * FileBlockSize + 999;

// Changes about one byte in 400 to another value that is not zero: a copy
// that differs a little, as a download with a few bad bytes does.
std::vector<uint8_t> Spoiled(std::vector<uint8_t> bytes, unsigned seed) {
  std::mt19937 random(seed);
  for (size_t i = random() % 400; i < bytes.size(); i += 1 + random() % 800) {
    if (bytes[i] != 0) bytes[i] = static_cast<uint8_t>(bytes[i] % 255 + 1);
  }
  return bytes;
}

// The plain rule, one reference after the other: a zero byte takes the
// reference's byte; where both hold a byte that differs, it is counted.
std::vector<uint8_t> MergedOneAfterAnother(std::vector<uint8_t> file,
                                           const std::vector<std::vector<uint8_t>>& references,
                                           std::vector<int64_t>& differing) {
  differing.assign(references.size(), 0);
  for (size_t k = 0; k < references.size(); ++k) {
    for (size_t i = 0; i < file.size(); ++i) {
      const uint8_t r = references[k][i];
      if (file[i] == 0) {
        file[i] = r;
      } else if (r != 0 && r != file[i]) {
        ++differing[k];
      }
    }
  }
  return file;
}

class SeveralReferencesTest : public ProgramTest {
 protected:
  SeveralReferencesTest() {
    const std::vector<uint8_t> intact = RandomBytes(Size, 71);
    selected = Damaged(intact, {{1000, 400000}, {700000, 20000}});
    // The first reference lacks most of the selected file's hole, the
    // second some of what is left; only the third holds units 100,000 on,
    // and none of them the bytes 300,000 to 310,000.
    references = {Spoiled(Damaged(intact, {{0, 100000}, {300000, 10000}}), 72),
                  Spoiled(Damaged(intact, {{50000, 300000}, {705000, 1000}}), 73),
                  Spoiled(Damaged(intact, {{290000, 20000}}), 74)};
    AddFile(Video, selected);
    for (size_t k = 0; k < References.size(); ++k) AddFile(References[k], references[k]);
    SelectFile(Video);
  }

  OperationResult Repair(const std::vector<std::string>& paths) {
    program->UseReferences(paths);
    return program->Run(Operation::RepairWithReference);
  }

  std::vector<uint8_t> selected;
  std::vector<std::vector<uint8_t>> references;
};

TEST_F(SeveralReferencesTest, ThreeReferencesGiveWhatMergingThemOneAfterAnotherGives) {
  std::vector<int64_t> differing;
  const std::vector<uint8_t> expected = MergedOneAfterAnother(selected, references, differing);
  ASSERT_NE(expected, selected);
  ASSERT_GT(std::count(expected.begin(), expected.end(), 0), 10000);  // a hole none fills

  dialogs.AnyAnswer = PromptResult::No;  // the deletion offers
  files.Counts.clear();
  EXPECT_EQ(Repair(References).Result, Outcome::Completed);
  EXPECT_EQ(files.Files[Video], expected);
  std::vector<ReferenceCount> counts;
  for (size_t k = 0; k < References.size(); ++k) counts.push_back({References[k], differing[k]});
  EXPECT_EQ(program->LastFindings().Counts, counts);
  // One pass: each file read once, beyond the sample of the small file.
  const int sample = 4;
  EXPECT_EQ(files.Counts[Video].Reads, sample + 4 + files.Counts[Video].Writes);
  for (const std::string& path : References) EXPECT_EQ(files.Counts[path].Reads, sample + 4);

  // Every message about one reference names it; each is offered for
  // deletion.
  std::vector<std::string> shown;
  for (const FakeDialogs::Message& m : dialogs.Shown) shown.push_back(m.Text);
  ASSERT_EQ(shown.size(), 7u);
  EXPECT_EQ(shown[0], "Referencing complete. Analyze the Selected file for remaining errors.");
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(shown[1 + k], "Reference file \"" + References[k] +
                                "\":\r\nThe Reference file holds other data than the Selected "
                                "file in " +
                                FormatThousands(differing[k]) +
                                " bytes;\r\nthe Selected file kept its own data there.");
    EXPECT_EQ(shown[4 + k].rfind("Reference file \"" + References[k] +
                                     "\":\r\nThis Reference file is no longer needed",
                                 0),
              0u);
  }

  // The same merges run one by one on a copy give the same file and counts.
  const std::string copy = "/v/copy.avi";
  AddFile(copy, selected);
  program->RunCommand(SelectClearButton);
  SelectFile(copy);
  for (size_t k = 0; k < References.size(); ++k) {
    EXPECT_EQ(Repair({References[k]}).Result, Outcome::Completed);
    EXPECT_EQ(program->LastFindings().Counts,
              (std::vector<ReferenceCount>{{References[k], differing[k]}}));
  }
  EXPECT_EQ(files.Files[copy], expected);
}

TEST_F(SeveralReferencesTest, EachReferenceIsCheckedAndTheOneAtFaultNamed) {
  AddFile("/r/short.avi", std::vector<uint8_t>(Size - 1, 1));
  files.Aliases["/r/link.avi"] = References[0];
  struct Case {
    std::vector<std::string> Paths;
    std::string Message;
  };
  const std::vector<Case> cases = {
      {{References[0], Video},
       "Reference file \"/v/film.avi\":\r\n"
       "The Selected file and the Reference file\r\nare the same file."},
      {{References[0], References[1], "/r/link.avi"},
       "Reference file \"/r/link.avi\":\r\n"
       "This Reference file and the Reference file \"/r/1.avi\"\r\nare the same file."},
      {{References[0], "/r/short.avi"},
       "Reference file \"/r/short.avi\":\r\n"
       "The Selected file and Reference file\r\nare different sizes."},
      {{"/r/missing.avi", References[0]},
       "Reference file \"/r/missing.avi\":\r\n" + AccessErrorText(FileRole::Reference)},
  };
  files.Counts.clear();
  for (const Case& c : cases) {
    dialogs.Expect(MessageKind::Error, c.Message);
    const OperationResult result = Repair(c.Paths);
    EXPECT_EQ(result.Result, Outcome::Failed);
    EXPECT_EQ(result.Message, c.Message);
    EXPECT_EQ(files.OpenFiles, 0);
  }
  EXPECT_EQ(files.Counts[Video].Writes, 0);
  EXPECT_EQ(files.Files[Video], selected);
}

TEST_F(SeveralReferencesTest, EveryReferenceMayBeDeletedAfterACompletedRun) {
  dialogs.Expect(MessageKind::Information, "Referencing complete.*");
  for (int k = 0; k < 3; ++k) {
    dialogs.Expect(MessageKind::Information, "Reference file \"" + References[k] + "\":\r\nThe *");
  }
  for (int k = 0; k < 3; ++k) {
    const std::string name = "Reference file \"" + References[k] + "\":\r\n";
    dialogs.Expect(MessageKind::Confirmation, name + "This Reference file is no longer needed*",
                   PromptResult::Yes);
    dialogs.Expect(MessageKind::Information, name + "This Reference file has been deleted.");
  }
  EXPECT_EQ(Repair(References).Result, Outcome::Completed);
  for (const std::string& path : References) EXPECT_FALSE(files.Exists(path));
}

}  // namespace
}  // namespace tamarack::testing
