#!/usr/bin/env bash
# Installs the built package into this machine as a user would, tries the installed programs,
# removes it again and checks that nothing of it remains. Needs root; skipped otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ "$(id -u)" -ne 0 ]; then
  echo "package test skipped: installing a package needs root"
  exit 0
fi
if ! command -v dpkg > /dev/null; then
  echo "package test skipped: no dpkg on this machine"
  exit 0
fi
# A technician who runs the tests keeps the program: an installed capcode is not touched.
if dpkg-query -W -f='${Status}' capcode 2> /dev/null | grep -q "install ok installed"; then
  echo "package test skipped: capcode $(dpkg-query -W -f='${Version}' capcode) is installed" \
    "on this machine and would be replaced and removed; remove it first to run this test"
  exit 0
fi
deb=$(ls "$build"/capcode_*.deb)
fail() {
  echo "package test FAILED: $*"
  exit 1
}

appstreamcli validate --no-net data/io.github.capcode.programmer.metainfo.xml ||
  fail "the AppStream metainfo does not validate"
desktop-file-validate data/capcode-programmer.desktop || fail "the desktop entry does not validate"
if command -v lintian > /dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | grep -v "root privileges" || true
  lintian --fail-on error "$deb" > /dev/null 2>&1 || fail "lintian reports errors"
  # Down to the pedantic level, no error, warning or pedantic tag stands (the overrides say why
  # the spellings the window must keep stand).
  tags=$(lintian --pedantic "$deb" 2>&1 | grep -E "^[EWP]: " || true)
  [ -z "$tags" ] || fail "lintian --pedantic reports: $tags"
fi
# The manual pages as man shows them at the usual widths: no groff warning.
if command -v man > /dev/null; then
  for page in data/man/*.1; do
    for width in 60 80 120; do
      said=$(LC_ALL=C.UTF-8 MANWIDTH=$width man --warnings -E UTF-8 -l "$page" 2>&1 > /dev/null)
      [ -z "$said" ] || fail "man $page at width $width: $said"
    done
  done
fi

dpkg --purge capcode > /dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./$deb" ||
  dpkg -i "$deb" || fail "the package does not install"
mapfile -t files < <(dpkg -L capcode | while read -r path; do [ -f "$path" ] && echo "$path"; done)
[ ${#files[@]} -gt 10 ] || fail "the package installed too few files"

/usr/bin/capcode --version | grep -q "^capcode " || fail "capcode --version"
empty=$(mktemp -d)
(cd "$empty" && printf 'get address1\n' | /usr/bin/capcode script > transcript.txt) ||
  fail "the installed capcode script"
if grep -q "Language file error" "$empty/transcript.txt"; then
  fail "the installed program does not find its language libraries"
fi
grep -q '"name":"address1"' "$empty/transcript.txt" || fail "the installed script printed nothing"
rm -rf "$empty"
status=0
QT_QPA_PLATFORM=offscreen timeout 2 /usr/bin/capcode-programmer > /dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "capcode-programmer ended with $status instead of running"
# Configuration files are the window's: the MIME type is installed and the desktop entry is
# its handler (the database and the handler cache are rebuilt by Debian's triggers).
[ -f /usr/share/mime/packages/capcode.xml ] || fail "the MIME type is not installed"
probe=$(mktemp -d)
head -c 2048 /dev/zero | tr '\0' '\377' > "$probe/pager.eep"
if command -v gio > /dev/null; then
  detected=$(gio info -a standard::content-type "$probe/pager.eep" |
    sed -n 's/.*standard::content-type: //p')
  handlers=$(gio mime application/x-capcode-eeprom 2> /dev/null || true)
else
  echo "package test: no gio here; the MIME database files are read instead"
  detected=$(grep -qx "50:application/x-capcode-eeprom:\*.eep" /usr/share/mime/globs2 &&
    echo application/x-capcode-eeprom || true)
  handlers=$(grep "^application/x-capcode-eeprom=" /usr/share/applications/mimeinfo.cache |
    sed 's/^[^=]*=/Default application: /; s/;$//' || true)
fi
rm -rf "$probe"
[ "$detected" = application/x-capcode-eeprom ] || fail "a .eep file is taken for '$detected'"
grep -q "^Default application.*: capcode-programmer.desktop$" <<< "$handlers" ||
  fail "capcode-programmer does not open .eep files: $handlers"

if grep -qs "path-exclude=/usr/share/man" /etc/dpkg/dpkg.cfg.d/*; then
  echo "package test: this machine's dpkg leaves manual pages out; man -w is not tried"
else
  man -w capcode > /dev/null || fail "man -w capcode"
  man -w capcode-programmer > /dev/null || fail "man -w capcode-programmer"
fi

dpkg --purge capcode || fail "the package does not remove"
for path in "${files[@]}"; do
  [ ! -e "$path" ] || fail "$path is left after removal"
done
echo "package test: installed, tried and removed $(basename "$deb")"
