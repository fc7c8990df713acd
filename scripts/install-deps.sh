#!/usr/bin/env bash
# Installs every Debian package that building, running and testing TesraBrowser needs.
# Only missing packages are installed, so a prepared machine pays nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  # Ninja, a fast linker and a compiler cache: the test command's build time.
  ninja-build mold ccache
  libgtk-3-dev libwebkit2gtk-4.1-dev
  libcurl4-openssl-dev libssl-dev
  libjpeg-dev libjpeg-turbo-progs
  # The header of the PNG library that large icons are read with, row by row (loaded at run time).
  libpng-dev
  libx11-dev libxfixes-dev libxrandr-dev libxext-dev libsm-dev libice-dev
  libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format git
  xvfb openbox trayer xdotool imagemagick x11-utils xauth dbus-x11
  python3-gi gir1.2-glib-2.0 libglib2.0-bin
  fonts-wqy-zenhei openssl libxml2-utils time
  # A headless Wayland session with the desktop portals for the Wayland end-to-end tests.
  sway grim xdg-desktop-portal xdg-desktop-portal-wlr pipewire wayvnc xdg-desktop-portal-dev
  # The Debian package: icons drawn as SVG and rendered to PNG, the package and its checks.
  librsvg2-bin dpkg-dev fakeroot file
  desktop-file-utils appstream lintian
  # The settings hive imported and exported by Wine's regedit (about 100 MB to fetch, 670 MB installed).
  wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
