#include "app/tamarack_form.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <sstream>
#include <string>
#include <vector>

#include "ui/help_text.h"
#include "ui/layout.h"
#include "window/qt_events.h"

namespace tamarack {
namespace {

// Compares the window as Qt paints it with the program's bitmap, pixel for
// pixel, outside the given rectangle; returns the first differences.
std::string CompareWithBitmap(QWidget& window, const Surface& bitmap, const PixelRect& skip) {
  const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB888);
  if (shot.width() != Surface::Width || shot.height() != Surface::Height) {
    return "grabbed " + std::to_string(shot.width()) + " x " + std::to_string(shot.height());
  }
  std::ostringstream out;
  int differences = 0;
  for (int y = 0; y < Surface::Height; ++y) {
    for (int x = 0; x < Surface::Width; ++x) {
      if (x >= skip.Left && x < skip.Right && y >= skip.Top && y < skip.Bottom) continue;
      const QRgb shown = shot.pixel(x, y);
      const Color drawn = bitmap.GetPixel(x, y);
      if (qRed(shown) == drawn.R && qGreen(shown) == drawn.G && qBlue(shown) == drawn.B) continue;
      if (++differences <= 5) {
        out << "(" << x << ", " << y << ") shows " << qRed(shown) << "," << qGreen(shown) << ","
            << qBlue(shown) << " for " << int(drawn.R) << "," << int(drawn.G) << "," << int(drawn.B)
            << "; ";
      }
    }
  }
  if (differences > 0) out << differences << " pixels differ";
  return out.str();
}

QPoint Centre(int id) {
  const PixelRect r = ToPixels(ButtonTable[id - 1].Rect);
  return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

TEST(TamarackFormTest, StartsAsTheProgramDrewItAndFollowsClicks) {
  TamarackForm form;
  form.ViewMemo().SetText(HelpText());
  form.show();
  Program& program = form.Logic();
  ASSERT_TRUE(testing::ProcessEventsUntil([&] {
    return program.ButtonPanel.State(InformationButton) == ButtonState::Down;
  })) << "DoInit did not run";

  EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(form.size(), QSize(616, 300));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tamarack"));
  const PixelRect area = ToPixels(ViewAreaRect);
  QPlainTextEdit* memo = form.ViewMemo().Widget();
  EXPECT_EQ(memo->geometry(), QRect(area.Left, area.Top, 408, 236));
  EXPECT_TRUE(memo->isVisible());
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(form.ViewMemo().DisplayedLines(),
            (std::vector<std::string>{"<No AVI video file selected>", ""}));
  EXPECT_EQ(CompareWithBitmap(form, program.Bitmap, area), "");

  // DoInit read the help text from the shown control: only the rule lines,
  // wider than the control, have been split.
  const std::string& help = program.ViewArea.Store(View::Help);
  std::vector<std::string> saved;
  for (size_t start = 0;;) {
    const size_t end = help.find("\r\n", start);
    saved.push_back(help.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  int ruleParts = 0;
  for (const std::string& line : saved) {
    if (!line.empty() && line.find_first_not_of(" -") == std::string::npos) ++ruleParts;
  }
  EXPECT_EQ(saved.size() - ruleParts, 186u - 11u);
  EXPECT_EQ(saved[1], "\tHELP\t\t\t");

  // A click on the bitmap reaches the program: Patch Codes is shown and can
  // be edited, and the window shows the button pushed.
  testing::Click(&form.BackgroundImage(), Centre(PatchCodesButton));
  EXPECT_EQ(program.ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_FALSE(memo->isReadOnly());
  EXPECT_EQ(program.ButtonPanel.State(PatchCodesButton), ButtonState::Down);
  EXPECT_EQ(CompareWithBitmap(form, program.Bitmap, area), "");

  // The Analysis view hides the control: the whole window is the bitmap.
  testing::Click(&form.BackgroundImage(), Centre(AnalysisButton));
  EXPECT_FALSE(memo->isVisible());
  EXPECT_EQ(CompareWithBitmap(form, program.Bitmap, {}), "");
}

}  // namespace
}  // namespace tamarack
