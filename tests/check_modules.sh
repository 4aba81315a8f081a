#!/usr/bin/env bash
# Checks the three finished plug-in modules: file format, machine type, exports and imports.
# Prints one PASS or FAIL line per check; exits 1 if any failed.
dist=${1:-dist}
failures=0
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi; }

so="$dist/linux-x86_64/Sarvo.so"
check "linux module exists" "[ -f '$so' ]"
if [ -f "$so" ]; then
  exports=$(nm -D --defined-only "$so" | awk '$2 ~ /[TtWwiI]/ {print $3}' | sort | tr '\n' ' ')
  check "linux exports only VSTPluginMain and main (got: $exports)" "[ '$exports' = 'VSTPluginMain main ' ]"
  check "linux module is x86-64 ELF" "file -L '$so' | grep -q 'ELF 64-bit LSB shared object, x86-64'"
  # The C++ runtime is linked in: only the C library and its kin may be needed.
  check "linux module needs only libc, libm and the like" \
    "! readelf -d '$so' | sed -n 's/.*(NEEDED).*\\[\\(.*\\)\\]/\\1/p' | grep -vqE '^(libm\.so\.6|libc\.so\.6|libdl\.so\.2|libpthread\.so\.0|ld-linux-x86-64\.so\.2)$'"
fi

# The CLAP modules: each exports only clap_entry (a data symbol) and needs what the VST 2.x ones do.
clap="$dist/linux-x86_64/Sarvo.clap"
check "linux CLAP module exists" "[ -f '$clap' ]"
if [ -f "$clap" ]; then
  exports=$(nm -D --defined-only "$clap" | awk '{print $3}' | sort | tr '\n' ' ')
  check "linux CLAP module exports only clap_entry (got: $exports)" "[ '$exports' = 'clap_entry ' ]"
  check "linux CLAP module needs only libc, libm and the like" \
    "! readelf -d '$clap' | sed -n 's/.*(NEEDED).*\\[\\(.*\\)\\]/\\1/p' | grep -vqE '^(libm\.so\.6|libc\.so\.6|libdl\.so\.2|libpthread\.so\.0|ld-linux-x86-64\.so\.2)$'"
fi

allowed='^(KERNEL32|USER32|GDI32|msvcrt|ADVAPI32|COMCTL32|SHELL32|ole32|IMM32)\.dll$'
for arch in windows-x86 windows-x64; do
  dll="$dist/$arch/Sarvo.dll"
  check "$arch module exists" "[ -f '$dll' ]"
  [ -f "$dll" ] || continue
  if [ "$arch" = windows-x86 ]; then tool=i686-w64-mingw32-objdump; magic='[(]PE32[)]'; machine=014c; \
  else tool=x86_64-w64-mingw32-objdump; magic='[(]PE32[+][)]'; machine=8664; fi
  check "$arch PE format" "$tool -p '$dll' | grep -E '^Magic' | grep -qE '$magic'"
  pe=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
  got=$(od -An -tx2 -j $((pe + 4)) -N2 "$dll" | tr -d ' ')
  check "$arch machine type $machine (got: $got)" "[ '$got' = $machine ]"
  exports=$($tool -p "$dll" | awk '/Ordinal\/Name Pointer/ {t=1; next} t && /\[/ {print $NF} t && NF==0 {t=0}' | sort | tr '\n' ' ')
  check "$arch exports only VSTPluginMain and main (got: $exports)" "[ '$exports' = 'VSTPluginMain main ' ]"
  imports=$($tool -p "$dll" | awk '/DLL Name:/ {print $3}' | sort -u)
  bad=$(echo "$imports" | grep -viE "$allowed" | tr '\n' ' ')
  check "$arch imports only Windows system DLLs (unexpected: $bad)" "[ -z '$bad' ]"
  clap="$dist/$arch/Sarvo.clap"
  check "$arch CLAP module exists" "[ -f '$clap' ]"
  [ -f "$clap" ] || continue
  check "$arch CLAP module PE format" "$tool -p '$clap' | grep -E '^Magic' | grep -qE '$magic'"
  exports=$($tool -p "$clap" | awk '/Ordinal\/Name Pointer/ {t=1; next} t && /\[/ {print $NF} t && NF==0 {t=0}' | sort | tr '\n' ' ')
  check "$arch CLAP module exports only clap_entry (got: $exports)" "[ '$exports' = 'clap_entry ' ]"
  imports=$($tool -p "$clap" | awk '/DLL Name:/ {print $3}' | sort -u)
  bad=$(echo "$imports" | grep -viE "$allowed" | tr '\n' ' ')
  check "$arch CLAP module imports only Windows system DLLs (unexpected: $bad)" "[ -z '$bad' ]"
done
[ "$failures" -eq 0 ]
