#!/usr/bin/env bash
# The MIME type of configuration files as a desktop sees it, from the files the package installs
# put into a private data folder: a *.eep file is application/x-capcode-eeprom, a *.bin file is
# not, and the window's desktop entry is the type's default application.
set -euo pipefail
data=$1
program_dir=$2
for tool in update-mime-database update-desktop-database gio; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (shared-mime-info, desktop-file-utils, libglib2.0-bin)"
    exit 0
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}
mkdir -p "$work/share/mime/packages" "$work/share/applications" "$work/home"
cp "$data/capcode-mime.xml" "$work/share/mime/packages/capcode.xml"
cp "$data/capcode-programmer.desktop" "$work/share/applications/"
update-mime-database "$work/share/mime"
# (it warns that the folder is not searched: XDG_DATA_DIRS names it below)
update-desktop-database "$work/share/applications" 2> /dev/null
export XDG_DATA_DIRS="$work/share" XDG_DATA_HOME="$work/home" XDG_CONFIG_HOME="$work/home"
export PATH="$program_dir:$PATH"

# A configuration file has no signature: the name decides; contents of any kind.
head -c 2048 /dev/urandom > "$work/pager.eep"
cp "$work/pager.eep" "$work/pager.bin"
cp "$work/pager.eep" "$work/PAGER.EEP"
type_of() { gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'; }
[ "$(type_of "$work/pager.eep")" = application/x-capcode-eeprom ] ||
  fail "pager.eep is $(type_of "$work/pager.eep")"
[ "$(type_of "$work/PAGER.EEP")" = application/x-capcode-eeprom ] ||
  fail "PAGER.EEP is $(type_of "$work/PAGER.EEP")"
[ "$(type_of "$work/pager.bin")" != application/x-capcode-eeprom ] || fail "*.bin is claimed"
grep -q "<magic" "$data/capcode-mime.xml" && fail "the type claims a signature the file lacks"

handlers=$(gio mime application/x-capcode-eeprom 2> /dev/null)
grep -q "^Default application.*: capcode-programmer.desktop$" <<< "$handlers" ||
  fail "the window is not the default application: $handlers"
grep -q "^Exec=capcode-programmer %f$" "$data/capcode-programmer.desktop" ||
  fail "the desktop entry does not pass the file"
echo "*.eep is application/x-capcode-eeprom, opened by capcode-programmer"
