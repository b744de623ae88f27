#!/usr/bin/env bash
# Installs the Debian packages that a part of the build and the tests needs,
# and only those that are missing. Says what it installs.
# Usage: install-deps.sh [--dry-run] [SET...]   (no SET: every one)
#   unit      the native build and its unit tests, under the sanitizers
#   unit32    the unit tests as 32-bit x86 code (natively or under qemu)
#   memcheck  Valgrind
#   lint      cppcheck and clang-tidy
#   pictures  the check of the pictures' layout
#   win       the two Windows cross builds
#   release   the checks of the executables and the release zip
#   e2e       Wine, Xvfb, the window manager and the X tools
# --dry-run: lists every package the sets need, each marked "ok" or
# "missing", and installs nothing.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"

declare -A sets=(
  [unit]="cmake make g++ binutils libgtest-dev librapidcheck-dev libasan8 libubsan1"
  [unit32]="cmake make g++-multilib binutils googletest qemu-user-static"
  [memcheck]="valgrind"
  [lint]="cppcheck clang-tidy"
  [pictures]="python3 python3-pil"
  [win]="cmake make googletest g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
         g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64"
  [release]="binutils zip unzip python3"
  [e2e]="binutils wine wine64 xvfb xauth xdotool x11-utils openbox imagemagick
         fonts-liberation fonts-dejavu-core locales"
)
order=(unit unit32 memcheck lint pictures win release e2e)

dry_run=
if [[ ${1:-} == --dry-run ]]; then dry_run=1; shift; fi
wanted=("$@")
(( ${#wanted[@]} )) || wanted=("${order[@]}")
declare -A want=()
for set in "${wanted[@]}"; do
  [[ -n ${sets[$set]:-} ]] || { echo "unknown set: $set (sets: ${order[*]})" >&2; exit 2; }
  want[$set]=1
done

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# install PACKAGE...: installs those of them that are missing.
install() {
  local pkg missing=()
  for pkg in "$@"; do
    if [[ -n $dry_run ]]; then
      if installed "$pkg"; then echo "ok $pkg"; else echo "missing $pkg"; fi
    else
      installed "$pkg" || missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root (or install them yourself): apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  refresh_index
  if ! apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    # One package that cannot be had stops the lot: each on its own then.
    for pkg in "${missing[@]}"; do
      installed "$pkg" || apt-get install -y -q --no-install-recommends "$pkg" || true
    done
  fi
  local failed=()
  for pkg in "${missing[@]}"; do installed "$pkg" || failed+=("$pkg"); done
  if (( ${#failed[@]} )); then
    echo "Could not install: ${failed[*]}" >&2
    exit 1
  fi
}

# A mirror in the middle of a sync fails an index now and then: a few tries,
# then the index there is, which may well have every package needed.
refresh_index() {
  local try
  for try in 1 2 3 4; do
    apt-get update -q && return 0
    if (( try < 4 )); then
      echo "apt-get update failed (try $try of 4); again in $((try * 10)) s" >&2
      sleep $((try * 10))
    fi
  done
  echo "The package index could not be refreshed; installing from the one there is." >&2
}

# Each package once, in the sets' order.
declare -A seen=()
packages=()
for set in "${order[@]}"; do
  [[ -n ${want[$set]:-} ]] || continue
  for pkg in ${sets[$set]}; do
    [[ -n ${seen[$pkg]:-} ]] || { seen[$pkg]=1; packages+=("$pkg"); }
  done
done
install "${packages[@]}"

# The i386 architecture: 32-bit Wine, only where the kernel can run it (asked
# with binutils, which the set installs first); elsewhere it would be dead
# weight.
foreign=()
[[ -n ${want[e2e]:-} ]] && runs_32bit_code && foreign+=(wine32:i386)
(( ${#foreign[@]} )) || exit 0
if [[ -z $dry_run ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  [ "$(id -u)" -eq 0 ] && dpkg --add-architecture i386
fi
install "${foreign[@]}"
