#!/usr/bin/env bash
# Installs what Quorvex needs to build, run and test, if anything is missing.
set -euo pipefail

packages=(
  build-essential cmake git pkg-config
  libwxgtk3.2-dev libsdl1.2-dev libgtk-3-dev libcairo2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libavformat-dev libavcodec-dev libswresample-dev libswscale-dev libavutil-dev
  fonts-dejavu-core ffmpeg
  nlohmann-json3-dev
  xvfb xauth x11-utils xdotool imagemagick sox
  dpkg-dev desktop-file-utils appstream man-db librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
