#include "platform/console/console_output.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <streambuf>

namespace tamarack::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(ConsoleOutputTest, PrintsTextsAsLinesWithoutCarriageReturns) {
  std::ostringstream out, err;
  ConsoleOutput output(out, err, false);
  output.PrintOut("Real Data:\t99.0%\r\n\r\nadvice");
  output.PrintErr("The file\r\nis bad.");
  output.Prompt("Overwrite? [y/N] ");
  EXPECT_EQ(out.str(), "Real Data:\t99.0%\n\nadvice\n");
  EXPECT_EQ(err.str(), "The file\nis bad.\nOverwrite? [y/N] ");
}

TEST(ConsoleOutputTest, StatusLineOnlyOnATerminal) {
  std::ostringstream out, err;
  ConsoleOutput pipe(out, err, false);
  pipe.ShowStatus("Analyzing - 3%");
  EXPECT_FALSE(pipe.StatusShown());
  pipe.PrintOut("text");
  EXPECT_EQ(err.str(), "");

  ConsoleOutput terminal(out, err, true);
  terminal.ShowStatus("Analyzing - 3%");
  EXPECT_TRUE(terminal.StatusShown());
  terminal.PrintOut("Analysis complete.");
  EXPECT_FALSE(terminal.StatusShown());
  EXPECT_EQ(err.str(), "\r\x1b[KAnalyzing - 3%\r\x1b[K");
  EXPECT_EQ(out.str(), "text\nAnalysis complete.\n");
}

// A stream buffer that takes the first bytes and then fails as a full disk
// does.
class FullDevice : public std::streambuf {
 public:
  explicit FullDevice(size_t room) : room_(room) {}
  std::string Taken;

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    if (Taken.size() == room_) {
      errno = ENOSPC;
      return traits_type::eof();
    }
    Taken += static_cast<char>(c);
    return c;
  }

 private:
  size_t room_;
};

TEST(ConsoleOutputTest, AFailedWriteOfStandardOutputIsKeptWithItsReason) {
  FullDevice device(8);
  std::ostream out(&device);
  std::ostringstream err;
  ConsoleOutput output(out, err, false);
  output.PrintOut("fits");
  EXPECT_TRUE(output.OutWritten());
  output.PrintOut("does not fit");
  errno = 0;
  output.PrintOut("after");
  EXPECT_FALSE(output.OutWritten());
  EXPECT_EQ(output.OutError(), ENOSPC);
  // Errors still reach standard error.
  output.PrintErr("The file\r\nis bad.");
  EXPECT_EQ(err.str(), "The file\nis bad.\n");
  EXPECT_EQ(device.Taken, "fits\ndoe");
}

}  // namespace
}  // namespace tamarack::testing
