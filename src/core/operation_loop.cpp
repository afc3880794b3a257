#include "core/operation_loop.h"

namespace tamarack {

OperationLoop::OperationLoop(OperationControl& control, const std::string& title, MapCells cells)
    : control_(control) {
  control_.Observer().StartProgress(title, cells);
}

void OperationLoop::BlockDone(int64_t done, int64_t total) {
  control_.Observer().ShowProgress(done, total, ProgressPace::Paced);
}

void OperationLoop::RegionDone(int done, int total) {
  control_.Observer().ShowProgress(done, total, ProgressPace::Now);
}

void OperationLoop::Complete() { control_.Observer().ShowProgress(1, 1, ProgressPace::Now); }

}  // namespace tamarack
