// End-to-end runs of tamarack-cli info and analyze on generated files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/program.h"
#include "cli/cli_process.h"
#include "core/extent.h"
#include "platform/posix/posix_file_system.h"
#include "platform/qt/qt_font_backend.h"
#include "support/fakes.h"
#include "ui/block_grid.h"

namespace tamarack::testing {
namespace {

constexpr int64_t FileSize = 3000000;

// Two runs well inside the file and beyond its first 16384 bytes, so each
// is an error run as a whole.
const std::vector<Extent> Runs = {{1000000, 100000}, {2000000, 300000}};

std::vector<uint8_t> DamagedBytes() {
  std::vector<uint8_t> bytes = NonZeroBytes(FileSize, 7);
  for (const Extent& run : Runs) std::fill_n(bytes.begin() + run.Offset, run.Length, 0);
  return bytes;
}

// The code of a run of at most 16 units: first unit in four hex digits,
// then the unit count minus one.
std::string CodeOf(const Extent& run) {
  const int64_t first = run.Offset / 65536;
  const int64_t last = (run.Offset + run.Length - 1) / 65536;
  char code[6];
  std::snprintf(code, sizeof code, "%04X%X", static_cast<unsigned>(first),
                static_cast<unsigned>(last - first));
  return code;
}

// A cell is red when an error byte is counted in it: from the 1025th byte of
// a run to its end.
std::string ExpectedCells() {
  const int64_t cellSize = (FileSize + 2000) / 2001;
  const int64_t cells = (FileSize + cellSize - 1) / cellSize;
  std::string letters;
  for (int64_t k = 0; k < cells; ++k) {
    const int64_t first = k * cellSize;
    const int64_t last = std::min(FileSize, first + cellSize) - 1;
    bool red = false;
    for (const Extent& run : Runs) {
      red = red || (first <= run.Offset + run.Length - 1 && last >= run.Offset + 1024);
    }
    letters += red ? 'R' : 'G';
  }
  return letters;
}

// The window's fonts need a Qt application, offscreen as the tests run. It
// is made for the test that needs it and gone before the test ends, while
// Qt's own font cache still exists.
class QtApplication {
 public:
  QtApplication() : application_(argc_, argv_) {}

 private:
  int argc_ = 1;
  char name_[10] = "cli_tests";
  char* argv_[2] = {name_, nullptr};
  QGuiApplication application_;
};

class CliAnalyzeTest : public ::testing::Test {
 protected:
  TempDir folder;
};

TEST_F(CliAnalyzeTest, InfoPrintsTheInformationViewLineByLine) {
  std::vector<uint8_t> bytes = NonZeroBytes(FileSize, 1);
  const std::string codes = "vidsXVID";
  std::copy_n(codes.begin(), 4, bytes.begin() + 112);
  std::copy_n(codes.begin() + 4, 4, bytes.begin() + 188);
  WriteRealFile(folder / "film.avi", bytes);

  const CliResult run = RunCli({"info", folder / "film.avi"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Err, "");
  const std::vector<std::string> expected = {"Selected Filename:",
                                             "   " + folder.Path() + "/",
                                             "   film.avi",
                                             "",
                                             "Size:",
                                             "   2.9Mb (2,930Kb)",
                                             "",
                                             "FourCC:",
                                             "   vids-XVID"};
  EXPECT_EQ(LinesOf(run.Out), expected);
}

TEST_F(CliAnalyzeTest, InfoOfAFileThatCannotBeUsedFails) {
  const CliResult missing = RunCli({"info", folder / "missing.avi"});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("The Selected file cannot be accessed because:\n"), std::string::npos);
  EXPECT_EQ(missing.Out.find("Size:"), std::string::npos);

  WriteRealFile(folder / "short.avi", NonZeroBytes(1023, 1));
  const CliResult small = RunCli({"info", folder / "short.avi"});
  EXPECT_EQ(small.Status, 1);
  EXPECT_EQ(small.Err, "The Selected file must be at least 1Kb in size.\n");
}

TEST_F(CliAnalyzeTest, AnalyzePrintsTheSummaryAndThePatchCodes) {
  WriteRealFile(folder / "film.avi", DamagedBytes());
  const CliResult run = RunCli({"analyze", folder / "film.avi"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out.find('\r'), std::string::npos);
  const std::vector<std::string> lines = LinesOf(run.Out);
  ASSERT_GT(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Analysis complete.");
  // 400000 error bytes are 400384 bytes of fake data: 866 permille real.
  EXPECT_EQ(lines[2].rfind("Real Data:\t86.6%\t\t", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3].rfind("Fake Data:\t13.4%\t\t", 0), 0u) << lines[3];
  EXPECT_NE(run.Out.find("\nPatch Codes for required Patch Data\n"), std::string::npos);
  EXPECT_NE(run.Out.find("\n" + CodeOf(Runs[0]) + "\n"), std::string::npos);
  EXPECT_NE(run.Out.find("\n" + CodeOf(Runs[1]) + "\n"), std::string::npos);

  WriteRealFile(folder / "intact.avi", NonZeroBytes(FileSize, 2));
  const CliResult intact = RunCli({"analyze", folder / "intact.avi"});
  EXPECT_EQ(intact.Status, 0);
  EXPECT_NE(intact.Out.find("Real Data:\t100.0%"), std::string::npos);
  EXPECT_EQ(intact.Out.find("Patch Codes"), std::string::npos);
}

TEST_F(CliAnalyzeTest, JsonCarriesTheNumbersOfTheReport) {
  WriteRealFile(folder / "film.avi", DamagedBytes());
  // The option may follow the file.
  const CliResult run = RunCli({"analyze", folder / "film.avi", "--json"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const nlohmann::json json = nlohmann::json::parse(run.Out);

  int64_t errorBytes = 0;
  for (const Extent& r : Runs) errorBytes += r.Length;
  const int64_t fake = (errorBytes + 1023) / 1024 * 1024;
  const int64_t real = FileSize - fake;
  EXPECT_EQ(json["file"], folder / "film.avi");
  EXPECT_EQ(json["size"], FileSize);
  EXPECT_EQ(json["completed"], true);
  EXPECT_EQ(json["errorBytes"], errorBytes);
  EXPECT_EQ(json["fakeBytes"], fake);
  EXPECT_EQ(json["realBytes"], real);
  EXPECT_EQ(json["realPermille"], real * 1000 / FileSize);
  EXPECT_EQ(json["codes"], nlohmann::json::array({CodeOf(Runs[0]), CodeOf(Runs[1])}));
  EXPECT_EQ(json["cells"], ExpectedCells());
  // Nothing but the object: no summary, no codes text.
  EXPECT_EQ(run.Out.find("Analysis complete."), std::string::npos);
  EXPECT_EQ(run.Out.back(), '\n');
  EXPECT_EQ(run.Out.find('\n'), run.Out.size() - 1);
}

TEST_F(CliAnalyzeTest, JsonOfAFakeFileHasNoCodes) {
  // Real data below 5%: judged fake, its codes are dropped.
  std::vector<uint8_t> bytes(FileSize, 0);
  std::fill_n(bytes.begin(), 100000, 1);
  WriteRealFile(folder / "fake.avi", bytes);
  const CliResult run = RunCli({"analyze", "--json", folder / "fake.avi"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const nlohmann::json json = nlohmann::json::parse(run.Out);
  EXPECT_LT(json["realPermille"].get<int>(), 50);
  EXPECT_EQ(json["codes"], nlohmann::json::array());
}

// The program of the window, on the window's fonts, after an analysis of the
// file; its bitmap holds the map as the window shows it.
class WindowProgram {
 public:
  explicit WindowProgram(const std::string& file) {
    program.DoInit();
    dialogs.ExpectFile(file);
    program.RunCommand(SelectClearButton);
    dialogs.Expect(MessageKind::Information, "Analysis complete.*");
    program.RunCommand(AnalyzeButton);
  }

  QtFontBackend fonts;
  FakeTextView memo;
  FakeDialogs dialogs;
  FakeEventPump pump;
  FakeClock clock;
  FakeShell shell;
  FakeWindowHost window;
  PosixFileSystem files;
  Program program{PlatformServices{fonts, memo, dialogs, pump, clock, shell, window, files}};
};

// The area that the text of each caption of the map may touch.
std::vector<PixelRect> CaptionAreas(FontBackend& windowFonts) {
  FakeFontBackend recorder;
  Surface surface(recorder);
  BlockGrid(surface).DrawGrid();
  std::vector<PixelRect> areas;
  for (const FakeFontBackend::DrawCall& call : recorder.Calls) {
    const TextExtent extent = windowFonts.Measure(call.Font, call.Text);
    areas.push_back(
        {call.X - 2, call.Y - 2, call.X + extent.Width + 4, call.Y + extent.Height + 4});
  }
  return areas;
}

TEST_F(CliAnalyzeTest, MapIsTheWindowsMapWithoutItsCaptions) {
  const std::string file = folder / "film.avi";
  WriteRealFile(file, DamagedBytes());
  // Written also when the report is the JSON object.
  const CliResult run = RunCli({"analyze", "--map", folder / "map.png", "--json", file});
  ASSERT_EQ(run.Status, 0) << run.Err;
  QImage map;
  ASSERT_TRUE(map.load(QString::fromStdString(folder / "map.png"), "PNG"));
  ASSERT_EQ(map.size(), QSize(408, 208));

  QtApplication application;
  WindowProgram window(file);
  const std::vector<PixelRect> captions = CaptionAreas(window.fonts);
  ASSERT_EQ(captions.size(), 3u);
  int captionPixels = 0;
  for (int y = 0; y < map.height(); ++y) {
    for (int x = 0; x < map.width(); ++x) {
      const Color shown = window.program.Bitmap.GetPixel(104 + x, 44 + y);
      const QRgb written = map.pixel(x, y);
      if (qRgb(shown.R, shown.G, shown.B) == written) continue;
      // Only the captions differ: where the window has their ink, the picture
      // has the map's white.
      const bool inCaption = std::any_of(captions.begin(), captions.end(), [&](const PixelRect& r) {
        return 104 + x >= r.Left && 104 + x < r.Right && 44 + y >= r.Top && 44 + y < r.Bottom;
      });
      ASSERT_TRUE(inCaption) << "pixel " << x << ", " << y;
      ASSERT_EQ(written, qRgb(255, 255, 255)) << "pixel " << x << ", " << y;
      ++captionPixels;
    }
  }
  // The window did draw its captions: the comparison saw them.
  EXPECT_GT(captionPixels, 30);
}

// A missing folder, a folder, or a pipe that the new file would replace (as
// a device would be, where the user may replace it).
TEST_F(CliAnalyzeTest, OutputsThatCannotBeWrittenFail) {
  WriteRealFile(folder / "film.avi", NonZeroBytes(FileSize, 3));
  const std::string pipe = folder / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string missing = folder / "no-such-folder/out";
  for (const auto& [option, what] : {std::pair{"--map", "map"}, {"--mapfile", "mapfile"}}) {
    for (const std::string& target : {missing, folder.Path(), pipe}) {
      const CliResult refused = RunCli({"analyze", option, target, folder / "film.avi"});
      EXPECT_EQ(refused.Status, 1);
      EXPECT_NE(refused.Err.find(std::string("tamarack-cli: the ") + what +
                                 " cannot be written to \"" + target + "\": "),
                std::string::npos)
          << refused.Err;
      if (target == missing) {
        EXPECT_NE(refused.Err.find("No such file or directory"), std::string::npos) << refused.Err;
      }
    }
  }
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path()));
}

// Neither output may take the place of the analysed file, however its path
// is written; --yes answers only the overwrite question, never this.
TEST_F(CliAnalyzeTest, OutputNamingTheAnalysedFileIsRefused) {
  const std::vector<uint8_t> film = DamagedBytes();
  WriteRealFile(folder / "film.avi", film);
  std::filesystem::create_directory(folder / "sub");
  std::filesystem::create_hard_link(folder / "film.avi", folder / "hard.png");
  std::filesystem::create_symlink(folder / "film.avi", folder / "soft.map");
  ChildSetup inFolder;
  inFolder.WorkingFolder = folder.Path();
  for (const char* option : {"--map", "--mapfile"}) {
    for (const std::string& spelling :
         {std::string("film.avi"), std::string("./film.avi"), std::string("sub/../film.avi"),
          folder / "film.avi", std::string("hard.png"), std::string("soft.map")}) {
      CliProcess process({"analyze", "--yes", option, spelling, "film.avi"}, "", inFolder);
      const CliResult run = process.Finish();
      EXPECT_EQ(run.Status, 1) << option << " " << spelling;
      EXPECT_NE(run.Err.find("are the same file."), std::string::npos) << run.Err;
      ASSERT_EQ(ReadRealFile(folder / "film.avi"), film) << option << " " << spelling;
      EXPECT_TRUE(std::filesystem::is_symlink(folder / "soft.map"));
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 4);
    }
  }
}

// An existing map or mapfile is replaced only when the overwrite question
// is answered Yes; without a terminal it is answered No.
TEST_F(CliAnalyzeTest, ExistingOutputIsReplacedOnlyAfterTheQuestion) {
  WriteRealFile(folder / "film.avi", DamagedBytes());
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  for (const char* option : {"--map", "--mapfile"}) {
    const std::string output = folder / "output";
    WriteRealFile(output, old);
    for (const char* answer : {"", "--no"}) {
      std::vector<std::string> args = {"analyze", option, output, folder / "film.avi"};
      if (*answer != '\0') args.insert(args.begin() + 1, answer);
      const CliResult declined = RunCli(args);
      EXPECT_EQ(declined.Status, 3) << option << " " << answer << ": " << declined.Err;
      if (*answer == '\0') {
        EXPECT_NE(declined.Err.find("Overwrite \"" + output + "\"?"), std::string::npos);
      }
      EXPECT_EQ(ReadRealFile(output), old);
    }
    const CliResult replaced = RunCli({"analyze", "--yes", option, output, folder / "film.avi"});
    EXPECT_EQ(replaced.Status, 0) << replaced.Err;
    EXPECT_NE(ReadRealFile(output), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
  }
}

TEST_F(CliAnalyzeTest, MapThatTheDiskCannotHoldLeavesNoPicture) {
  WriteRealFile(folder / "film.avi", DamagedBytes());
  WriteRealFile(folder / "map.png", {'o', 'l', 'd'});
  // A file size limit of 100 bytes: the picture's writes fail as on a full
  // disk.
  ChildSetup smallDisk;
  smallDisk.FileSizeLimit = 100;
  CliProcess process({"analyze", "--yes", "--map", folder / "map.png", folder / "film.avi"}, "",
                     smallDisk);
  const CliResult run = process.Finish();
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("the map cannot be written to \"" + folder / "map.png" +
                         "\": " + std::strerror(EFBIG)),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(ReadRealFile(folder / "map.png"), std::vector<uint8_t>({'o', 'l', 'd'}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
}

TEST_F(CliAnalyzeTest, OutputThatCannotBeWrittenFails) {
  WriteRealFile(folder / "film.avi", DamagedBytes());
  const std::string noSpace = std::strerror(ENOSPC);
  for (std::vector<std::string> args :
       {std::vector<std::string>{"analyze", "--json"}, {"analyze"}, {"info"}}) {
    args.push_back(folder / "film.avi");
    const CliResult full = RunCliTo("/dev/full", args);
    EXPECT_EQ(full.Status, 1) << args[0];
    EXPECT_EQ(full.Err, "tamarack-cli: standard output cannot be written: " + noSpace + "\n");
  }
  const CliResult help = RunCliTo("/dev/full", {"--help"});
  EXPECT_EQ(help.Status, 1);
  EXPECT_NE(help.Err.find(noSpace), std::string::npos);
}

// A block line of a ddrescue mapfile.
struct MapfileBlock {
  int64_t Position;
  int64_t Size;
  char Status;
  friend bool operator==(const MapfileBlock&, const MapfileBlock&) = default;
};

// The block lines of a mapfile, after its comments and its status line;
// each line's own comment (from a "#" on) is left out.
std::vector<MapfileBlock> MapfileBlocks(const std::string& text) {
  std::vector<MapfileBlock> blocks;
  bool statusLine = true;
  for (std::string line : LinesOf(text)) {
    line = line.substr(0, line.find('#'));
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    if (statusLine) {
      statusLine = false;
      continue;
    }
    MapfileBlock block{};
    long long position = 0;
    long long size = 0;
    EXPECT_EQ(std::sscanf(line.c_str(), "%lli %lli %c", &position, &size, &block.Status), 3)
        << line;
    block.Position = position;
    block.Size = size;
    blocks.push_back(block);
  }
  return blocks;
}

TEST_F(CliAnalyzeTest, MapfileHoldsTheRunsOfTheAnalysisAndDdrescueReadsIt) {
  // A run reaching into the first 16 KiB, which counts from its first zero
  // byte on, and one at the very end, so that the last block is a bad one.
  std::vector<uint8_t> bytes = DamagedBytes();
  std::fill_n(bytes.begin() + 10000, 20000, 0);
  std::fill_n(bytes.end() - 3000, 3000, 0);
  WriteRealFile(folder / "film.avi", bytes);
  WriteRealFile(folder / "film.map", {'o', 'l', 'd'});
  const std::string mapfile = folder / "film.map";
  const CliResult run =
      RunCli({"analyze", "--json", "--yes", "--mapfile", mapfile, folder / "film.avi"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const nlohmann::json json = nlohmann::json::parse(run.Out);
  const std::vector<uint8_t> written = ReadRealFile(mapfile);
  const std::string text(written.begin(), written.end());
  ASSERT_EQ(text.rfind("# ", 0), 0u) << text;

  // The bad blocks are the runs; data blocks fill the gaps; together they
  // cover the whole file in order.
  std::vector<MapfileBlock> expected;
  int64_t position = 0;
  ASSERT_EQ(json["runs"].size(), 4u);
  for (const nlohmann::json& r : json["runs"]) {
    const int64_t offset = r["offset"];
    if (offset > position) expected.push_back({position, offset - position, '+'});
    expected.push_back({offset, r["length"], '-'});
    position = offset + r["length"].get<int64_t>();
  }
  ASSERT_EQ(position, FileSize);
  EXPECT_EQ(MapfileBlocks(text), expected);

  const std::string ddrescuelog = Shell("command -v ddrescuelog").Out;
  if (ddrescuelog.empty()) GTEST_SKIP() << "ddrescuelog (Debian's gddrescue) is not installed";
  // ddrescuelog reads the file, refusing blocks that are not contiguous,
  // and writes the same blocks back; its summary counts the bad areas.
  const auto [annotated, status] = Shell("ddrescuelog -A '" + mapfile + "'");
  ASSERT_EQ(status, 0) << annotated;
  EXPECT_EQ(MapfileBlocks(annotated), expected);
  const auto [summary, summaryStatus] = Shell("ddrescuelog -t '" + mapfile + "'");
  EXPECT_EQ(summaryStatus, 0);
  EXPECT_NE(summary.find("current status: finished"), std::string::npos) << summary;
  EXPECT_NE(summary.find("in      4 area(s)  ("), std::string::npos) << summary;
}

TEST_F(CliAnalyzeTest, AFileThatCannotBeOpenedIsReportedOnce) {
  const CliResult run = RunCli({"analyze", "--json", folder / "missing.avi"});
  EXPECT_EQ(run.Status, 1);
  const std::string message = "The Selected file cannot be accessed because:";
  const size_t first = run.Err.find(message);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(run.Err.find(message, first + 1), std::string::npos);
  // The JSON says the same in its one object.
  const nlohmann::json json = nlohmann::json::parse(run.Out);
  EXPECT_EQ(json["completed"], false);
  EXPECT_EQ(json["file"], folder / "missing.avi");
  EXPECT_EQ(json["error"].get<std::string>().rfind(message + "\n - Another application", 0), 0u);
  EXPECT_FALSE(json.contains("codes"));
}

TEST_F(CliAnalyzeTest, ProgressIsShownOnlyWhenAskedForWithoutATerminal) {
  WriteRealFile(folder / "film.avi", NonZeroBytes(FileSize, 4));
  const CliResult quiet = RunCli({"analyze", folder / "film.avi"});
  EXPECT_EQ(quiet.Err, "");
  const CliResult shown = RunCli({"analyze", folder / "film.avi", "--progress"});
  EXPECT_EQ(shown.Status, 0);
  EXPECT_EQ(shown.Err.rfind("Initializing - 0%\nAnalyzing - 0%\n", 0), 0u) << shown.Err;
  EXPECT_EQ(shown.Out, quiet.Out);
}

}  // namespace
}  // namespace tamarack::testing
