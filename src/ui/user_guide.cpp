#include "ui/user_guide.h"

#include <cctype>
#include <vector>

#include "platform/text_lines.h"
#include "ui/help_text.h"

namespace tamarack {
namespace {

// Where the help text's pages start (1-based lines) and how far apart.
constexpr int FirstPageLine = 19;
constexpr int PageLines = 17;
constexpr int PageCount = 10;

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

// Escapes the text and makes each "page N" a link to that page's section.
std::string WithPageLinks(const std::string& text) {
  const std::string escaped = Escaped(text);
  std::string out;
  size_t at = 0;
  for (size_t found; (found = escaped.find("page ", at)) != std::string::npos;) {
    size_t end = found + 5;
    while (end < escaped.size() && std::isdigit(static_cast<unsigned char>(escaped[end]))) ++end;
    out += escaped.substr(at, found - at);
    const std::string label = escaped.substr(found, end - found);
    if (end > found + 5) {
      out +=
          "<a href=\"#page" + escaped.substr(found + 5, end - found - 5) + "\">" + label + "</a>";
    } else {
      out += label;
    }
    at = end;
  }
  return out + escaped.substr(at);
}

std::string Trimmed(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

// A page's heading without its TABs and page label: "FILE - Analyze".
std::string PageTitle(const std::string& heading) {
  return Trimmed(heading.substr(0, heading.find('\t')));
}

// One page's text: its paragraphs, split at empty lines and where lines
// that start with a space begin or end. Such lines make a list: " 1." lines
// are steps, others items; an indented line that continues one joins it.
std::string PageBody(const std::vector<std::string>& lines) {
  std::string html;
  std::vector<std::vector<std::string>> paragraphs(1);
  for (const std::string& line : lines) {
    if (line.empty()) {
      if (!paragraphs.back().empty()) paragraphs.emplace_back();
      continue;
    }
    const std::vector<std::string>& last = paragraphs.back();
    if (!last.empty() && (last.back()[0] == ' ') != (line[0] == ' ')) paragraphs.emplace_back();
    paragraphs.back().push_back(line);
  }
  for (const std::vector<std::string>& paragraph : paragraphs) {
    if (paragraph.empty()) continue;
    if (paragraph.front()[0] != ' ') {
      std::string text;
      for (const std::string& line : paragraph) text += (text.empty() ? "" : " ") + line;
      html += "<p>" + WithPageLinks(text) + "</p>\n";
      continue;
    }
    const bool steps = std::isdigit(static_cast<unsigned char>(paragraph.front()[1]));
    std::vector<std::string> items;
    for (const std::string& line : paragraph) {
      const bool continues = steps ? line.rfind("    ", 0) == 0
                                   : !items.empty() && line.rfind(" ", 0) == 0 &&
                                         std::islower(static_cast<unsigned char>(line[1]));
      std::string text = Trimmed(line);
      if (steps && !continues) text = Trimmed(text.substr(text.find('.') + 1));
      if (continues && !items.empty()) {
        items.back() += " " + text;
      } else {
        items.push_back(text);
      }
    }
    html += steps ? "<ol>\n" : "<ul>\n";
    for (const std::string& item : items) html += "<li>" + WithPageLinks(item) + "</li>\n";
    html += steps ? "</ol>\n" : "</ul>\n";
  }
  return html;
}

constexpr const char* Head =
    "<!DOCTYPE html>\n"
    "<html lang=\"en\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<title>Tamarack user guide</title>\n"
    "<style>\n"
    "body { font-family: sans-serif; max-width: 44em; margin: 1em auto; padding: 0 1em;"
    " line-height: 1.4; }\n"
    "h2 { border-bottom: 1px solid #888; margin-top: 2em; }\n"
    "kbd, code { font-family: monospace; background: #eee; padding: 0 0.2em; }\n"
    "</style>\n"
    "</head>\n"
    "<body>\n"
    "<h1>Tamarack user guide</h1>\n"
    "<p>Tamarack finds the parts of an AVI video file that an incomplete download left as"
    " runs of zero bytes, and repairs them from another download of the same file (a"
    " reference) or from a patch file. This guide holds the same text as the Help view of"
    " the window.</p>\n";

constexpr const char* Keys =
    "<h2 id=\"keys\">Keys</h2>\n"
    "<ul>\n"
    "<li><kbd>Ctrl+O</kbd>: Select, or Clear when a file is selected.</li>\n"
    "<li><kbd>F1</kbd>: the Help view.</li>\n"
    "<li><kbd>Esc</kbd>: Pause/Stop while an operation runs.</li>\n"
    "<li><kbd>Ctrl+Q</kbd> or <kbd>Alt+F4</kbd>: Close.</li>\n"
    "<li><kbd>Tab</kbd> and <kbd>Shift+Tab</kbd>: move the focus over the buttons, starting"
    " with Select, and the text window; <kbd>Space</kbd> or <kbd>Enter</kbd> clicks the"
    " button that has the focus.</li>\n"
    "<li><kbd>PageUp</kbd> and <kbd>PageDown</kbd> in the Help view: the previous and the"
    " next page.</li>\n"
    "</ul>\n";

constexpr const char* Links =
    "<h2 id=\"links\">Links</h2>\n"
    "<h3>Finding somebody to make a patch</h3>\n"
    "<p>Ask where the file came from: the person or the group that shared it is the most"
    " likely to have an intact copy. Send them the patch codes that the Patch Codes view"
    " shows after an analysis (or the output of <code>tamarack-cli analyze FILE</code>);"
    " with Tamarack they make the patch as <a href=\"#page4\">page 4</a> describes.</p>\n"
    "<h3>When the AVI file has no errors but does not play well</h3>\n"
    "<p>Tamarack repairs only what a download left out. Recommended solutions when a file"
    " without errors still has problems playing:</p>\n"
    "<ul>\n"
    "<li>Play it with a player that copes with damaged files, such as"
    " <a href=\"https://mpv.io/\">mpv</a> or <a href=\"https://www.videolan.org/vlc/\">VLC"
    "</a> (Debian packages <code>mpv</code> and <code>vlc</code>).</li>\n"
    "<li>Install the codecs the file needs: the Information view shows its FourCC; the"
    " Debian package <code>gstreamer1.0-libav</code> adds most codecs to GStreamer"
    " players.</li>\n"
    "<li>Rebuild the file's index without decoding it, with"
    " <a href=\"https://ffmpeg.org/\">FFmpeg</a>:"
    " <code>ffmpeg -i damaged.avi -c copy rebuilt.avi</code>.</li>\n"
    "<li>An error made when the file was encoded is in every copy; only a new encoding"
    " removes it.</li>\n"
    "</ul>\n"
    "<h3>Manual pages</h3>\n"
    "<p><code>man tamarack</code> and <code>man tamarack-cli</code> describe the two"
    " programs, their options and their exit statuses.</p>\n";

constexpr const char* Problems =
    "<h2 id=\"problems\">Reporting a problem</h2>\n"
    "<p>Bug reports, suggestions, questions and comments go to the maintainer of the"
    " package that you installed Tamarack from, whom <code>apt show tamarack</code> names."
    " Please tell:</p>\n"
    "<ul>\n"
    "<li>the version, which Version shows (or <code>tamarack --version</code>);</li>\n"
    "<li>what you did, what you expected, and the message that was shown, word for"
    " word;</li>\n"
    "<li>for a file that is analysed or repaired wrongly, the output of"
    " <code>tamarack-cli analyze --json FILE</code>, which holds the file's size, its"
    " errors and its digests but none of its content.</li>\n"
    "</ul>\n"
    "</body>\n"
    "</html>\n";

}  // namespace

std::string UserGuideHtml() {
  const std::vector<std::string> lines = SplitLines(HelpText());
  std::string html = Head;
  html += "<ul>\n";
  for (int page = 0; page < PageCount; ++page) {
    const std::string& heading = lines[static_cast<size_t>(FirstPageLine - 1 + PageLines * page)];
    html += "<li><a href=\"#page" + std::to_string(page + 1) + "\">" + Escaped(PageTitle(heading)) +
            "</a></li>\n";
  }
  html += "<li><a href=\"#keys\">Keys</a></li>\n";
  html += std::string("<li><a href=\"#") + LinksAnchor + "\">Links</a></li>\n";
  html += std::string("<li><a href=\"#") + ProblemsAnchor + "\">Reporting a problem</a></li>\n";
  html += "</ul>\n";
  for (int page = 0; page < PageCount; ++page) {
    // Lines are 0-based here: the heading, the rule, an empty line, the text.
    const size_t first = static_cast<size_t>(FirstPageLine - 1 + PageLines * page);
    const size_t end = page + 1 == PageCount ? lines.size() : first + PageLines;
    html += "<h2 id=\"page" + std::to_string(page + 1) + "\">" + Escaped(PageTitle(lines[first])) +
            " (page " + std::to_string(page + 1) + ")</h2>\n";
    html += PageBody(std::vector<std::string>(lines.begin() + static_cast<long>(first) + 3,
                                              lines.begin() + static_cast<long>(end)));
  }
  return html + Keys + Links + Problems;
}

}  // namespace tamarack
