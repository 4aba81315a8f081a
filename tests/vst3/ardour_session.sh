#!/usr/bin/env bash
# The VST3 bundle in a real host, Debian's Ardour 7: its scanner (ardour-vst3-scanner) indexes the
# bundle, then Ardour's GUI, on an X server of its own with a window manager and the Dummy audio
# backend, opens a session in which a Lua hook (ardour_check.lua) plays a hot sine through Sarvo on a
# bus and reads the bus's peak meter: the defaults clip it at full scale, Clip 50 % at -6 dBFS, the
# bypass parameter and Ardour's own deactivation pass it through (+6 dBFS). Headless Ardour
# (ardour7-lua) lists no VST3 plug-in, hence the GUI. Everything runs in a home folder of its own.
#   tests/vst3/ardour_session.sh [BUNDLE]      (default dist/linux-x86_64/Sarvo.vst3)
# Needs the packages ardour, twm, xvfb and python3 (installed with apt when missing, as root).
# Prints PASS or FAIL lines; exits 1 if any failed. Takes about a minute. SARVO_KEEP=1 keeps its
# scratch folder (Ardour's log, the result lines) for a look afterwards.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ -z "${SARVO_ARDOUR_DISPLAY:-}" ]; then
  missing=()
  for p in ardour twm xvfb python3; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then echo "FAIL missing packages: ${missing[*]} (apt install them)"; exit 1; fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
      { echo "FAIL could not install ${missing[*]}"; exit 1; }
  fi
  SARVO_ARDOUR_DISPLAY=1 exec "$root/tests/support/with_display.sh" "$0" "$@"
fi

bundle=$(cd "${1:-$root/dist/linux-x86_64/Sarvo.vst3}" 2>/dev/null && pwd) || { echo "FAIL no bundle ${1:-}"; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; sleep 1; for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; [ -n "${SARVO_KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT
failures=0
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi; }

export HOME="$work/home"
config="$HOME/.config/ardour7"
mkdir -p "$config" "$HOME/.vst3"
cp -a "$bundle" "$HOME/.vst3/Sarvo.vst3"
# Ardour takes an index only when it is newer than the module, to the second.
sleep 1

# The scanner, as Ardour runs it for a new bundle.
LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner -f -v "$HOME/.vst3/Sarvo.vst3" >"$work/scan.log" 2>&1
cache=$(ls "$HOME"/.cache/ardour7/vst/*.v3i 2>/dev/null | head -1)
check "the scanner finds Sarvo" "grep -q 'Found Plugin: Sarvo' '$work/scan.log'"
check "its index names Sarvo by ONDX, Fx|Distortion, stereo in and out" "[ -n '$cache' ] &&
  grep -q 'name=\"Sarvo\" vendor=\"ONDX\" category=\"Fx|Distortion\"' '$cache' && grep -q 'n_inputs=\"2\" n_outputs=\"2\"' '$cache'"
sed 's/^/  scanner: /' "$work/scan.log" | grep -E "Class|Found|VST3Info" | head -5

# A session made by Ardour itself (headless), without the engine hints that would ask about devices.
cat >"$work/make.lua" <<EOF
AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session("$work/session", "session", 48000))
Session:save_state("", false, false, false, false, false)
close_session()
EOF
ardour7-lua "$work/make.lua" >"$work/make.log" 2>&1
sed -i '/<EngineHints /d' "$work/session/session.ardour" 2>/dev/null
check "a session was made" "[ -f '$work/session/session.ardour' ]"

# Not a new user; the Dummy backend shown and started without asking; the hook, run every second.
touch "$config/.a7"
export SARVO_ARDOUR_RESULT="$work/result.txt"
python3 - "$config" "$here/ardour_check.lua" <<'EOF'
import base64, sys, time
config, hook = sys.argv[1], open(sys.argv[2]).read()
open(config + "/config", "w").write(f'''<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="" device="Silence" input-device="" output-device="" sample-rate="48000"
               buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" input-channels="0"
               output-channels="0" lm-input="" lm-output="" active="1" use-buffered-io="0" midi-option="None"
               lru="{int(time.time())}"><MIDIDevices/></State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
''')
# A callback hook as Ardour saves one: its state is Lua that sets s, whose 'f' is the factory (here
# as source text); every signal bit set, the hook itself acts on the one-second timer.
state = "s = {} s['n'] = \"sarvo check\" s['s'] = \"-- sarvo check\" s['f'] = [==[" + hook + "]==] s['a'] = {} "
open(config + "/ui_scripts", "w").write(f'''<?xml version="1.0" encoding="UTF-8"?>
<UIScripts>
  <ActionHooks>
    <LuaCallback lua="5.3" id="424242" name="sarvo check" signals="{'1' * 200}">{base64.b64encode(state.encode()).decode()}</LuaCallback>
  </ActionHooks>
</UIScripts>
''')
EOF

twm >/dev/null 2>&1 &
pids+=($!)
ARDOUR_TRY_AUTOSTART_ENGINE=1 ardour -n -a "$work/session" >"$work/ardour.log" 2>&1 &
pids+=($!)
for _ in $(seq 240); do
  grep -q '^done' "$work/result.txt" 2>/dev/null && break
  sleep 1
done
sed 's/^/  ardour: /' "$work/result.txt" 2>/dev/null

peak() { awk -v n="$1" '$1 == "peak" && $2 == n {print $3}' "$work/result.txt" 2>/dev/null; }
near() { awk -v v="$1" -v want="$2" 'BEGIN {exit !(v != "" && v + 0 > want - 0.05 && v + 0 < want + 0.05)}'; }
check "Ardour loads Sarvo as a VST3 plug-in" "grep -q '^loaded Sarvo ONDX' '$work/result.txt' 2>/dev/null"
check "with its parameters Gain 0-12 dB, Clip 0-100 % (100), Softness, Oversmp (a switch) and Bypass" \
  "grep -q '^param 0 Gain 0.0 12.0 0.0\$' '$work/result.txt' && grep -q '^param 1 Clip 0.0 100.0 100.0\$' '$work/result.txt' &&
  grep -q '^param 2 Softness 0.0 100.0 0.0\$' '$work/result.txt' && grep -q '^param 3 Oversmp 0.0 1.0 0.0\$' '$work/result.txt' &&
  grep -q '^param 4 Bypass 0.0 1.0 0.0\$' '$work/result.txt'"
check "the defaults clip a +6 dBFS sine at full scale (got $(peak defaults) dBFS)" "near '$(peak defaults)' 0"
check "Clip 50 % clips it at -6 dBFS (got $(peak clip50) dBFS)" "near '$(peak clip50)' -6.02"
check "the bypass parameter passes it through (got $(peak bypass-parameter) dBFS)" "near '$(peak bypass-parameter)' 6.02"
check "bypass off clips again (got $(peak bypass-parameter-off) dBFS)" "near '$(peak bypass-parameter-off)' -6.02"
check "Ardour's own deactivation passes it through (got $(peak deactivated) dBFS)" "near '$(peak deactivated)' 6.02"
[ "$failures" -eq 0 ]
