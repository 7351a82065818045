#!/usr/bin/env bash
# The README's "Try it without a programmer" block, pasted as it stands into a shell in a folder
# whose build/bin holds the programs: the window runs on Qt's offscreen platform until it is
# stopped after a few seconds; the batch programs three pagers and the ledger lists them.
set -euo pipefail
readme=$1
bin_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

block=$(awk '/^## Try it without a programmer/ { section = 1; next }
             section && /^## / { exit }
             section && /^```sh$/ { inside = 1; next }
             inside && /^```$/ { exit }
             inside { print }' "$readme")
[ -n "$block" ] || fail "no fenced sh block in the README's section"
window_lines=$(grep -c 'capcode-programmer' <<< "$block" || true)
[ "$window_lines" -eq 1 ] || fail "the block should open the window once, not $window_lines times"
# The window line alone is changed: no screen here, and it would run until closed.
script=$(sed 's|^\(.*capcode-programmer .*\)$|QT_QPA_PLATFORM=offscreen timeout 5 \1 \&\& exit 9 \|\| [ $? -eq 124 ] \|\| exit 8|' <<< "$block")

mkdir -p "$work/source/build" "$work/tmp"
ln -s "$bin_dir" "$work/source/build/bin"
status=0
(cd "$work/source" && TMPDIR="$work/tmp" bash -e -o pipefail -c "$script") \
  > "$work/out.txt" 2>&1 || status=$?
[ "$status" -ne 9 ] || fail "the window ended by itself instead of running"
[ "$status" -ne 8 ] || fail "the window did not start: $(cat "$work/out.txt")"
[ "$status" -eq 0 ] || fail "the block ended with $status: $(cat "$work/out.txt")"

ledger=$(ls "$work"/tmp/*/ledger.sqlite3) || fail "the ledger was not in the temporary folder"
[ -f "$(dirname "$ledger")/order.eep" ] || fail "no order.eep beside the ledger"
verified=$(grep -c "verified" "$work/out.txt" || true)
[ "$verified" -ge 6 ] || fail "three pagers verified and listed, got: $(cat "$work/out.txt")"
echo "the README's block ran: three pagers programmed and listed"
