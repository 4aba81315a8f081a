#!/usr/bin/env bash
# Drives the command-line host end to end: info, settings, chunk files, rendering WAV and FLAC, mono, and the
# error cases. Prints one PASS or FAIL line per check.
host=${1:-build/linux/bin/sarvo-host}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; fi; }

"$host" --help >"$tmp/help" 2>&1
check "help explains the commands" "grep -q 'render IN OUT' '$tmp/help' && grep -q 'info' '$tmp/help'"

"$host" info >"$tmp/info" 2>&1
check "info shows the descriptor" "grep -q 'unique id      0x76714B65' '$tmp/info' && grep -q 'effect         Sarvo' '$tmp/info'"
check "info shows parameter texts" "grep -qE 'Gain +0\.0 +dB' '$tmp/info' && grep -qE 'Oversmp +Off' '$tmp/info'"
check "info shows program names" "[ \$(grep -c 'Defaults' '$tmp/info') -eq 10 ]"
check "info shows canDo answers" "grep -qE '^  bypass +1$' '$tmp/info'"

"$host" info Gain=6 Oversmp=on --save-chunk "$tmp/bank.fxb" --save-program "$tmp/prog.fxp" >"$tmp/set" 2>&1
check "settings by display value" "grep -qE 'Gain +6\.0 +dB' '$tmp/set' && grep -qE 'Oversmp +On' '$tmp/set'"
check "bank and program chunk files" "[ \$(stat -c %s '$tmp/bank.fxb') -eq 570 ] && [ \$(stat -c %s '$tmp/prog.fxp') -eq 57 ]"
"$host" info --chunk "$tmp/bank.fxb" >"$tmp/loaded" 2>&1
check "a saved bank loads back" "grep -qE 'Gain +6\.0 +dB' '$tmp/loaded'"

"$host" generate "$tmp/in.wav" --seconds 2 >/dev/null 2>&1
"$host" render "$tmp/in.wav" "$tmp/out.flac" Clip=50 >"$tmp/render" 2>&1
check "render WAV to FLAC" "[ -s '$tmp/out.flac' ] && head -c 4 '$tmp/out.flac' | grep -q fLaC"
check "render prints levels" "grep -qE 'left .* dB' '$tmp/render' && grep -q 'peak out' '$tmp/render'"
check "clipped peak is at the clip level" "grep -E '^  left' '$tmp/render' | awk '{exit !(\$4 <= -6.0 && \$4 >= -6.1)}'"
"$host" render "$tmp/out.flac" "$tmp/back.wav" --double --block 64 --bypass >"$tmp/render2" 2>&1
check "render FLAC to WAV, double entry, bypass" "[ -s '$tmp/back.wav' ] && head -c 4 '$tmp/back.wav' | grep -q RIFF"

"$host" generate "$tmp/mono.wav" --seconds 1 --channels 1 >/dev/null 2>&1
"$host" render "$tmp/mono.wav" "$tmp/mono-out.wav" >"$tmp/mono" 2>&1
check "mono in, mono out" "grep -q '1 channel,' '$tmp/mono' && grep -q '^  mono' '$tmp/mono'"

"$host" generate "$tmp/quad.wav" --seconds 1 --channels 4 >/dev/null 2>&1
"$host" render "$tmp/quad.wav" "$tmp/quad-out.wav" >"$tmp/quad" 2>&1; rc=$?
check "more than two channels is an error" "[ $rc -ne 0 ] && grep -q '4 channels' '$tmp/quad' && [ ! -e '$tmp/quad-out.wav' ] && [ ! -e '$tmp/quad-out.wav.part' ]"

"$host" render "$tmp/missing.wav" "$tmp/x.wav" >"$tmp/missing" 2>&1; rc=$?
check "missing input is one clear error" "[ $rc -ne 0 ] && [ \$(wc -l < '$tmp/missing') -eq 1 ] && [ ! -e '$tmp/x.wav' ]"
"$host" render "$tmp/in.wav" "$tmp/y.wav" Loudness=3 >"$tmp/badname" 2>&1; rc=$?
check "unknown parameter is an error" "[ $rc -ne 0 ] && grep -q \"unknown parameter 'Loudness'\" '$tmp/badname' && [ ! -e '$tmp/y.wav' ]"
echo "not audio" > "$tmp/text.wav"
"$host" render "$tmp/text.wav" "$tmp/z.wav" >"$tmp/badfile" 2>&1; rc=$?
check "unreadable format is an error" "[ $rc -ne 0 ] && [ ! -e '$tmp/z.wav' ]"
"$host" render "$tmp/in.wav" "$tmp/w.wav" --block 0 >/dev/null 2>&1; rc=$?
check "bad block size is an error" "[ $rc -ne 0 ] && [ ! -e '$tmp/w.wav' ]"

"$host" screenshot "$tmp/editor.png" Clip=70 >/dev/null 2>&1
check "screenshot writes a PNG" "[ -s '$tmp/editor.png' ] && head -c 8 '$tmp/editor.png' | grep -q PNG"
