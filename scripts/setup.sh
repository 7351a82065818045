#!/usr/bin/env bash
# Installs the Debian 12 packages of the named lists (scripts/packages-LIST.txt) when any is
# missing. Sourced by run.sh (run), package.sh (run, package) and test.sh (all three); runs
# apt-get as root, or through sudo for an ordinary user.
capcode_scripts_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# The packages of the lists named, one a line, without comments.
capcode_packages() {
  local list
  for list in "$@"; do
    sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "$capcode_scripts_dir/packages-$list.txt"
  done
}

capcode_install_missing() {
  local missing=() pkg
  while read -r pkg; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done < <(capcode_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

capcode_jobs() { nproc 2>/dev/null || echo 2; }
