#!/usr/bin/env bash
# A short run of one fuzzing harness from its seeds: the CTest test of the fuzzing build.
#   fuzz/smoke.sh HARNESS SECONDS WORK-DIR DICT SEED|-FLAG...
# A -FLAG goes to the harness (-max_len=4096). SEED is a file or a folder of files; one that starts
# with testdata/ is in the shared test corpus ($SARVO_TESTDATA, else ../shared/testdata beside the
# repository). The seeds are copied into WORK-DIR/corpus, where the run adds what it finds; a crash
# leaves its input in WORK-DIR.
# A missing seed exits 77 (a skip), or 1 under CI (CI=true), where the corpus must be there.
set -u
harness=$1 seconds=$2 work=$3 dict=$4
shift 4
root=$(cd "$(dirname "$0")/.." && pwd)
testdata=${SARVO_TESTDATA:-$root/../shared/testdata}

rm -rf "$work"
mkdir -p "$work/corpus"
flags=()
for seed in "$@"; do
  case "$seed" in -*) flags+=("$seed"); continue ;; esac
  case "$seed" in testdata/*) seed=$testdata/${seed#testdata/} ;; esac
  if [ ! -e "$seed" ]; then
    echo "seed not found: $seed (set SARVO_TESTDATA to the shared testdata folder)"
    [ "${CI:-}" = true ] && exit 1
    exit 77
  fi
  find "$seed" -maxdepth 1 -type f -exec cp {} "$work/corpus/" \;
done
cd "$work" || exit 1
echo "$(ls corpus | wc -l) seeds"
exec "$harness" corpus -dict="$dict" -max_total_time="$seconds" -rss_limit_mb=4096 -malloc_limit_mb=2048 \
  -print_final_stats=1 "${flags[@]}"
