#!/usr/bin/env bash
# Installs what Vantory needs to build, run and test on Debian, and only what is missing.
set -euo pipefail

packages=(
  # build
  g++ make cmake pkg-config clang-format
  qt6-base-dev qt6-qpa-plugins libgl-dev
  # JPEG pictures are decoded with libjpeg(-turbo) directly
  libjpeg-dev
  # pictures: TIFF, WebP and more besides Qt's built-in formats; Qt's own Chinese texts
  qt6-image-formats-plugins qt6-translations-l10n
  # a font for the Chinese captions
  fonts-wqy-microhei
  # tests: GoogleTest; a virtual X server and real input events for the end-to-end tests
  libgtest-dev xvfb xauth xdotool xclip x11-utils imagemagick python3
  # tests: crafted compressed pictures
  zlib1g-dev
  # the Debian package and its checks
  dpkg-dev file lintian desktop-file-utils appstream
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
