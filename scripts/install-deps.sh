#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and
# only those that are missing. Says what it installs.
set -euo pipefail

packages=(
  cmake make g++ libgtest-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 wine32:i386
  xvfb xauth xdotool x11-utils openbox imagemagick
  fonts-liberation fonts-dejavu-core
  valgrind cppcheck clang-tidy
)

missing=()
for pkg in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root (or install them yourself): apt-get install ${missing[*]}" >&2
  exit 1
fi
# 32-bit Wine needs the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
