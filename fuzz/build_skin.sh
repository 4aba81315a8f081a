#!/usr/bin/env bash
# Builds the skin parser's libFuzzer harness with clang, outside the normal build.
#   fuzz/build_skin.sh                 build into build/fuzz/skin_fuzz
#   fuzz/build_skin.sh run [SECONDS]   build, seed a corpus with the shipped skin and fuzz
#                                      (the corpus stays in build/fuzz/skin_corpus)
# Needs clang and libclang-rt-14-dev (installed by scripts/setup). The harness brings its own
# module resources, so the generated resource table of the normal build is not used.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out="${FUZZ_OUT:-$root/build/fuzz}"
cxx="${CXX_FUZZ:-clang++}"
objs="$out/skin_objs"
flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined
       -Wall -Wextra -DSARVO_POSIX=1 -I"$root/src" -I"$root/tests/unit")

mkdir -p "$objs"
sources=()
for dir in host model dsp gui skin controls platform/posix; do
    for f in "$root"/src/$dir/*.cpp; do
        [ "$(basename "$f")" = entry.cpp ] && continue
        sources+=("$f")
    done
done
# Compile the library with coverage instrumentation, two at a time; up-to-date objects are kept.
running=0
for f in "${sources[@]}"; do
    o="$objs/$(echo "${f#"$root"/src/}" | tr / _).o"
    [ -n "${FUZZ_KEEP_OBJS:-}" ] && [ "$o" -nt "$f" ] && continue
    "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$f" -o "$o" &
    running=$((running + 1))
    if [ "$running" -ge 2 ]; then wait -n; running=$((running - 1)); fi
done
wait
"$cxx" "${flags[@]}" -fsanitize=fuzzer "$here/skin_fuzz.cpp" "$objs"/*.o -ldl -o "$out/skin_fuzz"
echo "built $out/skin_fuzz"

if [ "${1:-}" = "run" ]; then
    seconds="${2:-620}"
    corpus="$out/skin_corpus"
    mkdir -p "$corpus"
    cp "$root/src/resources/sarvo.skin" "$corpus/shipped.skin"
    cp "$here"/skin_seeds/* "$corpus"/ 2>/dev/null || true
    # The harness writes its skin-font files beside itself: run it from memory-backed storage
    # when there is some, so those writes cost no disk flushes.
    run="$out"
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then
        run=/dev/shm/sarvo-skin-fuzz
        mkdir -p "$run"
        cp "$out/skin_fuzz" "$run/"
    fi
    cd "$run"
    exec ./skin_fuzz "$corpus" -dict="$here/skin.dict" -max_total_time="$seconds" -max_len=4096 \
        -rss_limit_mb=4096 -malloc_limit_mb=2048 -print_final_stats=1
fi
