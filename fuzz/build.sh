#!/usr/bin/env bash
# Builds the PNG decoder's libFuzzer harness with clang, outside the normal build.
#   fuzz/build.sh                 build into build/fuzz/png_fuzz
#   fuzz/build.sh run [SECONDS]   build, seed a corpus with the PngSuite files and fuzz
# Needs clang and libclang-rt-14-dev (installed by scripts/setup). The seed files
# come from $SARVO_TESTDATA (default: ../shared/testdata beside the repository).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out="${FUZZ_OUT:-$root/build/fuzz}"
cxx="${CXX_FUZZ:-clang++}"

mkdir -p "$out"
"$cxx" -std=c++17 -O2 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Wall -Wextra -I"$root/src" \
    "$here/png_fuzz.cpp" "$root"/src/skin/png*.cpp \
    -o "$out/png_fuzz"
echo "built $out/png_fuzz"

if [ "${1:-}" = "run" ]; then
    seconds="${2:-660}"
    data="${SARVO_TESTDATA:-$root/../shared/testdata}"
    corpus="$out/corpus"
    mkdir -p "$corpus"
    cp "$data"/pngsuite/*.png "$data"/synthetic/*.png "$corpus"/ 2>/dev/null || true
    cd "$out"
    exec ./png_fuzz "$corpus" -dict="$here/png.dict" -max_total_time="$seconds" \
        -rss_limit_mb=4096 -malloc_limit_mb=2048 -print_final_stats=1
fi
