#!/usr/bin/env bash
# Drives the command-line host through its real command line: generic hosting on the test gain
# plug-ins, preset files (round trips, files built byte by byte, refusals), safe outputs, strict
# settings and the conventions. Prints one PASS or FAIL line per check; exits 1 if any failed.
#   tests/host/check_host.sh [BIN-DIR]     BIN-DIR holds sarvo-host, Sarvo.so and the test plug-ins
bin=$(cd "${1:-build/linux/bin}" && pwd)
host=$bin/sarvo-host
gain=$bin/sarvo_test_gain.so
gainc=$bin/sarvo_test_gain_chunks.so
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
unset SARVO_PLUGIN
failures=0
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi; }
# run ARGS...: runs the host, output in $tmp/out and $tmp/err, exit code in $rc.
run() { "$host" "$@" >"$tmp/out" 2>"$tmp/err"; rc=$?; }
# hex HEX...: bytes from hex digits (blanks ignored).
hex() { echo "$*" | tr -d ' ' | xxd -r -p; }
# name28 TEXT: a 28-byte zero-padded name field, as hex.
name28() { local h; h=$(printf '%s' "$1" | xxd -p | tr -d '\n'); printf '%s' "$h"; printf '0%.0s' $(seq $((56 - ${#h}))); }

"$host" generate in.wav --seconds 1 --rate 48000

# ---------------------------------------------------------------- generic hosting (test gain plug-in)
run info --plugin "$gain"
check "info on another plug-in shows its own facts" "[ $rc -eq 0 ] && grep -q \"unique id      0x5473476E 'TsGn'\" out &&
  grep -qE '^  0  Gain +0\.00 +dB' out && grep -q '^  2  Loud' out && ! grep -qi sarvo <(sed 1d out) &&
  grep -q '^editor         none: the module offers no editor' out"
run info --plugin "$gain" --json --program 2
check "info --json is valid JSON with the same facts" "[ $rc -eq 0 ] && jq -e '.uniqueIdText == \"TsGn\" and
  .parameters[0].display == \"6.00\" and .currentProgram == 2 and (.programs | length) == 3 and
  .canDo[\"2in2out\"] == 1' out >/dev/null"
run render in.wav gain.wav --plugin "$gain" Gain=-6
check "render through another plug-in" "[ $rc -eq 0 ] && awk '/^  left/ {d = \$2 - \$4; exit !(d > 5.99 && d < 6.01)}' out"
run render in.wav gain2.wav --plugin "$gain" Gain=abc
check "a value the plug-in refuses is a usage error" "[ $rc -eq 2 ] && grep -q \"does not take 'abc' for Gain\" err && [ ! -e gain2.wav ]"
run render in.wav gain2.wav --plugin "$gain" --double --block=100 --set Gain=20
check "clamped value warns and renders (double entry, --opt=value)" "[ $rc -eq 0 ] && grep -q 'warning: Gain=20: the plug-in took 12.00 dB' err &&
  grep -q 'double, block 100' out"

# ---------------------------------------------------------------- preset files
run info --plugin "$gain" --program 1 Gain=-12 --save bank.fxb
run info --plugin "$gain" --load bank.fxb --program 1
check "bank round trip on a parameter plug-in" "grep -qE '^  0  Gain +-12\.00' out"
run info --plugin "$gain" Gain=3 --save prog.fxp
run info --plugin "$gain" --program 2 --load prog.fxp
check "program file loads into the selected program" "grep -qE '^  0  Gain +3\.00' out && grep -q 'current 2' out"
# The published layout, byte by byte: a program of the gain plug-in (one parameter, 0.5 = -6 dB).
hex "43636e4b 00000034 4678436b 00000001 5473476e 00000003 00000001 $(name28 Half) 3f000000" >built.fxp
run info --plugin "$gain" --load built.fxp --save resaved.fxp
check "hand-built .fxp loads, and is written back byte for byte" "grep -qE '^  0  Gain +-6\.00' out &&
  grep -q '^  0  Half' out && cmp -s built.fxp resaved.fxp"
# A Sarvo bank built by hand: format 2, current program 3, ten programs with their own names and Gain values.
{
  hex "43636e4b 00000364 4678426b 00000002 76714b65 00000001 0000000a 00000003"
  hex "$(printf '0%.0s' $(seq 248))"
  for p in 0 1 2 3 4 5 6 7 8 9; do
    hex "43636e4b 00000040 4678436b 00000001 76714b65 00000001 00000004 $(name28 "Prog $p")"
    hex "3e80000$p 3f800000 00000000 00000000"
  done
} >built.fxb
run info --load built.fxb --save resaved.fxb
check "hand-built .fxb for Sarvo loads every program and is written back byte for byte" "[ $rc -eq 0 ] &&
  grep -q '^  9  Prog 9' out && grep -q 'current 3' out && grep -qE '^  0  Gain +3\.0 +dB' out && cmp -s built.fxb resaved.fxb"
# Chunk forms for a plug-in whose programs are chunks.
run info --plugin "$gainc" --program 2 Gain=-3 --save cbank.fxb --save-program raw.chunk
run info --plugin "$gainc" --load cbank.fxb --program 2
check "chunk bank (FBCh) round trip" "head -c 12 cbank.fxb | tail -c 4 | grep -q FBCh && grep -qE '^  0  Gain +-3\.00' out"
run info --plugin "$gainc" --program 0 --chunk raw.chunk --save cprog.fxp
check "raw chunk files load; chunk programs save as FPCh" "[ $rc -eq 0 ] && grep -qE '^  0  Gain +-3\.00' out &&
  head -c 12 cprog.fxp | tail -c 4 | grep -q FPCh"
run info --plugin "$gain" --load cbank.fxb
check "a file for another plug-in id is refused, naming both" "[ $rc -eq 1 ] && grep -q \"'TsGc'\" err && grep -q \"'TsGn'\" err"
head -c 870 built.fxb >short.fxb
run render in.wav never.wav --load short.fxb
check "a truncated bank is refused and nothing is written" "[ $rc -eq 1 ] && grep -q truncated err && [ ! -e never.wav ]"
{ head -c 8 built.fxp; printf 'XxCk'; tail -c +13 built.fxp; } >bad-magic.fxp
hex "43636e4b 00000034 4678436b 00000001 5473476e 00000003 00000001 $(name28 Bad) 7fc00000" >nan.fxp
run info --plugin "$gain" --load bad-magic.fxp; rc1=$rc
run info --plugin "$gain" --load nan.fxp; rc2=$rc
run info --plugin "$gain" --load in.wav; rc3=$rc
check "corrupt form, a non-number parameter and a non-preset file are refused" "[ $rc1 -eq 1 ] && [ $rc2 -eq 1 ] && [ $rc3 -eq 1 ] &&
  grep -q 'raw chunk files load with --chunk' err"
run info --save x.preset
check "--save needs .fxp or .fxb" "[ $rc -eq 2 ] && [ ! -e x.preset ]"

# ---------------------------------------------------------------- outputs
run render in.wav /dev/full
check "a full device fails with the reason and stays a device" "[ $rc -eq 1 ] && grep -q 'No space left on device' err && [ -c /dev/full ]"
run render in.wav /dev/null
check "/dev/null is written, not replaced" "[ $rc -eq 0 ] && [ -c /dev/null ]"
"$host" render in.wav - --format=flac 2>err >stdout.flac; rc=$?
check "'-' writes standard output, the report goes to standard error" "[ $rc -eq 0 ] && head -c 4 stdout.flac | grep -q fLaC &&
  [ ! -e ./- ] && grep -q 'peak out' err"
cat in.wav | "$host" render - piped.wav >/dev/null 2>&1
check "'-' reads standard input" "[ -s piped.wav ] && cmp -s <(head -c 4 piped.wav) <(printf RIFF)"
echo keep >target.wav && ln -s target.wav link.wav
run render in.wav link.wav
check "a symbolic link is followed and stays a link" "[ -L link.wav ] && head -c 4 target.wav | grep -q RIFF"
mkfifo fifo && { cat fifo >from-fifo.wav & }
run render in.wav fifo
wait
check "a FIFO is written directly" "[ $rc -eq 0 ] && [ -p fifo ] && head -c 4 from-fifo.wav | grep -q RIFF"
mkdir outdir
run render in.wav outdir; rc1=$rc
run render in.wav missing/o.wav; rc2=$rc
run info --save-chunk outdir
check "a directory or a missing directory is refused up front" "[ $rc1 -eq 1 ] && [ $rc2 -eq 1 ] && [ $rc -eq 1 ] &&
  grep -q 'Is a directory' err && [ -z \"\$(ls -A outdir)\" ]"
run render in.wav outdir/o.wav --plugin "$bin/missing.so"
check "a failure after the output was opened leaves nothing behind" "[ $rc -eq 1 ] && [ -z \"\$(ls -A outdir)\" ]"
run render in.wav o.xyz
check "an unknown extension is a usage error naming the formats" "[ $rc -eq 2 ] && grep -q 'known formats: wav' err && [ ! -e o.xyz ]"
run render in.wav o16.wav --bits 16
check "--bits 16 writes 16-bit PCM" "[ $rc -eq 0 ] && [ \"\$(xxd -s 34 -l 2 -p o16.wav)\" = 1000 ] && grep -q 'wav, 16-bit' out"
run render in.wav o.flac --bits float
check "a sample format the container cannot hold is refused" "[ $rc -eq 2 ] && [ ! -e o.flac ]"
run screenshot shot.jpg
check "a picture output must be a .png" "[ $rc -ne 0 ] && [ ! -e shot.jpg ]"
# pngsize FILE: the width and height in a PNG's header.
pngsize() { echo "$((16#$(xxd -s 16 -l 4 -p "$1"))) $((16#$(xxd -s 20 -l 4 -p "$1")))"; }
run screenshot module.png Clip=60 Softness=50; rc1=$rc
run screenshot linked.png Clip=60 Softness=50 --scale 1
check "screenshot --scale 1 (the linked plug-in with the module's state) is the module's own picture" "
  [ $rc1 -eq 0 ] && [ $rc -eq 0 ] && [ \"\$(pngsize module.png)\" = '402 333' ] && cmp -s module.png linked.png"
run screenshot double.png Clip=60 --scale 2; rc1=$rc
run screenshot half.png --scale=1.5
check "screenshot --scale 2 and 1.5 give the editor at 804 x 666 and 603 x 500" "[ $rc1 -eq 0 ] && [ $rc -eq 0 ] &&
  [ \"\$(pngsize double.png)\" = '804 666' ] && [ \"\$(pngsize half.png)\" = '603 500' ]"
run screenshot big.png --scale 3.5; rc1=$rc
run screenshot big.png --scale 2x; rc2=$rc
run screenshot big.png --plugin "$gain" --scale 2
check "a scale outside 1 to 3 is a usage error; another plug-in's state is not Sarvo's" "[ $rc1 -eq 2 ] && [ $rc2 -eq 2 ] &&
  [ $rc -eq 1 ] && grep -q \"not Sarvo's\" err && [ ! -e big.png ]"

# ---------------------------------------------------------------- settings and numbers
run info Gain=; rc1=$rc
run info =3; rc2=$rc
run info Oversmp=yes; rc3=$rc
run info Loudness=3
check "empty value, no name, a text the plug-in reads otherwise, unknown name: usage errors" "[ $rc1 -eq 2 ] && [ $rc2 -eq 2 ] &&
  [ $rc3 -eq 2 ] && [ $rc -eq 2 ] && grep -q 'the plug-in has: Gain Clip Softness Oversmp' err"
run info Gain=7.25 Oversmp=ON Clip=80%
check "display values with rounding, case and unit are taken" "[ $rc -eq 0 ] && [ ! -s err ] && grep -qE 'Gain +7\.3' out && grep -qE 'Oversmp +On' out &&
  grep -qE 'Clip +80 ' out"
cp in.wav a=b.wav
run render -- a=b.wav a-out.wav; rc1=$rc
run render ./a=b.wav a-out2.wav
check "a file name with '=' after -- or as ./name" "[ $rc1 -eq 0 ] && [ $rc -eq 0 ] && [ -s a-out.wav ] && [ -s a-out2.wav ]"
run generate g.wav --rate 44100abc; rc1=$rc
run generate g.wav --channels 2.7; rc2=$rc
run render in.wav g.wav --block 64x; rc3=$rc
run render in.wav g.wav --rate 96000
check "numbers are strict; render has no --rate" "[ $rc1 -eq 2 ] && [ $rc2 -eq 2 ] && [ $rc3 -eq 2 ] && [ $rc -eq 2 ] && [ ! -e g.wav ]"
run render in.wav rate.wav --quiet
check "the output keeps the input's sample rate" "[ \"\$(xxd -s 24 -l 4 -p rate.wav)\" = 80bb0000 ]"

# ---------------------------------------------------------------- conventions and installation layout
run --version; v=$(cat out)
run render --help
check "--version, and render --help shows render's own help" "[[ \$v =~ ^sarvo-host\ [0-9] ]] && [ $rc -eq 0 ] &&
  grep -q '^Usage: sarvo-host render' out && ! grep -q 'generate \[OPTION' out && grep -q 'Exit status' out"
run frobnicate; rc1=$rc
"$host" >/dev/null 2>&1; rc2=$?
check "unknown command and no command are usage errors" "[ $rc1 -eq 2 ] && [ $rc2 -eq 2 ]"
mkdir -p inst/bin inst/lib/vst && cp "$host" inst/bin/ && cp "$bin/Sarvo.so" inst/lib/vst/
inst/bin/sarvo-host info >out 2>&1; rc1=$?
SARVO_PLUGIN=$gain inst/bin/sarvo-host info >out2 2>&1
SARVO_PLUGIN=$gain inst/bin/sarvo-host info --plugin "$gainc" >out3 2>&1
check "the installed module is found beside the program; SARVO_PLUGIN and --plugin come first" "[ $rc1 -eq 0 ] &&
  grep -q 'inst/bin/../lib/vst/Sarvo.so' out && grep -q TsGn out2 && grep -q TsGc out3"

[ "$failures" -eq 0 ]
