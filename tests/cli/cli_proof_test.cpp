// End-to-end runs of analyze --hash, --verify and --torrent on generated
// files, against the tools that are the oracles: md5sum, sha1sum,
// sha256sum, rhash, mktorrent and libtorrent's own recheck.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/cli_process.h"

namespace tamarack::testing {
namespace {

namespace fs = std::filesystem;

// The first word that the tool prints about the file.
std::string ToolDigest(const std::string& tool, const std::string& path) {
  const std::string out = Shell(tool + " " + Quoted(path)).Out;
  return out.substr(0, out.find_first_of(" \n"));
}

nlohmann::json JsonOf(const CliResult& run) { return nlohmann::json::parse(run.Out); }

class CliProofTest : public ::testing::Test {
 protected:
  TempDir folder;
};

// Sizes about the ed2k chunk of 9,728,000 bytes, whose exact multiples
// rhash digests by its own convention.
TEST_F(CliProofTest, DigestsAreThoseOfTheirTools) {
  for (const int64_t size :
       {int64_t{3000000}, int64_t{9728000}, int64_t{19456000}, int64_t{9728001}}) {
    SCOPED_TRACE(size);
    const std::string path = folder / "film.avi";
    WriteRealFile(path, NonZeroBytes(static_cast<size_t>(size), static_cast<uint32_t>(size)));
    const CliResult run = RunCli({"analyze", "--json", "--hash", "all", path});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json hashes = JsonOf(run)["hashes"];
    EXPECT_EQ(hashes["md5"], ToolDigest("md5sum", path));
    EXPECT_EQ(hashes["sha1"], ToolDigest("sha1sum", path));
    EXPECT_EQ(hashes["sha256"], ToolDigest("sha256sum", path));
    EXPECT_EQ(hashes["ed2k"], ToolDigest("rhash --printf='%{ed2k}\\n'", path));
    EXPECT_EQ(hashes["crc32"], ToolDigest("rhash --printf='%{crc32}\\n'", path));
  }
  // Without --json the digest lines follow the report; an unknown kind is
  // a usage error.
  const std::string path = folder / "film.avi";
  const CliResult run = RunCli({"analyze", "--hash", "crc32,sha1", path});
  ASSERT_EQ(run.Status, 0);
  const std::string tail = "SHA-1: " + ToolDigest("sha1sum", path) +
                           "\nCRC32: " + ToolDigest("rhash --printf='%{crc32}\\n'", path) + "\n";
  ASSERT_GE(run.Out.size(), tail.size());
  EXPECT_EQ(run.Out.substr(run.Out.size() - tail.size()), tail);
  EXPECT_EQ(RunCli({"analyze", "--hash", "sha1,md4", path}).Status, 2);
}

TEST_F(CliProofTest, VerifyTellsWhetherTheFileIsThePublishedOne) {
  const std::string path = folder / "film.avi";
  WriteRealFile(path, NonZeroBytes(3000000, 3));
  const std::string md5 = ToolDigest("md5sum", path);
  const std::string sha1 = ToolDigest("sha1sum", path);
  std::string otherSha256 = ToolDigest("sha256sum", path);
  otherSha256[10] = otherSha256[10] == '0' ? '1' : '0';
  const std::string ed2k = ToolDigest("rhash --printf='%{ed2k}\\n'", path);
  struct Case {
    std::string Value;
    std::string Line;  // the last line; empty for a usage error
    int Status;
  };
  const std::vector<Case> cases = {
      {md5, "The file matches its MD5.", 0},
      {"  " + sha1, "", 2},
      {std::string(sha1.begin(), sha1.end() - 1), "", 2},
      {otherSha256, "The file does not match its SHA-256.", 4},
      {"ed2k://|file|film.avi|3000000|" + ed2k + "|/", "The file matches its ed2k.", 0},
      {"ed2k://|file|film.avi|3000000|" + ed2k + "|h=ABC|/", "The file matches its ed2k.", 0},
      {"ed2k://|file|film.avi|3000001|" + ed2k + "|/", "The file does not match its ed2k.", 4},
      {"ed2k://|file|film.avi|3000000|" + ed2k + "|", "", 2},
      {"ed2k://|file|film.avi|99999999999999999999|" + ed2k + "|/", "", 2},
      {"sha1:" + sha1, "", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    const CliResult run = RunCli({"analyze", "--verify", c.Value, path});
    EXPECT_EQ(run.Status, c.Status);
    if (c.Line.empty()) {
      EXPECT_NE(run.Err.find("ed2k://|file|NAME|SIZE|HASH|/"), std::string::npos) << run.Err;
    } else {
      EXPECT_EQ(run.Out.substr(run.Out.rfind('\n', run.Out.size() - 2) + 1), c.Line + "\n");
    }
  }
}

// The files of a download, in the order of their names, as torrents list
// them: each non-zero, of sizes that put the edges of the middle one inside
// pieces.
const std::vector<std::pair<std::string, int64_t>> SetFiles = {
    {"a.avi", 1234567}, {"film.avi", 5000000}, {"z.avi", 777777}};

void WriteSet(const fs::path& folder) {
  fs::create_directories(folder);
  uint32_t seed = 11;
  for (const auto& [name, size] : SetFiles) {
    WriteRealFile(folder / name, NonZeroBytes(static_cast<size_t>(size), seed++));
  }
}

enum class Maker { Mktorrent, V2, Hybrid };

// Makes a torrent of the file or folder at path with pieces of 2^log2 bytes.
void MakeTorrent(Maker maker, int log2, const fs::path& path, const std::string& out) {
  if (maker == Maker::Mktorrent) {
    Shell("mktorrent -l " + std::to_string(log2) + " -o " + Quoted(out) + " " +
          Quoted(path.string()) + " >/dev/null 2>&1");
  } else {
    Shell(std::string("/usr/bin/python3 ") + TAMARACK_TORRENT_PEER + " make " +
          (maker == Maker::V2 ? "v2 " : "hybrid ") + std::to_string(1 << log2) + " " +
          Quoted(path.string()) + " " + Quoted(out));
  }
}

enum class Damage { Zeros, Garbage, Truncation };

void DamageFile(const std::string& path, Damage damage) {
  std::vector<uint8_t> bytes = ReadRealFile(path);
  if (damage == Damage::Truncation) {
    const auto cut = static_cast<std::ptrdiff_t>(std::min<size_t>(bytes.size(), 1000001));
    bytes.erase(bytes.end() - cut, bytes.end());
  } else {
    for (size_t at = 1500000; at < 1500000 + 300000; ++at) {
      bytes[at] = damage == Damage::Zeros ? 0 : static_cast<uint8_t>(at * 7 + 1);
    }
    bytes[4999999] = bytes[4999999] == 1 ? 2 : 1;  // in the piece at the file's end
  }
  WriteRealFile(path, bytes);
}

// Failed ranges as [offset, length] pairs.
nlohmann::json FailedRanges(const nlohmann::json& ranges) {
  nlohmann::json pairs = nlohmann::json::array();
  for (const auto& range : ranges) pairs.push_back({range["offset"], range["length"]});
  return pairs;
}

// The recheck's failed ranges, clipped to the file's size.
nlohmann::json Clipped(const nlohmann::json& ranges, int64_t size) {
  nlohmann::json pairs = nlohmann::json::array();
  for (const auto& range : ranges) {
    const int64_t offset = range[0];
    const int64_t end = std::min<int64_t>(offset + range[1].get<int64_t>(), size);
    if (end > offset) pairs.push_back({offset, end - offset});
  }
  return pairs;
}

struct TorrentCase {
  Maker Made;
  int Log2;  // of the piece length
  bool Set;  // a torrent of the folder of three files, else of film.avi alone
  Damage Done;
};

class CliTorrentTest : public CliProofTest, public ::testing::WithParamInterface<TorrentCase> {};

INSTANTIATE_TEST_SUITE_P(MadeByRealTools, CliTorrentTest,
                         ::testing::Values(TorrentCase{Maker::Mktorrent, 15, false, Damage::Zeros},
                                           TorrentCase{Maker::Mktorrent, 18, true, Damage::Garbage},
                                           TorrentCase{Maker::Mktorrent, 22, true,
                                                       Damage::Truncation},
                                           TorrentCase{Maker::V2, 15, true, Damage::Garbage},
                                           TorrentCase{Maker::V2, 22, false, Damage::Truncation},
                                           TorrentCase{Maker::V2, 20, true, Damage::Zeros},
                                           TorrentCase{Maker::Hybrid, 16, true, Damage::Zeros},
                                           TorrentCase{Maker::Hybrid, 21, false, Damage::Garbage}));

TEST_P(CliTorrentTest, FailedPiecesAreThoseOfARecheck) {
  const TorrentCase& c = GetParam();
  const fs::path set = folder / "set";
  WriteSet(set);
  const std::string torrent = folder / "set.torrent";
  MakeTorrent(c.Made, c.Log2, c.Set ? set : set / "film.avi", torrent);
  const std::string film = (set / "film.avi").string();
  const CliResult intact = RunCli({"analyze", "--check", "--torrent", torrent, film});
  ASSERT_EQ(intact.Status, 0) << intact.Err;
  EXPECT_NE(intact.Out.find(" verified, 0 failed, 0 unknown.\n"), std::string::npos);

  DamageFile(film, c.Done);
  const std::string entry = c.Set ? "set/film.avi" : "film.avi";
  const CliResult run =
      RunCli({"analyze", "--json", "--check", "--torrent", torrent, "--torrent-path", entry, film});
  EXPECT_EQ(run.Status, 4) << run.Err;
  const nlohmann::json ours = JsonOf(run)["torrent"];
  const nlohmann::json peer = nlohmann::json::parse(
      Shell("/usr/bin/python3 " + std::string(TAMARACK_TORRENT_PEER) + " recheck " +
            Quoted(torrent) + " " + Quoted(c.Set ? folder.Path() : set.string()) + " " + entry)
          .Out);
  EXPECT_EQ(ours["pieceLength"], 1 << c.Log2);
  EXPECT_EQ(ours["pieces"], peer["pieces"]);
  EXPECT_EQ(FailedRanges(ours["failed"]), Clipped(peer["failed"], fs::file_size(film)));
  EXPECT_GT(ours["failed"].size(), 0u);
  EXPECT_EQ(ours["unknown"].size(), 0u);
}

TEST_F(CliProofTest, EdgePiecesAreUnknownWithoutTheirNeighbours) {
  const fs::path set = folder / "set";
  WriteSet(set);
  const std::string torrent = folder / "set.torrent";
  MakeTorrent(Maker::Mktorrent, 16, set, torrent);
  fs::create_directories(folder / "alone");
  const fs::path alone = folder / "alone/film.avi";
  fs::copy_file(set / "film.avi", alone);
  const CliResult run = RunCli({"analyze", "--json", "--check", "--torrent", torrent, alone});
  EXPECT_EQ(run.Status, 0) << run.Err;
  // The file starts and ends inside a piece of 65536 bytes.
  const int64_t start = 1234567, end = start + 5000000, piece = 65536;
  const nlohmann::json expected = {
      {{"offset", 0}, {"length", piece - start % piece}},
      {{"offset", end / piece * piece - start}, {"length", end % piece}}};
  const nlohmann::json ours = JsonOf(run)["torrent"];
  EXPECT_EQ(ours["unknown"], expected);
  EXPECT_EQ(ours["verified"].get<int64_t>() + 2, ours["pieces"].get<int64_t>());
}

TEST_F(CliProofTest, TorrentThatDoesNotServeIsAnErrorWithoutAVerdict) {
  const std::string film = folder / "film.avi";
  WriteRealFile(film, NonZeroBytes(3000000, 5));
  const std::string other = folder / "other.avi";
  WriteRealFile(other, NonZeroBytes(3000001, 5));
  const std::string torrent = folder / "other.torrent";
  MakeTorrent(Maker::Mktorrent, 16, other, torrent);
  const std::vector<uint8_t> real = ReadRealFile(torrent);
  const std::string cut = folder / "cut.torrent";
  WriteRealFile(cut, std::vector<uint8_t>(real.begin(), real.end() - 1));
  const std::string junk = folder / "junk.torrent";
  WriteRealFile(junk, NonZeroBytes(5000, 9));
  struct Case {
    std::vector<std::string> Args;
    std::string Message;
  };
  const std::vector<Case> cases = {
      {{"--torrent", torrent},
       "does not describe \"" + film + "\": it has no file of 3000000 bytes"},
      {{"--torrent", torrent, "--torrent-path", "film.avi"}, "it has no file \"film.avi\""},
      {{"--torrent", cut}, "cannot be used: it is malformed"},
      {{"--torrent", junk}, "cannot be used: it is malformed"},
      {{"--torrent", folder / "missing.torrent"}, "cannot be read: No such file or directory"},
      {{"--torrent", "/dev/null"}, "cannot be read: it is not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Message);
    std::vector<std::string> args = {"analyze", "--check"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    args.push_back(film);
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out.find("Torrent pieces"), std::string::npos);
  }
}

TEST_F(CliProofTest, FolderIsCheckedFileByFileAgainstTheTorrent) {
  const fs::path set = folder / "set";
  WriteSet(set);
  const std::string torrent = folder / "set.torrent";
  MakeTorrent(Maker::Hybrid, 16, set, torrent);
  WriteRealFile(set / "z.avi", NonZeroBytes(777777, 99));
  const CliResult run = RunCli({"analyze", "--check", "--torrent", torrent, "-r", set.string()});
  EXPECT_EQ(run.Status, 4) << run.Err;
  const std::string out = run.Out;
  EXPECT_NE(out.find("film.avi: 100.0% real data, 0 error bytes, 0 patch codes; Torrent pieces: "
                     "77 of 77 verified, 0 failed, 0 unknown.\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("z.avi: 100.0% real data, 0 error bytes, 0 patch codes; Torrent pieces: "
                     "0 of 12 verified, 12 failed, 0 unknown.\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("3 files: 2 without errors, 1 with errors, 0 not analysed."),
            std::string::npos);
}

class CliPieceRepairTest : public CliProofTest, public ::testing::WithParamInterface<Maker> {};

INSTANTIATE_TEST_SUITE_P(MadeByRealTools, CliPieceRepairTest,
                         ::testing::Values(Maker::Mktorrent, Maker::V2, Maker::Hybrid));

// Two damaged downloads repair a third piece by piece; libtorrent's recheck
// of the result finds failed exactly the pieces reported.
TEST_P(CliPieceRepairTest, RepairIsWhatARecheckVerifies) {
  const fs::path set = folder / "set";
  fs::create_directories(set);
  const std::vector<uint8_t> intact = NonZeroBytes(5000000, 21);
  const std::string film = (set / "film.avi").string();
  WriteRealFile(film, intact);
  const std::string torrent = folder / "film.torrent";
  MakeTorrent(GetParam(), 16, film, torrent);
  const size_t piece = 65536;
  auto zeros = [](std::vector<uint8_t>& bytes, size_t at, size_t count) {
    std::fill_n(bytes.begin() + at, count, 0);
  };
  std::vector<uint8_t> damaged = intact;
  zeros(damaged, 3 * piece + 100, piece);  // into piece 4
  for (size_t i = 10 * piece + 7; i < 10 * piece + 307; ++i) damaged[i] ^= 0x80;
  zeros(damaged, 40 * piece, 10);
  // The first download is cut short and lacks the end of piece 3; the
  // second has garbage where the file has zeros (so it must come after the
  // first), and lacks piece 10.
  std::vector<uint8_t> first(intact.begin(), intact.begin() + 30 * piece);
  zeros(first, 3 * piece + 60000, piece - 60000);
  std::vector<uint8_t> second = intact;
  second[3 * piece + 200] ^= 0x80;
  zeros(second, 10 * piece, piece);
  const std::string a = folder / "first.avi", b = folder / "second.avi";
  auto recheck = [&] {
    return nlohmann::json::parse(Shell("/usr/bin/python3 " + std::string(TAMARACK_TORRENT_PEER) +
                                       " recheck " + Quoted(torrent) + " " + Quoted(set.string()) +
                                       " film.avi")
                                     .Out)["failed"];
  };
  struct Case {
    std::vector<std::string> References;
    std::string Counts;
    int Status;
  };
  const std::vector<Case> cases = {
      {{a}, "Pieces repaired: 2. Still failing: 2.", 4},
      {{b, a}, "Pieces repaired: 3. Still failing: 1.", 4},
      {{a, b}, "Pieces repaired: 4. Still failing: 0.", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Counts);
    WriteRealFile(film, damaged);
    WriteRealFile(a, first);
    WriteRealFile(b, second);
    std::vector<std::string> args = {"repair-reference", "--delete-reference", "--torrent", torrent,
                                     film};
    args.insert(args.end(), c.References.begin(), c.References.end());
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.Status, c.Status) << run.Err;
    std::string expected = "Referencing complete.\n" + c.Counts + "\n";
    const nlohmann::json failed = recheck();
    for (const auto& range : Clipped(failed, 5000000)) {
      expected += "Failing bytes: offset " + std::to_string(range[0].get<int64_t>()) + ", length " +
                  std::to_string(range[1].get<int64_t>()) + "\n";
    }
    EXPECT_EQ(run.Out.substr(0, expected.size()), expected);
    // The references go only when every piece verifies.
    EXPECT_EQ(fs::exists(a), c.Status != 0);
    if (c.Status == 0) {
      EXPECT_EQ(ReadRealFile(film), intact);
    }
  }
}

// The pieces at the file's edges take in its neighbours beside it, as the
// torrent lays them out: they are repaired and proven with them.
TEST_F(CliProofTest, EdgePiecesAreRepairedWithTheNeighboursBesideTheFile) {
  const fs::path set = folder / "set";
  WriteSet(set);
  const std::string torrent = folder / "set.torrent";
  MakeTorrent(Maker::Mktorrent, 16, set, torrent);
  const std::string film = (set / "film.avi").string();
  const std::vector<uint8_t> intact = ReadRealFile(film);
  const std::string reference = folder / "copy.avi";
  WriteRealFile(reference, intact);
  std::vector<uint8_t> damaged = intact;
  std::fill_n(damaged.begin(), 100, 0);      // the piece begun in a.avi
  std::fill_n(damaged.end() - 100, 100, 0);  // the piece ended in z.avi
  WriteRealFile(film, damaged);
  const CliResult run = RunCli({"repair-reference", "--keep-reference", "--torrent", torrent,
                                "--torrent-path", "set/film.avi", film, reference});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "Referencing complete.\nPieces repaired: 2. Still failing: 0.\n");
  EXPECT_EQ(ReadRealFile(film), intact);
}

}  // namespace
}  // namespace tamarack::testing
