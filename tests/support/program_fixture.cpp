#include "support/program_fixture.h"

#include "ui/buttons.h"

namespace tamarack::testing {

ProgramTest::ProgramTest() {
  program = std::make_unique<Program>(
      PlatformServices{fonts, memo, dialogs, pump, clock, shell, window, files});
  memo.SetText("help text");
  program->DoInit();
}

void ProgramTest::SelectFile(const std::string& path) {
  dialogs.ExpectFile(path);
  program->RunCommand(SelectClearButton);
}

void ProgramTest::Click(int id) {
  const LayoutRect r = ButtonTable[id - 1].Rect;
  const int x = 4 * r.Left + 2;
  const int y = 4 * r.Top + 2;
  program->Pointer.DoMouseDown(x, y);
  program->Pointer.DoMouseUp(x, y);
}

}  // namespace tamarack::testing
