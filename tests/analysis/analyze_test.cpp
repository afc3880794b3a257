#include "analysis/analyze.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/program_fixture.h"
#include "support/real_files.h"
#include "ui/block_grid.h"

namespace tamarack::testing {
namespace {

const std::string FilmPath = "/videos/film.avi";
const std::string StopText = "Current operation paused.\r\nStop current operation?";
const std::string SizeChangedText = "The Selected file changed size while it was being worked on.";

// Random bytes with short zero runs here and there, none long enough to be
// an error.
std::vector<uint8_t> FilmBytes(int32_t size) {
  std::mt19937 rng(3);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(1 + rng() % 255);
  for (int32_t at = 1000; at + 600 < size; at += 7919) {
    std::fill_n(bytes.begin() + at, 1 + rng() % 600, 0);
  }
  return bytes;
}

// Zeros at positions first to last (1-based, inclusive).
void Zero(std::vector<uint8_t>& bytes, int32_t first, int32_t last) {
  std::fill(bytes.begin() + (first - 1), bytes.begin() + last, 0);
}

class AnalyzeTest : public ProgramTest {
 protected:
  void Prepare(std::vector<uint8_t> bytes) {
    AddFile(FilmPath, std::move(bytes));
    SelectFile(FilmPath);
    files.Counts.clear();
  }
  void Run() { program->RunCommand(AnalyzeButton); }
  // Runs during at the pump with this number counted from the start of the
  // next operation: 1 "Initializing", 2 "Analyzing - 0%", then one after
  // each block whose progress is due.
  void OnPump(int number, std::function<void()> during) {
    const int base = pump.Calls;
    pump.OnPump = [base, number, during](int call) {
      if (call - base == number) during();
    };
  }
  // Clicks Pause/Stop at that pump; the stop prompt is expected before any
  // message expected after this call.
  void StopAtPump(int number, PromptResult answer) {
    dialogs.Expect(MessageKind::Confirmation, StopText, answer);
    OnPump(number, [this] { program->RunCommand(PauseStopButton); });
  }

  // The map as letters: 'G' green, 'R' red, 'W' white, '?' anything else.
  std::string MapLetters() const {
    std::string letters;
    for (int i = 1; i <= CellCount; ++i) {
      const CellOrigin o = CellPosition(static_cast<uint16_t>(i));
      const Color c = program->Bitmap.GetPixel(o.X, o.Y);
      letters += c == Green ? 'G' : c == Red ? 'R' : c == White ? 'W' : '?';
    }
    return letters;
  }
  const AnalysisResult& Summary() const { return program->LastFindings().Analysis; }
  // The colours of the painted cells as letters.
  std::string CellLetters() const {
    std::string letters;
    for (const Color& c : Summary().Cells) letters += c == Red ? 'R' : c == Green ? 'G' : '?';
    return letters;
  }

  // After a stop or a fault: no report figures, the map wiped, the buttons
  // back, every file closed.
  void ExpectEndedEarly() {
    EXPECT_FALSE(Summary().Completed);
    EXPECT_TRUE(Summary().Codes.empty());
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(MapLetters(), std::string(CellCount, 'W'));
    EXPECT_EQ(program->ButtonPanel.State(AnalyzeButton), ButtonState::Up);
    EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
    EXPECT_EQ(program->Progress.LastProgressText(), "");
    EXPECT_EQ(files.OpenFiles, 0);
  }
};

TEST_F(AnalyzeTest, ErrorRunsTurnTheirCellsRedAndOpenThePatchCodesView) {
  std::vector<uint8_t> film = FilmBytes(1000000);
  Zero(film, 14001, 19000);    // an error from position 16385 on
  Zero(film, 300001, 301025);  // 1025 bytes: an error at its last byte
  Prepare(std::move(film));
  // Cell size 500, 2000 cells: red where error bytes were counted.
  std::string map(2000, 'G');
  for (int c = 33; c <= 38; ++c) map[c - 1] = 'R';
  map[603 - 1] = 'R';
  map += 'W';
  dialogs.Expect(MessageKind::Information,
                 "Analysis complete.\r\n"
                 "\r\n"
                 "Real Data:\t99.4%\t\t1.0Mb (972Kb)\r\n"
                 "Fake Data:\t0.6%\t\t0.1Mb (5Kb)\r\n"
                 "\r\n"
                 "Some or all errors may be repairable using a Reference or Patch file.\r\n"
                 "If you have already repaired using a Reference file,\r\n"
                 "another one may repair these remaining errors.\r\n"
                 "(See Help for instructions on repairing.)",
                 PromptResult::Ok, [&] {
                   EXPECT_EQ(MapLetters(), map);
                   EXPECT_EQ(program->Progress.LastProgressText(), "Analyzing - 100%");
                 });
  Run();

  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_EQ(memo.Text,
            "Patch Codes for required Patch Data\r\n"
            "(See Help page 6 for information on requesting a Patch file).\r\n"
            "\r\n"
            "Total Patches Codes: 2\tTotal Size: 0.2Mb (128Kb)\r\n"
            "\r\n"
            "2 x 64Kb code(s):\r\n"
            "00000, 00040\r\n"
            "\r\n"
            "\r\n");             // the text's last line break, then the one the view adds
  EXPECT_EQ(MapLetters(), map);  // the runner leaves a completed map
  EXPECT_TRUE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ButtonPanel.State(AnalyzeButton), ButtonState::Up);
  EXPECT_EQ(files.OpenFiles, 0);
  EXPECT_EQ(files.Counts[FilmPath].Reads, 4);

  const AnalysisResult& s = Summary();
  EXPECT_TRUE(s.Completed);
  EXPECT_EQ(s.FileSize, 1000000);
  EXPECT_EQ(s.ErrorBytes, 3640 + 1025);
  EXPECT_EQ(s.FakeBytes, 5120);
  EXPECT_EQ(s.RealBytes, 994880);
  EXPECT_EQ(s.RealPermille, 994);
  EXPECT_EQ(s.Codes, (std::vector<std::string>{"00000", "00040"}));
  EXPECT_EQ(CellLetters(), map.substr(0, 2000));
}

// A clean file paints green cells, one a byte for the smallest file, and
// empties the codes of an earlier analysis.
TEST_F(AnalyzeTest, CleanFileStaysOnTheMapAndEmptiesEarlierCodes) {
  const std::pair<std::vector<uint8_t>, size_t> clean[] = {{std::vector<uint8_t>(1024, 0), 1024},
                                                           {FilmBytes(1000000), 2000}};
  for (const auto& [bytes, cells] : clean) {
    SCOPED_TRACE(cells);
    Prepare(bytes);
    program->ViewArea.Store(View::PatchCodes) = "00010, 00020";
    dialogs.Expect(MessageKind::Information, "Analysis complete.\r\n\r\nReal Data:\t100.0%*");
    Run();
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Analysis);
    EXPECT_EQ(MapLetters(), std::string(cells, 'G') + std::string(CellCount - cells, 'W'));
    EXPECT_TRUE(Summary().Completed);
    EXPECT_EQ(Summary().ErrorBytes, 0);
    EXPECT_TRUE(Summary().Codes.empty());
    program->RunCommand(PatchCodesButton);
    EXPECT_EQ(memo.Text, "");
    program->RunCommand(SelectClearButton);
  }
}

TEST_F(AnalyzeTest, FakeFileGetsNoPatchCodesView) {
  std::vector<uint8_t> film = FilmBytes(1000000);
  Zero(film, 20001, 1000000);
  Prepare(std::move(film));
  dialogs.Expect(MessageKind::Information, "Analysis complete.\r\n\r\nReal Data:\t1.9%*");
  Run();
  EXPECT_TRUE(
      dialogs.Shown.back().Text.ends_with("\r\n\r\nThis file is fake and cannot be repaired."));
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Analysis);
  EXPECT_TRUE(Summary().Completed);
  EXPECT_EQ(Summary().RealPermille, 19);
  EXPECT_TRUE(Summary().Codes.empty());
  EXPECT_EQ(CellLetters().find('R'), 42u);  // cell 43 holds position 20001 + 1024
}

TEST_F(AnalyzeTest, StopDuringTheScanEndsAfterTheBlockWithoutReport) {
  std::vector<uint8_t> film = FilmBytes(2000000);
  Zero(film, 20001, 30000);
  Prepare(std::move(film));
  clock.Step = 1000;  // the progress is due after every block
  StopAtPump(3, PromptResult::Yes);
  Run();
  ExpectEndedEarly();
  EXPECT_EQ(files.Counts[FilmPath].Reads, 1);
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  // The block read is complete: its open cell is still closed.
  EXPECT_EQ(Summary().ErrorBytes, 10000);
  EXPECT_EQ(CellLetters().size(), 263u);  // cell size 1000
}

TEST_F(AnalyzeTest, StopAnsweredNoGoesOnToTheReport) {
  Prepare(FilmBytes(2000000));
  clock.Step = 1000;
  StopAtPump(4, PromptResult::No);
  dialogs.Expect(MessageKind::Information, "Analysis complete.*");
  Run();
  EXPECT_TRUE(Summary().Completed);
  EXPECT_EQ(files.Counts[FilmPath].Reads, 8);
  EXPECT_EQ(MapLetters(), std::string(CellCount - 1, 'G') + "W");
}

TEST_F(AnalyzeTest, CloseFaultAfterTheReportEndsWithAMessage) {
  std::vector<uint8_t> film = FilmBytes(1000000);
  Zero(film, 300001, 301025);
  Prepare(std::move(film));
  files.FailOn(FilmPath, "close", 1);
  dialogs.Expect(MessageKind::Information, "Analysis complete.*");
  dialogs.Expect(MessageKind::Error, "The Selected file could not be closed.");
  Run();
  EXPECT_FALSE(Summary().Completed);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(files.OpenFiles, 0);
  // The codes already shown stay in their view.
  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
}

// A read that fails, a file that shrinks or grows during the scan, or one
// gone since its selection: a message, and no report.
TEST_F(AnalyzeTest, FaultsDuringTheScanEndWithAMessage) {
  struct Case {
    const char* Name;
    std::function<void()> Fault;
    std::string Message;
    int Reads;     // -1: not counted
    size_t Cells;  // the cells scanned before the fault
  };
  const Case cases[] = {
      {"read fault", [this] { files.FailOn(FilmPath, "read", 2); },
       "The Selected file could not be read.", -1, 0},
      // The second block came short: nothing of it was scanned.
      {"shrinks", [this] { OnPump(2, [this] { files.Files[FilmPath].resize(400000); }); },
       SizeChangedText, 2, (262144u + 499) / 500},
      // The blocks were read up to the size taken at the start, no further;
      // the size at the end told the change.
      {"grows", [this] { OnPump(2, [this] { files.Files[FilmPath].resize(1000100, 0); }); },
       SizeChangedText, 4, 2000},
      {"gone", [this] { files.Files.erase(FilmPath); },
       "The Selected file cannot be accessed because:*", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Prepare(FilmBytes(1000000));
    c.Fault();
    dialogs.Expect(MessageKind::Error, c.Message);
    Run();
    ExpectEndedEarly();
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
    if (c.Reads >= 0) {
      EXPECT_EQ(files.Counts[FilmPath].Reads, c.Reads);
      EXPECT_EQ(CellLetters().size(), c.Cells);
    }
    pump.OnPump = nullptr;
    files.Failures.clear();
    program->RunCommand(SelectClearButton);
  }
}

// The same scan of a file on the disk, which it looks at through views of
// the file in memory: the outcome must be the one of the scan read block by
// block.
class AnalyzeRealFileTest : public RealFilesTest {
 protected:
  void Prepare(const std::vector<uint8_t>& bytes) {
    path = temp.File("film.avi");
    WriteRealFile(path, bytes);
    SelectFile(path);
  }
  void OnPump(int number, std::function<void()> during) {
    const int base = pump.Calls;
    pump.OnPump = [base, number, during](int call) {
      if (call - base == number) during();
    };
  }
  const AnalysisResult& Summary() const { return program->LastFindings().Analysis; }

  std::string path;
};

TEST_F(AnalyzeRealFileTest, ScanOfAFileOnDiskFindsWhatTheBlockByBlockScanFinds) {
  // Error runs within a block, across block edges, one of a whole block and
  // more, and many short runs, in 32 blocks and a part.
  std::vector<uint8_t> film = FilmBytes(32 * 262144 + 5000);
  Zero(film, 14001, 19000);
  Zero(film, 262144 - 3000, 262144 + 3000);
  Zero(film, 5 * 262144 - 100, 7 * 262144 + 100);
  Zero(film, 20 * 262144 + 1, 20 * 262144 + 1025);
  Zero(film, 32 * 262144 + 1000, 32 * 262144 + 2900);
  Prepare(film);
  const ProofRequest digests{{AllDigestKinds.begin(), AllDigestKinds.end()}, nullptr};
  program->UseProof(digests);
  dialogs.Expect(MessageKind::Information, "Analysis complete.*");
  program->RunCommand(AnalyzeButton);
  const AnalysisResult onDisk = Summary();

  // The scan of the same bytes read from memory, block by block.
  struct InMemory : ProgramTest {
    void TestBody() override {}
    AnalysisResult Analyze(const std::vector<uint8_t>& bytes, const ProofRequest& proof) {
      AddFile(FilmPath, bytes);
      SelectFile(FilmPath);
      program->UseProof(proof);
      dialogs.Expect(MessageKind::Information, "Analysis complete.*");
      program->RunCommand(AnalyzeButton);
      return program->LastFindings().Analysis;
    }
  };
  const AnalysisResult inMemory = InMemory().Analyze(film, digests);

  ASSERT_TRUE(onDisk.Completed);
  EXPECT_GT(onDisk.Runs.size(), 3u);
  EXPECT_EQ(onDisk.ErrorBytes, inMemory.ErrorBytes);
  EXPECT_EQ(onDisk.Runs, inMemory.Runs);
  EXPECT_EQ(onDisk.Codes, inMemory.Codes);
  EXPECT_EQ(onDisk.Cells, inMemory.Cells);
  // The digests are fed the same blocks, however they were read.
  EXPECT_EQ(onDisk.Digests.size(), AllDigestKinds.size());
  EXPECT_EQ(onDisk.Digests, inMemory.Digests);
}

// With a torrent taken for the file, the cells of its failed pieces turn red
// even where no zero byte is, and the summary closes with the pieces; once
// the selection is cleared, Analyze is as before.
TEST_F(AnalyzeRealFileTest, TorrentPaintsFailedPiecesUntilTheSelectionIsCleared) {
  std::vector<uint8_t> film = FilmBytes(3000000);
  Prepare(film);
  const std::string torrent = temp.File("film.torrent");
  const std::string other = temp.File("other.torrent");
  ASSERT_EQ(std::system(("mktorrent -l 16 -o '" + torrent + "' '" + path + "' >/dev/null").c_str()),
            0);
  WriteRealFile(temp.File("other.avi"), FilmBytes(4000));
  ASSERT_EQ(
      std::system(("mktorrent -l 16 -o '" + other + "' '" + temp.File("other.avi") + "' >/dev/null")
                      .c_str()),
      0);
  std::fill_n(film.begin() + 1000000, 100, 0x55);  // in the piece from 983040 on
  WriteRealFile(path, film);

  dialogs.Expect(MessageKind::Error, "The torrent file does not describe the Selected file:*");
  program->TakeDroppedFile(other);
  EXPECT_TRUE(program->TakeDroppedFile(torrent));
  const std::string summary = "Analysis complete.*";
  dialogs.Expect(MessageKind::Information, summary);
  program->RunCommand(AnalyzeButton);
  ASSERT_FALSE(dialogs.Shown.empty());
  const std::string piecesLine = "\r\n\r\nTorrent pieces: 45 of 46 verified, 1 failed, 0 unknown.";
  EXPECT_TRUE(dialogs.Shown.back().Text.ends_with(piecesLine)) << dialogs.Shown.back().Text;
  // Cells of 1500 bytes: the piece's bytes 983040 to 1048575 lie in cells
  // 656 to 700.
  std::string cells(2000, 'G');
  std::fill(cells.begin() + 655, cells.begin() + 700, 'R');
  std::string painted;
  for (const Color& color : Summary().Cells) painted += color == Red ? 'R' : 'G';
  EXPECT_EQ(painted, cells);

  program->RunCommand(SelectClearButton);
  SelectFile(path);
  dialogs.Expect(MessageKind::Information, summary);
  program->RunCommand(AnalyzeButton);
  EXPECT_FALSE(dialogs.Shown.back().Text.ends_with(piecesLine));
  EXPECT_EQ(Summary().Cells, std::vector<Color>(2000, Green));
  EXPECT_FALSE(Summary().Torrent);
}

// A file on disk that shrinks, or grows, during the scan.
class AnalyzeResizedFileTest : public AnalyzeRealFileTest,
                               public ::testing::WithParamInterface<int64_t> {};

INSTANTIATE_TEST_SUITE_P(NewSizes, AnalyzeResizedFileTest,
                         ::testing::Values(3000000, 32 * 262144 + 100));

TEST_P(AnalyzeResizedFileTest, FileThatChangesSizeDuringTheScanEndsWithAMessage) {
  Prepare(FilmBytes(32 * 262144));
  OnPump(2, [this] { std::filesystem::resize_file(path, static_cast<uintmax_t>(GetParam())); });
  dialogs.Expect(MessageKind::Error, SizeChangedText);
  program->RunCommand(AnalyzeButton);
  EXPECT_FALSE(Summary().Completed);
  EXPECT_FALSE(program->Control.LastRunCompleted());
}

// Bytes lost under a view read as zeros. A file cut short and written back
// whole before the scan ends has its size again; the scan still must not
// report the zeros it saw in the meantime.
TEST_F(AnalyzeRealFileTest, BytesLostUnderAViewEndTheScanThoughTheSizeComesBack) {
  const std::vector<uint8_t> film = FilmBytes(32 * 262144);
  Prepare(film);
  clock.Step = 1000;  // the progress is due after every block
  int pumps = 0;
  pump.OnPump = [&](int) {
    ++pumps;
    if (pumps == 3) std::filesystem::resize_file(path, 262144);  // after the first block
    if (pumps == 4) WriteRealFile(path, film);
  };
  dialogs.Expect(MessageKind::Error, SizeChangedText);
  program->RunCommand(AnalyzeButton);
  EXPECT_FALSE(Summary().Completed);
  EXPECT_FALSE(program->Control.LastRunCompleted());
}

}  // namespace
}  // namespace tamarack::testing
