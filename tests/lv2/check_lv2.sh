#!/usr/bin/env bash
# The LV2 bundle through lilv's own tools: the turtle parses (serdi), lv2info lists the plug-in with
# its ports, ranges, units and UI, the modules export one symbol each, and lv2apply renders what
# sarvo-host renders through the VST 2.x module, sample for sample. Prints one PASS or FAIL line per
# check; exits 1 if any failed.
#   tests/lv2/check_lv2.sh [BIN-DIR [BUNDLE]]   BIN-DIR holds sarvo-host and Sarvo.so
bin=$(cd "${1:-build/linux/bin}" && pwd)
bundle=$(cd "${2:-build/linux/lv2/Sarvo.lv2}" && pwd)
host=$bin/sarvo-host
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
mkdir lv2 && ln -s "$bundle" lv2/Sarvo.lv2
export LV2_PATH=$tmp/lv2 SARVO_PLUGIN=$bin/Sarvo.so
uri=urn:ondx:sarvo
failures=0
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi; }

check "both turtle files parse" "serdi -q '$bundle/manifest.ttl' >/dev/null && serdi -q '$bundle/Sarvo.ttl' >/dev/null"

# Against the LV2 vocabularies lv2-dev installs (/usr/lib/lv2): every statement fits its property's
# domain and range (lv2_validate), and no term those vocabularies mark deprecated is used (lv2lint's
# rule).
lv2_validate "$bundle/manifest.ttl" "$bundle/Sarvo.ttl" >validate.txt 2>&1
check "lv2_validate finds no error ($(grep -m1 '^Found' validate.txt))" "grep -q '^Found 0 errors' validate.txt"
for f in /usr/lib/lv2/*.lv2/*.ttl; do serdi -q -i turtle -o ntriples "$f" 2>/dev/null; done |
  awk '/owl#deprecated> "true"/ {print $1}' | sort -u >deprecated
serdi -q -i turtle -o ntriples "$bundle/Sarvo.ttl" >ours 2>/dev/null
used=$(grep -oF -f deprecated ours | sort -u | tr '\n' ' ')
check "no deprecated LV2 term is used (used: ${used:-none}; $(wc -l <deprecated) known)" "[ -s deprecated ] && [ -z '$used' ]"

lv2info "$uri" >info 2>&1
# port SYMBOL MIN MAX DEFAULT: the port's block in lv2info's listing has these values.
port() {
  awk -v s="$1" '/^\tPort [0-9]+:/ {p = 0} $1 == "Symbol:" && $2 == s {p = 1} p' info >port.txt
  grep -q "Minimum: *$2\$" port.txt && grep -q "Maximum: *$3\$" port.txt && grep -q "Default: *$4\$" port.txt
}
check "lv2info lists the plug-in, its four audio ports and its UI" "grep -q 'Name: *Sarvo' info &&
  [ \$(grep -c 'lv2core#AudioPort' info) -eq 4 ] && grep -q 'Has latency: *no' info &&
  grep -q 'ui#X11UI' info && grep -q 'Binary: .*Sarvo_ui.so' info && grep -q 'state#interface' info"
check "the control ports have the parameter table's ranges and defaults" "port gain 0.000000 12.000000 0.000000 &&
  port clip 0.000000 100.000000 100.000000 && port softness 0.000000 100.000000 0.000000 &&
  port oversmp 0.000000 1.000000 0.000000 && grep -q toggled port.txt &&
  port enabled 0.000000 1.000000 1.000000 && grep -q 'Designation: .*lv2core#enabled' port.txt"
serdi -i turtle -o ntriples "$bundle/Sarvo.ttl" >triples 2>/dev/null
check "units: dB for Gain, % for Clip and Softness" "
  [ \$(grep -c 'extensions/units#unit> <http://lv2plug.in/ns/extensions/units#db>' triples) -eq 1 ] &&
  [ \$(grep -c 'extensions/units#unit> <http://lv2plug.in/ns/extensions/units#pc>' triples) -eq 2 ]"
check "the modules export only their descriptors" "
  [ \"\$(nm -D --defined-only '$bundle/Sarvo.so' | awk '{print \$3}')\" = lv2_descriptor ] &&
  [ \"\$(nm -D --defined-only '$bundle/Sarvo_ui.so' | awk '{print \$3}')\" = lv2ui_descriptor ]"

"$host" generate in.wav --seconds 3 --rate 48000
# samples A.wav B.wav: whether the two WAV files hold the same sample bytes. Their headers may
# differ: the PEAK chunk carries the second the file was written.
samples() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
def data(path):
    b = open(path, "rb").read()
    i = 12
    while i + 8 <= len(b):
        size = struct.unpack("<I", b[i + 4:i + 8])[0]
        if b[i:i + 4] == b"data":
            return b[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
    sys.exit(2)
sys.exit(0 if data(sys.argv[1]) == data(sys.argv[2]) else 1)
PY
}
# same NAME 'LV2APPLY-CONTROLS' 'SARVO-HOST-SETTINGS': both outputs, compared sample for sample (the
# same float WAV layout from both), and different from the input unless bypassed.
same() {
  lv2apply -i in.wav -o "lv2-$1.wav" $2 "$uri" >/dev/null 2>&1 &&
    "$host" render in.wav "vst-$1.wav" --quiet $3 && samples "lv2-$1.wav" "vst-$1.wav"
}
check "lv2apply at the defaults is sample-identical to the VST 2.x module" "same default '' ''"
check "lv2apply at Clip 50 % is sample-identical" "same clip '-c clip 50' 'Clip=50' && ! samples lv2-clip.wav lv2-default.wav"
check "lv2apply at Gain 6 dB, Softness 30 %, Oversmp on is sample-identical" "
  same soft '-c gain 6 -c softness 30 -c oversmp 1' 'Gain=6 Softness=30 Oversmp=on' && ! samples lv2-soft.wav lv2-default.wav"
check "lv2apply bypassed (enabled 0) is sample-identical to the VST 2.x bypass" "
  same bypass '-c clip 50 -c enabled 0' 'Clip=50 --bypass' && ! samples lv2-bypass.wav lv2-clip.wav"
[ $failures -eq 0 ]
