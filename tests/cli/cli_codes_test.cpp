#include "app/cli_codes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include "platform/text_view.h"

namespace tamarack::testing {
namespace {

class NoInterrupts : public InterruptSource {
 public:
  bool TakeInterrupt() override { return std::exchange(Interrupt, false); }
  bool TerminationRequested() override { return Terminated; }
  bool Interrupt = false;
  bool Terminated = false;
};

// An input that gives its pieces one read at a time: a text, or an errno
// for a read that fails with it. An endless piece gives its text again and
// again.
struct Piece {
  std::string Bytes;
  int Error = 0;
  bool Endless = false;
};

class ScriptedReader {
 public:
  explicit ScriptedReader(std::deque<Piece> pieces) : pieces_(std::move(pieces)) {}

  ssize_t operator()(char* buffer, size_t size) {
    ++Calls;
    if (pieces_.empty()) return 0;
    Piece& piece = pieces_.front();
    if (piece.Error != 0) {
      errno = piece.Error;
      pieces_.pop_front();
      return -1;
    }
    const size_t n = std::min(size, piece.Bytes.size());
    std::memcpy(buffer, piece.Bytes.data(), n);
    if (piece.Endless) return static_cast<ssize_t>(n);
    piece.Bytes.erase(0, n);
    if (piece.Bytes.empty()) pieces_.pop_front();
    return static_cast<ssize_t>(n);
  }

  int Calls = 0;

 private:
  std::deque<Piece> pieces_;
};

CodesRead Read(std::deque<Piece> pieces, InterruptSource& interrupts) {
  ScriptedReader reader(std::move(pieces));
  return ReadCodesText(std::ref(reader), interrupts);
}

TEST(CliCodesTest, ReadsTheWholeInputAcrossWaits) {
  NoInterrupts interrupts;
  const CodesRead read = Read({{"00070,\n00"}, {"", EAGAIN}, {"", EINTR}, {"1D5\r\n"}}, interrupts);
  EXPECT_EQ(read.End, CodesReadEnd::Complete);
  EXPECT_EQ(read.Text, "00070,\n001D5\r\n");
}

TEST(CliCodesTest, ReadErrorPartWayGivesNoText) {
  NoInterrupts interrupts;
  for (const int error : {EIO, EISDIR}) {
    const CodesRead read = Read({{"00070 "}, {"001D5 "}, {"", error}, {"002A0"}}, interrupts);
    EXPECT_EQ(read.End, CodesReadEnd::Failed);
    EXPECT_EQ(read.Error, error);
    EXPECT_EQ(read.Text, "");
  }
}

TEST(CliCodesTest, TextLongerThanTheViewHoldsIsRefused) {
  NoInterrupts interrupts;
  const size_t limit = TextViewMaxCharacters;
  // As the view counts: CR LF is one character, and so is "é" (2 bytes).
  std::string text = "00070";
  for (int i = 0; i < 1000; ++i) text += "\r\n";
  text += "\xC3\xA9";
  text += std::string(limit - 1000 - 5 - 1, ' ');
  EXPECT_EQ(Read({{text}}, interrupts).End, CodesReadEnd::Complete);
  EXPECT_EQ(Read({{text + " "}}, interrupts).End, CodesReadEnd::TooLong);
  EXPECT_EQ(Read({{text.substr(0, 100)}, {text.substr(100) + "\n"}}, interrupts).End,
            CodesReadEnd::TooLong);
  // Bytes that start no character count against the limit as well.
  EXPECT_EQ(Read({{std::string(4 * limit + 1, '\x80')}}, interrupts).End, CodesReadEnd::TooLong);
}

TEST(CliCodesTest, EndlessInputIsRefusedAfterTheLimit) {
  NoInterrupts interrupts;
  for (const char byte : {'\0', '0', '\x80'}) {
    ScriptedReader endless({{std::string(65536, byte), 0, true}});
    EXPECT_EQ(ReadCodesText(std::ref(endless), interrupts).End, CodesReadEnd::TooLong);
    // Reads of at most 4096 bytes, stopped a read after the limit of 4 bytes
    // a character.
    EXPECT_LE(endless.Calls, 4 * TextViewMaxCharacters / 4096 + 1);
  }
}

TEST(CliCodesTest, InterruptOrRequestToEndStopsTheWait) {
  NoInterrupts interrupts;
  interrupts.Interrupt = true;
  EXPECT_EQ(Read({{"", EAGAIN}, {"00070"}}, interrupts).End, CodesReadEnd::Stopped);
  interrupts.Terminated = true;
  EXPECT_EQ(Read({{"00070"}}, interrupts).End, CodesReadEnd::Stopped);
}

}  // namespace
}  // namespace tamarack::testing
