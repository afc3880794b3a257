#include "app/cli_json.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/cli_proof.h"

namespace tamarack {
namespace {

// True when JSON can hold the text as it is: nothing of it is replaced.
bool IsUtf8(const std::string& text) {
  const nlohmann::json value = text;
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::ignore) ==
         value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string PercentEncoded(const std::string& bytes) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '%') {
      text += c;
    } else {
      text += {'%', Hex[byte >> 4], Hex[byte & 15]};
    }
  }
  return text;
}

std::string AnalysisJson(const std::string& file, const AnalysisResult& result,
                         const std::string& error, const CliRequest* request) {
  nlohmann::ordered_json json;
  json["file"] = file;
  if (!IsUtf8(file)) json["fileBytes"] = PercentEncoded(file);
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
    for (const Extent& run : result.Runs) {
      runs.push_back({{"offset", run.Offset}, {"length", run.Length}});
    }
    json["runs"] = runs;
    std::string cells;
    for (const Color& color : result.Cells) cells += color == Red ? 'R' : 'G';
    json["cells"] = cells;
    if (request != nullptr && result.Completed) {
      nlohmann::ordered_json hashes = nlohmann::ordered_json::object();
      for (const DigestValue& value : result.Digests) {
        const auto& asked = request->Digests;
        if (std::find(asked.begin(), asked.end(), value.Kind) != asked.end()) {
          hashes[DigestKey(value.Kind)] = value.Hex;
        }
      }
      if (!request->Digests.empty()) json["hashes"] = hashes;
      if (result.Torrent) {
        const TorrentPieces& pieces = *result.Torrent;
        const auto ranges = [](const std::vector<Extent>& list) {
          nlohmann::ordered_json array = nlohmann::ordered_json::array();
          for (const Extent& range : list) {
            array.push_back({{"offset", range.Offset}, {"length", range.Length}});
          }
          return array;
        };
        json["torrent"] = {{"pieceLength", pieces.PieceLength},
                           {"pieces", pieces.Pieces},
                           {"verified", pieces.Verified},
                           {"failed", ranges(pieces.Failed)},
                           {"unknown", ranges(pieces.Unknown)}};
      }
      if (request->Verify) {
        json["verify"] = {{"digest", DigestKey(request->Verify->Kind)},
                          {"matches", !ProofFails(*request, result)}};
      }
    }
  }
  // A path or a message need not be valid UTF-8: such bytes are replaced
  // rather than ending the run with an exception.
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tamarack
