#include "ui/window_painting.h"

#include "ui/drawing.h"
#include "ui/layout.h"
#include "ui/logo.h"

namespace tamarack {

void PaintWindow(Surface& surface, const std::string& productName) {
  FillGradient(surface, WindowRect, BackgroundGradient);
  FillGradient(surface, MainPanelRect, GreyGradient);
  for (LayoutRect r : {FileGroupRect, CreateGroupRect, RepairGroupRect, ViewFrameRect,
                       ViewGroupRect, ProgramGroupRect}) {
    FillGradient(surface, r, PanelGradient);
  }
  DrawRaisedFrame(surface, WindowRect);
  FillSolid(surface, ViewAreaRect, White);
  for (LayoutRect r : {MainPanelRect, FileGroupRect, CreateGroupRect, RepairGroupRect,
                       ViewFrameRect, ViewAreaRect, ProgressRect, ViewGroupRect,
                       ProgramGroupRect}) {
    DrawSunkenFrame(surface, r);
  }
  DrawLogo(surface);
  DrawCaption(surface, TitleRect, productName, "LeftBig");
  DrawCaption(surface, FileGroupRect, "File", "Top");
  DrawCaption(surface, CreateGroupRect, "Create", "Top");
  DrawCaption(surface, RepairGroupRect, "Repair With", "Top");
  DrawCaption(surface, ViewGroupRect, "View", "Top");
  DrawCaption(surface, ProgramGroupRect, "Program", "Top");
}

}  // namespace tamarack
