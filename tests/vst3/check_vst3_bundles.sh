#!/usr/bin/env bash
# Checks the three VST3 bundles in the dist folder: the module in its architecture's folder, its
# file format and machine, its exports (the factory and the module entry and exit, nothing else) and
# its imports. Prints one PASS or FAIL line per check; exits 1 if any failed.
#   tests/vst3/check_vst3_bundles.sh [DIST]
dist=${1:-dist}
failures=0
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi; }

so="$dist/linux-x86_64/Sarvo.vst3/Contents/x86_64-linux/Sarvo.so"
check "linux bundle module exists ($so)" "[ -f '$so' ]"
if [ -f "$so" ]; then
  exports=$(nm -D --defined-only "$so" | awk '$2 ~ /[TtWwiI]/ {print $3}' | sort | tr '\n' ' ')
  check "linux exports GetPluginFactory, ModuleEntry and ModuleExit only (got: $exports)" \
    "[ '$exports' = 'GetPluginFactory ModuleEntry ModuleExit ' ]"
  check "linux module is x86-64 ELF" "file -L '$so' | grep -q 'ELF 64-bit LSB shared object, x86-64'"
  check "linux module needs only libc, libm and the like" \
    "! readelf -d '$so' | sed -n 's/.*(NEEDED).*\\[\\(.*\\)\\]/\\1/p' | grep -vqE '^(libm\.so\.6|libc\.so\.6|libdl\.so\.2|libpthread\.so\.0|ld-linux-x86-64\.so\.2)$'"
fi

allowed='^(KERNEL32|USER32|GDI32|msvcrt|ADVAPI32|COMCTL32|SHELL32|ole32|IMM32)\.dll$'
for build in windows-x86 windows-x64; do
  if [ "$build" = windows-x86 ]; then arch=x86-win; tool=i686-w64-mingw32-objdump; machine=014c; \
  else arch=x86_64-win; tool=x86_64-w64-mingw32-objdump; machine=8664; fi
  dll="$dist/$build/Sarvo.vst3/Contents/$arch/Sarvo.vst3"
  check "$build bundle module exists ($dll)" "[ -f '$dll' ]"
  [ -f "$dll" ] || continue
  pe=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
  got=$(od -An -tx2 -j $((pe + 4)) -N2 "$dll" | tr -d ' ')
  check "$build machine type $machine (got: $got)" "[ '$got' = $machine ]"
  exports=$($tool -p "$dll" | awk '/Ordinal\/Name Pointer/ {t=1; next} t && /\[/ {print $NF} t && NF==0 {t=0}' | sort | tr '\n' ' ')
  check "$build exports GetPluginFactory, InitDll and ExitDll only (got: $exports)" \
    "[ '$exports' = 'ExitDll GetPluginFactory InitDll ' ]"
  imports=$($tool -p "$dll" | awk '/DLL Name:/ {print $3}' | sort -u)
  bad=$(echo "$imports" | grep -viE "$allowed" | tr '\n' ' ')
  check "$build imports only Windows system DLLs (unexpected: $bad)" "[ -z '$bad' ]"
done
[ "$failures" -eq 0 ]
