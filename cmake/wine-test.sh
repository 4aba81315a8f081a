#!/bin/sh
# Runs a Windows program under Wine as the tests do: in the project's own prefix (scripts/setup makes
# it), with only Wine's error messages and without the Mono/Gecko prompts, through the loader for the
# program's machine type (cmake/wine-env.sh). The CROSSCOMPILING_EMULATOR of the Windows builds
# (cmake/mingw-*.cmake), so CTest lists and runs the test programs through it.
#
# CTest keeps no exit status, so a program that fails gets a last line on standard error saying how
# it ended. Wine, rarely, ends a program at once without it having run at all: a non-zero status,
# not one byte written, well under a second. Such a start is made once more, and the line
# "wine-test: started again: ..." in the output says so (scripts/test_summary.py lists these).
. "$(dirname "$0")/wine-env.sh"
if [ "$(sarvo_pe_machine "$1")" = 014c ]; then
  loader=wine
else
  loader=$SARVO_WINE64
  export WINELOADER="$SARVO_WINE64"
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/wine-test.XXXXXX") || exit 125
pid=
stop() {
  [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  cat "$dir/out"; cat "$dir/err" >&2
  rm -rf "$dir"
  exit 143
}
trap stop HUP INT TERM

# run: starts the program with its output in files (so that an empty output can be seen) and sets
# status and the run's length in whole milliseconds.
run() {
  t0=$(date +%s%3N)
  "$loader" "$@" 0<&0 >"$dir/out" 2>"$dir/err" &
  pid=$!
  wait "$pid"; status=$?
  pid=
  took=$(( $(date +%s%3N) - t0 ))
}

run "$@"
if [ "$status" -ne 0 ] && [ "$took" -lt 1000 ] && [ ! -s "$dir/out" ] && [ ! -s "$dir/err" ]; then
  echo "wine-test: started again: $(basename "$1") ended with exit status $status after $took ms without writing anything" >"$dir/first"
  run "$@"
  cat "$dir/first" >>"$dir/err"
fi
cat "$dir/out"
cat "$dir/err" >&2
[ "$status" -eq 0 ] || echo "wine-test: $(basename "$1") ended with exit status $status" >&2
rm -rf "$dir"
exit "$status"
