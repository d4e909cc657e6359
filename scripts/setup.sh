#!/usr/bin/env bash
# Shared set-up of scripts/run and scripts/test: Debian packages, configure, build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${VIRESKA_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-private-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools qt6-svg-dev
  libqt6svg6
  libgtest-dev libgmock-dev libbenchmark-dev libicu-dev
  libcurl4-openssl-dev libgmime-3.0-dev libcpp-httplib-dev zlib1g-dev
  xdg-utils qt6-translations-l10n
  dosfstools fusefat fuse3
  gpsbabel
)
# scripts/package: CPack's Debian generator computes the dependencies with dpkg-shlibdeps
# (dpkg-dev, file); lintian checks the result.
PACKAGE_TOOLS=(dpkg-dev file lintian)

vireska_install_packages() {
  local missing=()
  for pkg in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# vireska_configured DIR [-DNAME=VALUE...]: DIR's cache already holds each value, so configuring
# again would change nothing (the build itself configures again when a CMakeLists.txt changes).
vireska_configured() {
  local cache="$1/CMakeCache.txt" option line
  shift
  for option in "$@"; do
    [[ "$option" =~ ^-D([A-Za-z0-9_]+)(:[A-Z]+)?=(.*)$ ]] || return 1
    line="$(grep -m1 "^${BASH_REMATCH[1]}:" "$cache")" || return 1
    [ "${line#*=}" = "${BASH_REMATCH[3]}" ] || return 1
  done
}

# vireska_build DIR [CMAKE OPTIONS...] [-- BUILD OPTIONS...]
vireska_build() {
  local dir="$1"
  shift
  local options=() build=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift && build=("$@")
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${options[@]+"${options[@]}"}
  elif ! vireska_configured "$dir" ${options[@]+"${options[@]}"}; then
    cmake -S "$ROOT" -B "$dir" ${options[@]+"${options[@]}"} >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)" ${build[@]+"${build[@]}"}
}
