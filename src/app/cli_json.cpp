#include "app/cli_json.h"

#include <nlohmann/json.hpp>

namespace tamarack {

std::string AnalysisJson(const std::string& file, const AnalysisSummary& summary) {
  nlohmann::ordered_json json;
  json["file"] = file;
  json["size"] = summary.FileSize;
  json["completed"] = summary.Completed;
  json["errorBytes"] = summary.ErrorBytes;
  json["fakeBytes"] = summary.FakeBytes;
  json["realBytes"] = summary.RealBytes;
  json["realPermille"] = summary.RealPermille;
  json["codes"] = summary.Codes;
  json["cells"] = summary.Cells;
  // A path need not be valid UTF-8: such bytes are replaced rather than
  // ending the run with an exception.
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tamarack
