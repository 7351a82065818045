#!/usr/bin/env bash
# capcode-programmer where no screen can be reached (SSH, a container): one line and exit status
# 1, never Qt's abort; with the offscreen platform it runs.
set -uo pipefail
program=$1
data=$2
expected="no display: run it in a desktop session, or with QT_QPA_PLATFORM=offscreen"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
# A display number with no server behind it.
absent=:$((90 + RANDOM % 9))
while [ -e "/tmp/.X11-unix/X${absent#:}" ]; do absent=:$((90 + RANDOM % 9)); done

for environment in "" "DISPLAY=$absent" "QT_QPA_PLATFORM=xcb" "QT_QPA_PLATFORM=xcb DISPLAY=$absent"; do
  # shellcheck disable=SC2086
  output=$(cd "$work" && env -i $environment "$program" --data-dir "$data" 2>&1)
  status=$?
  if [ "$status" -ne 1 ] || [ "$output" != "$expected" ]; then
    echo "FAILED with '$environment': status $status, output: $output"
    failed=1
  fi
done

# The options that need no window answer without one.
env -i "$program" --version | grep -q "^capcode-programmer " || {
  echo "FAILED: --version needs a display"
  failed=1
}

# The offscreen platform needs no display: the window runs until it is stopped.
(cd "$work" && env -i QT_QPA_PLATFORM=offscreen timeout 3 "$program" --data-dir "$data" \
  --sim-usb "$work/pager.eep" > /dev/null 2>&1)
status=$?
if [ "$status" -ne 124 ]; then
  echo "FAILED: with QT_QPA_PLATFORM=offscreen the window ended with $status instead of running"
  failed=1
fi
[ "$failed" -eq 0 ] && echo "no display: one line and exit status 1"
exit "$failed"
