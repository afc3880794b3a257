#include "app/cli_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <vector>

#include "core/program_strings.h"

namespace tamarack {
namespace {

constexpr const char* Description =
    "Finds and repairs the damage that an incomplete download leaves in an AVI file:\n"
    "runs of zero bytes where data never arrived. Each command does what the\n"
    "window's button of the same name does.";

constexpr const char* CommandFooter =
    "Exit status: 0 the operation ran to its end, 1 it ended with an error\n"
    "message, 2 usage error, 3 a question was answered No or it was stopped,\n"
    "4 analyze --check found error bytes or a failed piece, --verify a file\n"
    "that does not match, or repair-reference --torrent left pieces failing;\n"
    "5 repair-reference repaired the file but could not delete a reference file.";

constexpr const char* Footer = R"(Options may stand anywhere after the command.

Questions (overwrite a file, the size of a patch, delete the reference) are
asked on a terminal; without one they are answered No unless --yes/--no
(--delete-reference/--keep-reference for repair-reference) answer them.
analyze refuses a --map or --mapfile that names the analysed file.
Ctrl-C pauses a running operation and asks whether to stop it (without a
terminal it stops); SIGTERM and SIGHUP stop it at once. A stopped operation
leaves no partial file.

Several files, or -r DIR, give one line per file and a last summary line
(with --json one object per line). Ctrl-C then stops the run after the
stop question of the file being analysed. A name with a line break or
another control character is printed in double quotes with C's escapes.
With --json, a path that is not valid UTF-8 has "fileBytes" beside "file":
its bytes, each outside printable ASCII (and %) written as %HH.
A folder that cannot be read, or a pipe or device among the files, is named
on standard error and counted as not analysed.

Exit status: 0 the operation ran to its end, 1 it ended with an error
message (a file could not be analysed), 2 usage error, 3 a question was
answered No or it was stopped, 4 analyze --check found error bytes or a
failed piece of the torrent, analyze --verify found that the file does
not match the published digest, or repair-reference --torrent left pieces
that still fail, 5 repair-reference repaired the file but a reference file
that was to be deleted could not be (the message names it).

A published digest (--verify) is a hex MD5 (32 digits), SHA-1 (40) or
SHA-256 (64), or an ed2k link ed2k://|file|NAME|SIZE|HASH|/; its size must
match too. --torrent checks the file against the pieces of a .torrent
(BitTorrent v1, v2 or hybrid); the file is its entry of the same size.
repair-reference --torrent repairs each piece that fails: its zero bytes
filled from the references in order, else the whole piece of the first
reference that holds it right, written only when its hash proves it; it
prints "Pieces repaired: R. Still failing: S." and the bytes still failing.
The references may be shorter than the file; no sample is compared, and
--delete-reference deletes them only when every piece verifies.

Examples:
  tamarack-cli analyze film.avi
  tamarack-cli analyze --json --map film-map.png film.avi
  tamarack-cli analyze --check -r ~/Downloads
  tamarack-cli backup --yes film.avi
  tamarack-cli analyze --mapfile film.map film.avi
  tamarack-cli analyze --hash sha1,ed2k film.avi
  tamarack-cli analyze --check --torrent film.torrent film.avi
  tamarack-cli repair-reference --keep-reference film.avi film-second.avi
  tamarack-cli repair-reference film.avi second.avi third.avi
  tamarack-cli repair-reference --torrent film.torrent film.avi second.avi
  tamarack-cli create-patch intact/film.avi 000F1 01203
  tamarack-cli repair-patch film.avi film.tkp)";

// Every path argument must name something.
const CLI::Validator NotEmpty(
    [](const std::string& value) {
      return value.empty() ? std::string("an empty path names no file") : std::string();
    },
    "", "NotEmpty");

struct Flags {
  bool Yes = false;
  bool No = false;
  bool Delete = false;
  bool Keep = false;
};

void AddFile(CLI::App& command, const char* name, std::string& target, const char* what) {
  command.add_option(name, target, what)->required()->check(NotEmpty);
}

// An option that names a path, shown in the help as typeName.
CLI::Option* AddPath(CLI::App& command, const char* name, std::string& target, const char* typeName,
                     const char* what) {
  return command.add_option(name, target, what)->type_name(typeName)->check(NotEmpty);
}

void AddYesNo(CLI::App& command, Flags& flags) {
  CLI::Option* yes = command.add_flag("--yes", flags.Yes, "answer every question with Yes");
  CLI::Option* no = command.add_flag("--no", flags.No, "answer every question with No");
  yes->excludes(no);
}

void AddProgress(CLI::App& command, CliRequest& request) {
  command.add_flag("--progress", request.Progress,
                   "show the progress on standard error also when it is not a terminal");
}

AnswerPolicy PolicyOf(bool yes, bool no) {
  if (yes) return AnswerPolicy::Yes;
  if (no) return AnswerPolicy::No;
  return AnswerPolicy::Ask;
}

}  // namespace

CliParse ParseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CliRequest request;
  Flags flags;
  CLI::App app(Description, "tamarack-cli");
  app.set_version_flag("--version", ProgramText(ProgramString::ProductName) + " " +
                                        ProgramText(ProgramString::Version));
  app.require_subcommand(1);
  app.footer(CommandFooter);
  app.get_formatter()->column_width(34);

  CLI::App* info =
      app.add_subcommand("info", "Show the file's name, size and codec codes (Information view)");
  AddFile(*info, "FILE", request.File, "the AVI file");

  CLI::App* analyze = app.add_subcommand(
      "analyze",
      "Find the missing data: print the summary and the patch codes of the file, or one line "
      "for each of several files");
  analyze->add_flag("--json", request.Json,
                    "print the result as one JSON object instead (one line per file)");
  CLI::Option* map = AddPath(*analyze, "--map", request.MapPath, "PNG",
                             "write the map of the analysis as a PNG image");
  CLI::Option* mapfile = AddPath(*analyze, "--mapfile", request.MapfilePath, "PATH",
                                 "write the error runs as a GNU ddrescue mapfile");
  CLI::Option* folders =
      analyze
          ->add_option("-r,--recursive", request.Folders,
                       "analyse every *.avi file in the folder and its subfolders")
          ->type_name("DIR")
          ->check(NotEmpty)
          ->allow_extra_args(false);
  CLI::Option* allFiles = analyze->add_flag("--all-files", request.AllFiles,
                                            "with -r: analyse every file, not only *.avi files");
  allFiles->needs(folders);
  analyze->add_flag("--check", request.Check, "exit with status 4 when a file has error bytes");
  AddYesNo(*analyze, flags);
  std::string hashList;
  CLI::Option* hash =
      analyze
          ->add_option("--hash", hashList,
                       "print the file's digests, read in the same pass: any of md5, sha1, "
                       "sha256, ed2k, crc32 separated by commas, or all")
          ->type_name("LIST");
  std::string verifyValue;
  CLI::Option* verify =
      analyze
          ->add_option("--verify", verifyValue,
                       "check the file against a published MD5, SHA-1 or SHA-256 in hex, or an "
                       "ed2k link; exit with status 4 when it does not match")
          ->type_name("VALUE");
  CLI::Option* torrent = AddPath(*analyze, "--torrent", request.TorrentPath, "TORRENT",
                                 "check every piece of the file against a .torrent");
  CLI::Option* torrentEntry =
      AddPath(*analyze, "--torrent-path", request.TorrentEntry, "PATH",
              "with --torrent: the file's path in the torrent, where its size does not name it "
              "(a download cut short)")
          ->needs(torrent);
  AddProgress(*analyze, request);
  std::vector<std::string> analyzeFiles;
  analyze->add_option("FILE", analyzeFiles, "the AVI files")->check(NotEmpty);

  CLI::App* backup =
      app.add_subcommand("backup", "Copy the file to BACKUP.<name> in the same folder");
  AddYesNo(*backup, flags);
  AddProgress(*backup, request);
  AddFile(*backup, "FILE", request.File, "the AVI file");

  CLI::App* reference = app.add_subcommand(
      "repair-reference",
      "Fill the file's zero bytes from other downloads of the same size, the first first; with "
      "--torrent, repair each failed piece from the downloads, proven by its hash");
  CLI::Option* del = reference->add_flag("--delete-reference", flags.Delete,
                                         "delete the reference files after the repair");
  CLI::Option* keep =
      reference->add_flag("--keep-reference", flags.Keep, "keep the reference files");
  del->excludes(keep);
  bool repairAnyway = false;
  CLI::Option* anyway =
      reference->add_flag("--repair-anyway", repairAnyway,
                          "use a reference that does not look like a copy of the file");
  CLI::Option* pieces =
      reference
          ->add_option("--torrent", request.TorrentPath,
                       "repair piece by piece, writing only pieces whose hash in the .torrent "
                       "proves them; exit with status 4 when pieces still fail")
          ->type_name("TORRENT")
          ->check(NotEmpty)
          ->excludes(anyway);
  reference
      ->add_option("--torrent-path", request.TorrentEntry,
                   "with --torrent: the file's path in the torrent, where its size does not name "
                   "it (a download cut short)")
      ->type_name("PATH")
      ->check(NotEmpty)
      ->needs(pieces);
  AddProgress(*reference, request);
  AddFile(*reference, "FILE", request.File, "the AVI file to repair");
  reference->add_option("REFERENCE", request.References, "the other downloads, in order")
      ->required()
      ->check(NotEmpty);

  CLI::App* create = app.add_subcommand(
      "create-patch", "Write a .tkp patch file with the units that the patch codes name");
  AddYesNo(*create, flags);
  AddProgress(*create, request);
  std::string codesFrom;
  CLI::Option* from = create->add_option("--codes-from", codesFrom,
                                         "read the patch codes from a file (- for standard input)");
  from->type_name("PATH")->check(NotEmpty);
  AddFile(*create, "FILE", request.File, "the intact AVI file");
  CLI::Option* codes =
      create->add_option("CODE", request.Codes, "patch codes, as the analysis listed them");
  codes->excludes(from);

  CLI::App* patch =
      app.add_subcommand("repair-patch", "Fill the file's zero bytes from a patch file");
  AddProgress(*patch, request);
  AddFile(*patch, "FILE", request.File, "the AVI file to repair");
  AddFile(*patch, "PATCH", request.SecondFile, "the .tkp patch file");

  // Set after the commands were added, which took the short footer.
  app.footer(Footer);

  try {
    const std::vector<CLI::App*> commands = {info, analyze, backup, reference, create, patch};
    if (argc > 1 && argv[1][0] != '-' &&
        std::none_of(commands.begin(), commands.end(),
                     [&](CLI::App* command) { return command->check_name(argv[1]); })) {
      throw CLI::ExtrasError("unknown command \"" + std::string(argv[1]) + "\"",
                             CLI::ExitCodes::ExtrasError);
    }
    app.parse(argc, argv);
    if (create->parsed() && request.Codes.empty() && from->count() == 0) {
      throw CLI::RequiredError("CODE or --codes-from");
    }
    if (analyze->parsed()) {
      if (analyzeFiles.empty() && request.Folders.empty()) {
        throw CLI::RequiredError("FILE or -r DIR");
      }
      // The options that serve one file only.
      const auto singleFile = [&](CLI::Option* option, const char* why) {
        if (option->count() > 0 && (analyzeFiles.size() > 1 || !request.Folders.empty())) {
          throw CLI::ValidationError(option->get_name(), why);
        }
      };
      singleFile(map, "a map is drawn for one FILE only");
      singleFile(mapfile, "a mapfile is written for one FILE only");
      singleFile(torrentEntry, "an entry of the torrent names one FILE only");
      if (hash->count() > 0) {
        const std::optional<std::vector<DigestKind>> kinds = ParseDigestList(hashList);
        if (!kinds) {
          throw CLI::ValidationError(
              "--hash",
              "\"" + hashList + "\" is not a list of md5, sha1, sha256, ed2k, crc32 or all");
        }
        request.Digests = *kinds;
      }
      singleFile(verify, "a published digest is checked for one FILE only");
      if (verify->count() > 0) {
        request.Verify = ParsePublishedDigest(verifyValue);
        if (!request.Verify) {
          throw CLI::ValidationError(
              "--verify",
              "\"" + verifyValue + "\" is none of the accepted forms: " + PublishedDigestForms);
        }
      }
    }
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return {std::nullopt, status == 0 ? ExitCompleted : ExitUsage};
  }

  request.Answers = PolicyOf(flags.Yes, flags.No);
  request.AnswerHint = "--yes or --no";
  if (info->parsed()) request.Command = CliCommand::Info;
  if (analyze->parsed()) {
    request.Command = CliCommand::Analyze;
    if (!analyzeFiles.empty()) {
      request.File = analyzeFiles.front();
      request.MoreFiles.assign(analyzeFiles.begin() + 1, analyzeFiles.end());
    }
  }
  if (backup->parsed()) request.Command = CliCommand::Backup;
  if (reference->parsed()) {
    request.Command = CliCommand::RepairReference;
    request.Answers = PolicyOf(flags.Delete, flags.Keep);
    request.AnswerHint = "--delete-reference or --keep-reference";
    request.RepairAnyway = repairAnyway ? AnswerPolicy::Yes : AnswerPolicy::Ask;
  }
  if (create->parsed()) {
    request.Command = CliCommand::CreatePatch;
    if (from->count() > 0) request.CodesFrom = codesFrom;
  }
  if (patch->parsed()) request.Command = CliCommand::RepairPatch;
  return {request, ExitCompleted};
}

}  // namespace tamarack
