#!/usr/bin/env bash
# Runs a command with an X display of its own: a fresh Xvfb (1024 x 768, 24 bits) that ends with it.
# Xvfb picks a free display number itself (-displayfd), so runs side by side never share a display.
#   tests/support/with_display.sh COMMAND [ARG...]      exits with the command's status
set -u
dir=$(mktemp -d) || exit 1
mkfifo "$dir/display"
# -noreset: the server would reset when its last client leaves, and a connection made during the
# reset fails.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/log" 2>&1 &
xvfb=$!
stop() { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"; }
trap 'stop; exit 129' HUP INT TERM
number=
read -r -t 30 number <"$dir/display"
if [ -z "$number" ]; then
  echo "with_display: Xvfb did not start:" >&2
  cat "$dir/log" >&2
  stop
  exit 1
fi
DISPLAY=":$number" "$@"
status=$?
stop
exit $status
