#include "analysis/analyze.h"

namespace tamarack {

Analyzer::Analyzer(OperationContext& context) : context_(context) {}

// Not built yet: the operation does nothing, and the runner ends it as a stop.
void Analyzer::AnalyzeSelectedFile() { context_.Control.Busy = false; }

}  // namespace tamarack
