#!/usr/bin/env bash
# cmake/wine-test.sh, the launcher of every Windows test, with a stand-in for Wine's loader: it starts
# a program again only when that program ended at once with a non-zero status and wrote nothing, at
# most once, keeps the status of the run that counts, says so in the output, and
# scripts/test_summary.py lists the restart. Prints "FAIL ..." for each broken promise.
#   tests/scripts/check_wine_test.sh SOURCE-DIR
set -u
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }

# The stand-in loader: its Nth start (counted in $work/starts) does what $work/plan's Nth line says:
# "silent STATUS" ends at once writing nothing, "out STATUS" and "err STATUS" write a line to that
# stream first.
cat >"$work/loader" <<'EOF'
#!/bin/sh
n=$(( $(cat "$WORK/starts" 2>/dev/null || echo 0) + 1 ))
echo "$n" >"$WORK/starts"
set -- $(sed -n "${n}p" "$WORK/plan")
[ "$1" = out ] && echo "out of start $n"
[ "$1" = err ] && echo "err of start $n" >&2
exit "$2"
EOF
chmod +x "$work/loader"
printf 'MZ' >"$work/program.exe"

# launch PLAN...: runs the launcher under the plan; sets status, output and starts.
launch() {
  printf '%s\n' "$@" >"$work/plan"
  rm -f "$work/starts"
  output=$(WORK=$work SARVO_WINE64=$work/loader "$src/cmake/wine-test.sh" "$work/program.exe" 2>&1)
  status=$?
  starts=$(cat "$work/starts")
}

launch "silent 5" "out 0"
[ "$status" = 0 ] && [ "$starts" = 2 ] || fail "a silent failure then a run: status $status after $starts starts"
grep -q "^wine-test: started again: program.exe ended with exit status 5 after [0-9]* ms without writing anything$" \
  <<<"$output" || fail "the restart is not reported: $output"
grep -q "out of start 2" <<<"$output" || fail "the second run's output is lost: $output"

launch "silent 5" "silent 6" "out 0"
[ "$status" = 6 ] && [ "$starts" = 2 ] || fail "two silent failures: status $status after $starts starts (want 6 after 2)"

for stream in out err; do
  launch "$stream 3" "out 0"
  [ "$status" = 3 ] && [ "$starts" = 1 ] || fail "a failure that wrote to std$stream was started again, or lost its status ($status)"
done
grep -q "^wine-test: program.exe ended with exit status 3$" <<<"$output" || fail "the exit status is not reported: $output"
grep -q "started again" <<<"$output" && fail "a failure that wrote something is reported as restarted"

launch "silent 0"
[ "$status" = 0 ] && [ "$starts" = 1 ] || fail "a silent success was started again"

# The summary lists a restart of a passing test under its build and still counts it as passed.
mkdir "$work/results"
cat >"$work/results/windows-x64.xml" <<'EOF'
<testsuite tests="1" failures="0" skipped="0" disabled="0">
  <testcase name="unit.A.B" status="run"><system-out>wine-test: started again: x.exe ended with exit status 5 after 9 ms without writing anything
[  PASSED  ] 1 test.</system-out></testcase>
</testsuite>
EOF
echo 0 >"$work/results/windows-x64.rc"
summary=$(python3 "$src/scripts/test_summary.py" /dev/null "$work/results" windows-x64)
grep -q "^  started again unit.A.B: x.exe ended with exit status 5" <<<"$summary" || fail "the summary does not list the restart: $summary"
grep -q "^1 passed, 0 failed, 0 skipped$" <<<"$summary" || fail "the summary's counts: $summary"

[ $fails -eq 0 ] && echo "ok"
exit $((fails > 0))
