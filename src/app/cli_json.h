#pragma once

#include <string>

#include "analysis/analyze.h"
#include "app/cli_options.h"

namespace tamarack {

// The result of an analysis as one JSON object on one line: file, size,
// completed, errorBytes, fakeBytes, realBytes, realPermille, codes (the
// scan's code list in file order), runs (every error run as its 0-based
// offset and its length) and cells (a letter a painted cell: G green,
// R red). Where the request asks for digests or checks a published one,
// hashes holds the digests asked for by their keys, and verify the kind
// checked and whether the file matches it. With an error message, the object says only that the
// file could not be analysed: file, completed (false) and error.
std::string AnalysisJson(const std::string& file, const AnalysisResult& result,
                         const std::string& error = "", const CliRequest* request = nullptr);

}  // namespace tamarack
