#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, when any is missing. Sourced by run.sh and
# test.sh; runs apt-get as root, or through sudo for an ordinary user.
capcode_packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  libhidapi-dev libudev-dev qt6-base-dev libgl-dev libcli11-dev libsqlite3-dev libssl-dev
  libpq-dev postgresql
  clang-14 libclang-rt-14-dev
  dpkg-dev file lintian appstream desktop-file-utils man-db fonts-dejavu-core)

capcode_install_missing() {
  local missing=()
  for pkg in "${capcode_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

capcode_jobs() { nproc 2>/dev/null || echo 2; }
