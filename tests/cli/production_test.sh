#!/usr/bin/env bash
# capcode read and capcode write end to end against the simulated programmer box.
set -euo pipefail
capcode=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

printf 'save %s/config.eep\n' "$work" | "$capcode" script --data-dir "$data" > /dev/null
cp config.eep pager.eep

# Three pagers in a row; the first needs no prompt, the next two an Enter each.
out=$(printf '\n\n' | "$capcode" write config.eep --count 3 --sim-usb pager.eep --data-dir "$data" 2> prompts.txt) ||
  fail "write --count 3 exited $?"
[ "$(grep -c '^Verify OK !$' <<<"$out")" -eq 3 ] || fail "three verified writes expected: $out"
grep -q '^Pager 3 of 3 written: 2004000 ' <<<"$out" || fail "capcodes of pager 3 missing: $out"
[ "$(grep -o 'Insert pager' prompts.txt | wc -l)" -eq 2 ] || fail "two prompts expected"

# Stopping at the prompt fails the run.
if printf 'q\n' | "$capcode" write config.eep --count 2 --sim-usb pager.eep --data-dir "$data" > /dev/null 2>&1; then
  fail "a stopped run must not succeed"
fi

# A failing pager fails the run and says so.
if out=$("$capcode" write config.eep --sim-usb pager.eep --sim-fault write:5:C --data-dir "$data" 2>&1); then
  fail "a CRC error must fail the write"
fi
grep -q 'CRC error!' <<<"$out" || fail "the box's error must be shown: $out"
grep -q '^Pager 1 of 1 failed.$' <<<"$out" || fail "the failed pager must be named: $out"

# Reading gives back the pager's image byte for byte.
"$capcode" write config.eep --sim-usb pager.eep --data-dir "$data" > /dev/null || fail "rewrite"
"$capcode" read out.eep --sim-usb pager.eep --data-dir "$data" > read.txt || fail "read exited $?"
grep -q '^Read completed$' read.txt || fail "read log"
cmp -s out.eep pager.eep || fail "the read image differs from the pager"

# Nothing attached: the read fails and leaves no file.
if "$capcode" read none.eep --sim-lpt pager.eep --sim-fault nochip --data-dir "$data" > nochip.txt; then
  fail "a read without a chip must fail"
fi
grep -q 'Device not exist, please check the connection.' nochip.txt || fail "no-device message"
[ ! -e none.eep ] || fail "a failed read must not write its file"
echo "production commands: ok"
