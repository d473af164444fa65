#!/usr/bin/env bash
# Installs the Debian packages the build, the tools and the tests need, only
# those missing. Sourced by the two top-level commands.
zarvex_install_packages() {
  local missing=()
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

ZARVEX_BUILD_PACKAGES=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libsmf-dev libcairo2-dev libx11-dev fonts-dejavu-core)
ZARVEX_TEST_PACKAGES=(xvfb xauth x11-apps imagemagick dpf-plugins-vst amsynth zynaddsubfx-vst ardour
  g++-mingw-w64-x86-64 wine64 binutils-mingw-w64-x86-64 clang-14 libclang-rt-14-dev)
