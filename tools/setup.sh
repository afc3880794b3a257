# Sourced by ./run, ./test, ./package and CI: installs the Debian packages the build needs
# when any is missing, through sudo when not root.
tamarack_packages=(
  build-essential cmake ninja-build qt6-base-dev libgtest-dev libbenchmark-dev libcli11-dev
  nlohmann-json3-dev libpng-dev fonts-liberation fonts-wine clang-14
  libclang-rt-14-dev
  dpkg-dev file man-db desktop-file-utils appstream bash-completion gddrescue lintian strace
  librhash-dev libtorrent-rasterbar-dev mktorrent python3-libtorrent rhash
)

tamarack_install_packages() {
  local missing=()
  local p
  for p in "${tamarack_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
