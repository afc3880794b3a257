#include "app/cli_json.h"

#include <nlohmann/json.hpp>

namespace tamarack {

std::string AnalysisJson(const std::string& file, const AnalysisResult& result,
                         const std::string& error) {
  nlohmann::ordered_json json;
  json["file"] = file;
  if (!error.empty()) {
    json["completed"] = false;
    // Lines end as the console prints them.
    std::string text;
    for (size_t i = 0; i < error.size(); ++i) {
      if (error.compare(i, 2, "\r\n") != 0) text += error[i];
    }
    json["error"] = text;
  } else {
    json["size"] = result.FileSize;
    json["completed"] = result.Completed;
    json["errorBytes"] = result.ErrorBytes;
    json["fakeBytes"] = result.FakeBytes;
    json["realBytes"] = result.RealBytes;
    json["realPermille"] = result.RealPermille;
    json["codes"] = result.Codes;
    nlohmann::ordered_json runs = nlohmann::ordered_json::array();
    for (const ByteRange& run : result.Runs) {
      runs.push_back({{"offset", int64_t{run.Start} - 1}, {"length", run.Length}});
    }
    json["runs"] = runs;
    std::string cells;
    for (const Color& color : result.Cells) cells += color == Red ? 'R' : 'G';
    json["cells"] = cells;
  }
  // A path or a message need not be valid UTF-8: such bytes are replaced
  // rather than ending the run with an exception.
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tamarack
