#!/usr/bin/env bash
# Checks the Debian packages that ./package wrote into build/packages/: their
# contents and fields, lintian's view of them, the desktop entry, the
# AppStream metadata, the user guide and its links, the manual pages and the
# shell completion, and that both programs run unpacked.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "check_packages: $*" >&2
  exit 1
}

version=$(sed -n 's/^project(Tamarack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
gui=build/packages/tamarack_${version}_amd64.deb
cli=build/packages/tamarack-cli_${version}_amd64.deb
for deb in "$gui" "$cli"; do
  [ -f "$deb" ] || fail "$deb is missing"
done

id=org.tamarack.Tamarack
gui_files=(
  ./usr/bin/tamarack
  ./usr/share/applications/$id.desktop
  ./usr/share/metainfo/$id.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/$id.svg
  ./usr/share/man/man1/tamarack.1.gz
  ./usr/share/tamarack/guide.html
  ./usr/share/doc/tamarack/copyright
  ./usr/share/doc/tamarack/changelog.gz
)
for size in 16 32 48 64 128 256; do
  gui_files+=(./usr/share/icons/hicolor/${size}x${size}/apps/$id.png)
done
cli_files=(
  ./usr/bin/tamarack-cli
  ./usr/share/man/man1/tamarack-cli.1.gz
  ./usr/share/bash-completion/completions/tamarack-cli
  ./usr/share/doc/tamarack-cli/copyright
  ./usr/share/doc/tamarack-cli/changelog.gz
)

# Contents: each package holds its own files and none of the other's.
check_contents() {
  local deb=$1
  shift
  echo "== $deb"
  local listing
  listing=$(dpkg-deb -c "$deb")
  echo "$listing"
  local names
  names=$(awk '{print $NF}' <<<"$listing")
  for f in "$@"; do
    grep -qxF "$f" <<<"$names" || fail "$deb lacks $f"
  done
}
check_contents "$gui" "${gui_files[@]}"
check_contents "$cli" "${cli_files[@]}"
gui_listing=$(dpkg-deb -c "$gui")
cli_listing=$(dpkg-deb -c "$cli")
if grep -q 'tamarack-cli' <<<"$gui_listing"; then fail "$gui holds files of tamarack-cli"; fi
if grep -qE '/bin/tamarack$|\.desktop$|/icons/' <<<"$cli_listing"; then
  fail "$cli holds files of tamarack"
fi

# Fields.
field() { dpkg-deb -f "$1" "$2"; }
for deb in "$gui" "$cli"; do
  dpkg-deb -f "$deb"
  [ "$(field "$deb" Version)" = "$version" ] || fail "$deb: Version is not $version"
  [[ $(field "$deb" Maintainer) == "Tamarack developers"* ]] || fail "$deb: Maintainer"
  [ "$(field "$deb" Section)" = video ] || fail "$deb: Section"
  [ "$(field "$deb" Description | wc -l)" -gt 3 ] || fail "$deb: Description"
  [[ $(field "$deb" Depends) == *"libc6 (>="* ]] || fail "$deb: Depends not computed"
done
[ "$(field "$gui" Package)" = tamarack ] || fail "$gui: Package"
[ "$(field "$cli" Package)" = tamarack-cli ] || fail "$cli: Package"
[[ $(field "$gui" Depends) == *libqt6widgets6* ]] || fail "$gui: Depends lacks Qt Widgets"
# The fonts the window draws with, and the fallback's.
for font in fonts-wine fonts-liberation; do
  [[ $(field "$gui" Depends) == *"$font"* ]] || fail "$gui: Depends lacks $font"
done
cli_depends=$(field "$cli" Depends)
if grep -qi 'qt' <<<"$cli_depends"; then fail "$cli: Depends names Qt: $cli_depends"; fi

# Lintian: no error and no warning (informational tags are neither).
for deb in "$gui" "$cli"; do
  report=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian $deb: $report"
  echo "$report"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$gui" "$root"
dpkg -x "$cli" "$root"

# The desktop entry: no error and no warning (hints are neither).
report=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) ||
  fail "desktop-file-validate: $report"
if grep -E 'error:|warning:' <<<"$report"; then fail "desktop entry"; fi
echo "$report"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
appstreamcli validate-tree --no-net "$root"

# No address that cannot work: the guide's own anchors exist, and nothing
# installed names a placeholder domain.
guide=$root/usr/share/tamarack/guide.html
for anchor in $(grep -o 'href="#[^"]*"' "$guide" | sed 's/href="#\(.*\)"/\1/' | sort -u) problems links; do
  grep -q "id=\"$anchor\"" "$guide" || fail "the guide links to #$anchor, which it lacks"
done
if grep -rlE '\.example(\.|/|$)|\.test\b|example\.(org|com)' "$root/usr/share" \
  --include='*.html' --include='*.xml' --include='*.desktop'; then
  fail "a placeholder address is installed"
fi

# Manual pages: gzipped, and formatted without a warning.
for page in tamarack tamarack-cli; do
  file=$root/usr/share/man/man1/$page.1.gz
  gzip -t "$file"
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

# The icons are PNG pictures of their sizes.
for size in 16 32 48 64 128 256; do
  kind=$(file "$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
  [[ $kind == *"PNG image data, $size x $size"* ]] || fail "icon of $size pixels: $kind"
done

# The unpacked programs run; neither needs a display for --version.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/tamarack-cli" --version)
[ "$out" = "Tamarack 1.00" ] || fail "tamarack-cli --version printed: $out"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/tamarack" --version)
[ "$out" = "Tamarack 1.00" ] || fail "tamarack --version printed: $out"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/tamarack" --bogus 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "tamarack --bogus ended with $status, not 2"
# Without a display the window program says what to use instead and ends
# with 1, rather than letting Qt abort.
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/tamarack" 2>&1) || status=$?
[ "$status" -eq 1 ] || fail "tamarack without a display ended with $status, not 1"
[[ $err == *"tamarack-cli --help"* ]] || fail "tamarack without a display said: $err"

# Completion: the commands, then each command's options.
complete_words() {
  bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$0"
    COMP_WORDS=("${@}")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    _tamarack_cli
    printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
  ' "$root/usr/share/bash-completion/completions/tamarack-cli" "$@"
}
expect_completion() {
  local expected=$1
  shift
  local got
  got=$(complete_words "$@")
  [ "$got" = "$expected " ] || fail "completion of '$*': '$got', not '$expected '"
}
expect_completion "analyze backup create-patch info repair-patch repair-reference" tamarack-cli ""
expect_completion "--help --version" tamarack-cli --
expect_completion "--all-files --check --hash --help --json --map --mapfile --no --progress --recursive --torrent --torrent-path --verify --yes" \
  tamarack-cli analyze film.avi --
expect_completion "--codes-from --help --no --progress --yes" tamarack-cli create-patch --
expect_completion "--delete-reference --help --keep-reference --progress --repair-anyway --torrent --torrent-path" \
  tamarack-cli repair-reference --
echo "check_packages: both packages are complete and valid"
