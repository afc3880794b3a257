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
// checked and whether the file matches it. With an error message, the object
// says only that the file could not be analysed: file, completed (false) and
// error. A path that is not valid UTF-8 shows U+FFFD for its stray bytes in
// file, and fileBytes follows with the path's bytes percent-encoded (see
// PercentEncoded), which lead back to the file.
std::string AnalysisJson(const std::string& file, const AnalysisResult& result,
                         const std::string& error = "", const CliRequest* request = nullptr);

// The bytes as text of printable ASCII: each byte outside it, and "%",
// written as "%" and two upper-case hexadecimal digits, as in a URI.
std::string PercentEncoded(const std::string& bytes);

}  // namespace tamarack
