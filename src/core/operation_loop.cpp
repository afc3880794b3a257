#include "core/operation_loop.h"

namespace tamarack {

OperationLoop::OperationLoop(OperationContext& context, const std::string& title, MapCells cells)
    : context_(context) {
  ProgressBar& progress = context_.Progress;
  progress.SetOperationTitle(title);
  progress.ShowProgress(0, 1);
  if (cells == MapCells::Painted) context_.Grid.SetGridClean(false);
  progress.StartProgressTimer();
}

void OperationLoop::BlockDone(int64_t done, int64_t total) {
  ProgressBar& progress = context_.Progress;
  if (progress.ProgressTimerDue()) {
    progress.ShowProgress(static_cast<double>(done), static_cast<double>(total));
  }
}

void OperationLoop::RegionDone(int done, int total) { context_.Progress.ShowProgress(done, total); }

void OperationLoop::Complete() { context_.Progress.ShowProgress(1, 1); }

}  // namespace tamarack
