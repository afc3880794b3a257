#pragma once

#include <string>

#include "analysis/analyze.h"

namespace tamarack {

// The result of an analysis as one JSON object on one line: file, size,
// completed, errorBytes, fakeBytes, realBytes, realPermille, codes (the
// scan's code list in file order), runs (every error run as its 0-based
// offset and its length) and cells (a letter a painted cell: G green,
// R red). With an error message, the object says only that the file could
// not be analysed: file, completed (false) and error.
std::string AnalysisJson(const std::string& file, const AnalysisResult& result,
                         const std::string& error = "");

}  // namespace tamarack
