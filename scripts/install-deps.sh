#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and
# only those that are missing. Says what it installs.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"

packages=(
  cmake make g++ binutils libgtest-dev librapidcheck-dev
  g++-multilib googletest qemu-user-static
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine64
  xvfb xauth xdotool x11-utils openbox imagemagick
  fonts-liberation fonts-dejavu-core
  valgrind cppcheck clang-tidy pev zip unzip python3 python3-pil locales
)

# install PACKAGE...: installs those of them that are missing.
install() {
  local pkg missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root (or install them yourself): apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install "${packages[@]}"

# The i386 architecture: rapidcheck for the 32-bit unit tests everywhere,
# 32-bit Wine only where the kernel can run it (asked with binutils, which
# the first round installed); elsewhere it would be dead weight.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  [ "$(id -u)" -eq 0 ] && dpkg --add-architecture i386
fi
install librapidcheck-dev:i386
if runs_32bit_code; then
  install wine32:i386
fi
