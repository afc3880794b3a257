#include "ui/buttons.h"

#include <cstdint>

#include "ui/drawing.h"

namespace tamarack {

const std::array<ButtonInfo, ButtonCount> ButtonTable = {{
    {"File", {5, 15, 17, 5}},
    {"Analyze", {5, 22, 17, 5}},
    {"Backup", {5, 36, 17, 5}},
    {"Patch", {5, 43, 17, 5}},
    {"Reference", {5, 57, 17, 5}},
    {"Patch", {5, 64, 17, 5}},
    {"Information", {132, 15, 17, 5}},
    {"Analysis", {132, 22, 17, 5}},
    {"Patch Codes", {132, 29, 17, 5}},
    {"Help", {132, 36, 17, 5}},
    {"Feedback", {132, 50, 17, 5}},
    {"Website", {132, 57, 17, 5}},
    {"Version", {132, 64, 17, 5}},
    {"Pause/Stop", {27, 64, 17, 5}},
    {"_", {142, 2, 4, 4}},
    {"X", {148, 2, 4, 4}},
}};

int ButtonAt(int x, int y) {
  const int ux = static_cast<uint16_t>(x) / 4;
  const int uy = static_cast<uint16_t>(y) / 4;
  for (int id = 1; id <= ButtonCount; ++id) {
    const LayoutRect r = ButtonTable[id - 1].Rect;
    if (r.Left <= ux && ux <= r.Left + r.Width - 1 && r.Top <= uy && uy <= r.Top + r.Height - 1) {
      return id;
    }
  }
  return 0;
}

Buttons::Buttons(Surface& surface, std::function<bool()> fileSelected)
    : surface_(surface), fileSelected_(std::move(fileSelected)) {
  states_.fill(ButtonState::Disabled);
}

void Buttons::DrawButton(int id, ButtonState state) {
  const LayoutRect r = ButtonTable[id - 1].Rect;
  if (state == ButtonState::Down) {
    DrawSunkenFrame(surface_, r);
  } else {
    DrawRaisedFrame(surface_, r);
  }
  switch (state) {
    case ButtonState::Disabled:
      FillGradient(surface_, r, GreyGradient);
      break;
    case ButtonState::Up:
      FillGradient(surface_, r, ButtonGradient);
      break;
    case ButtonState::Down:
      FillGradient(surface_, r, LightenGradient(ButtonGradient));
      break;
  }
  const std::string caption = Caption(id);
  std::string style = "Centre";
  if (state == ButtonState::Down) style += "Down";
  if (id == MinimizeButton || id == CloseButton) style += "Big";
  DrawCaption(surface_, r, caption, style);
  states_[id - 1] = state;
}

std::string Buttons::Caption(int id) const {
  if (id == SelectClearButton) return fileSelected_() ? "Clear" : "Select";
  return ButtonTable[id - 1].Caption;
}

void Buttons::DrawOperationButtons(ButtonState state) {
  for (int id = AnalyzeButton; id <= RepairPatchButton; ++id) DrawButton(id, state);
}

}  // namespace tamarack
