#pragma once

#include <string>

#include "analysis/analyze.h"

namespace tamarack {

// The result of an analysis as one JSON object on one line: file, size,
// completed, errorBytes, fakeBytes, realBytes, realPermille, codes, cells.
std::string AnalysisJson(const std::string& file, const AnalysisSummary& summary);

}  // namespace tamarack
