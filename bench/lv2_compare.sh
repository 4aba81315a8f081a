#!/usr/bin/env bash
# The LV2 plug-in against the VST 2.x module, per frame, in one run:
#  - lilv's lv2bench on the bundle, and the timing host running the VST 2.x module under
#    lv2bench's own conditions (silence, 48 kHz, defaults, blocks of 512);
#  - the timing host running both modules on music-like material (Gain 3.8 dB, Clip 80 %,
#    Softness 30 %, Oversmp off and on, blocks of 512).
# Rounds alternate between the two formats so that the machine's load falls on both alike; each
# figure is the median over the rounds. The goal is a ratio within 5 % of 1.
#   bench/lv2_compare.sh [BUILD-DIR [ROUNDS [FRAMES]]]   (defaults: build/linux, 11 rounds, 5*10^7 frames)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux}" && pwd)
rounds=${2:-11}
frames=${3:-50000000}
timing=$build/bin/sarvo_timing_host
vst=$build/bin/Sarvo.so
bundle=$build/lv2/Sarvo.lv2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/lv2" && ln -s "$bundle" "$tmp/lv2/Sarvo.lv2"

for ((r = 1; r <= rounds; ++r)); do
  LV2_PATH=$tmp/lv2 lv2bench -b 512 -n "$frames" urn:ondx:sarvo | awk '{print "lv2bench", $1}' >>"$tmp/silence"
  "$timing" "$vst" --lv2bench "$frames" | awk '{print "vst", $1}' >>"$tmp/silence"
  "$timing" "$bundle/Sarvo.so" $((frames / 4)) 1 >>"$tmp/music"
  "$timing" "$vst" $((frames / 4)) 1 | grep '^processReplacing' >>"$tmp/music"
done

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
lv2=$(awk '$1 == "lv2bench" {print $2}' "$tmp/silence" | median)
ref=$(awk '$1 == "vst" {print $2}' "$tmp/silence" | median)
printf '%-44s %10s %10s %7s\n' "case (ns per frame, median of $rounds)" LV2 "VST 2.x" ratio
awk -v a="$lv2" -v b="$ref" -v n="$frames" 'BEGIN {
  printf "%-44s %10.4f %10.4f %7.3f\n", "silence, defaults (lv2bench conditions)", a * 1e9 / n, b * 1e9 / n, a / b }'
for o in 0 1; do
  a=$(grep "^lv2.run oversampling=$o" "$tmp/music" | sed 's/.*=//' | median)
  b=$(grep "^processReplacing oversampling=$o" "$tmp/music" | sed 's/.*=//' | median)
  awk -v a="$a" -v b="$b" -v o="$o" 'BEGIN {
    printf "%-44s %10.4f %10.4f %7.3f\n", "music, Oversmp " (o ? "on" : "off"), a, b, a / b }'
done
