#!/usr/bin/env bash
# Checks the finished plug-in modules of the three builds (VST 2.x, CLAP, and the module in each VST3
# bundle's architecture folder): file format, machine type, exports and imports. Prints one PASS or
# FAIL line per check; exits 1 if any failed.
dist=${1:-dist}
failures=0
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi; }

# linux_module NAME FILE EXPORTS [SYMBOL-TYPES]: an x86-64 ELF shared object that exports exactly
# EXPORTS (sorted, each followed by a space; only symbols of SYMBOL-TYPES, all when empty) and, with
# the C++ runtime linked in, needs only the C library and its kin.
linux_module() {
  local name=$1 file=$2 want=$3 types=${4:-.}
  check "$name exists" "[ -f '$file' ]"
  [ -f "$file" ] || return
  local exports
  exports=$(nm -D --defined-only "$file" | awk -v t="$types" '$2 ~ t {print $3}' | sort | tr '\n' ' ')
  check "$name exports only $want(got: $exports)" "[ '$exports' = '$want' ]"
  check "$name is x86-64 ELF" "file -L '$file' | grep -q 'ELF 64-bit LSB shared object, x86-64'"
  check "$name needs only libc, libm and the like" \
    "! readelf -d '$file' | sed -n 's/.*(NEEDED).*\\[\\(.*\\)\\]/\\1/p' | grep -vqE '^(libm\.so\.6|libc\.so\.6|libdl\.so\.2|libpthread\.so\.0|ld-linux-x86-64\.so\.2)$'"
}

# windows_module ARCH NAME FILE EXPORTS: a PE module of ARCH (windows-x86 or windows-x64) that exports
# exactly EXPORTS (sorted, each followed by a space) and imports only Windows system DLLs.
allowed='^(KERNEL32|USER32|GDI32|msvcrt|ADVAPI32|COMCTL32|SHELL32|ole32|IMM32)\.dll$'
windows_module() {
  local arch=$1 name=$2 file=$3 want=$4 tool magic machine
  if [ "$arch" = windows-x86 ]; then tool=i686-w64-mingw32-objdump; magic='[(]PE32[)]'; machine=014c
  else tool=x86_64-w64-mingw32-objdump; magic='[(]PE32[+][)]'; machine=8664; fi
  check "$name exists" "[ -f '$file' ]"
  [ -f "$file" ] || return
  check "$name PE format" "$tool -p '$file' | grep -E '^Magic' | grep -qE '$magic'"
  local pe got exports bad
  pe=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  got=$(od -An -tx2 -j $((pe + 4)) -N2 "$file" | tr -d ' ')
  check "$name machine type $machine (got: $got)" "[ '$got' = $machine ]"
  exports=$($tool -p "$file" | awk '/Ordinal\/Name Pointer/ {t=1; next} t && /\[/ {print $NF} t && NF==0 {t=0}' | sort | tr '\n' ' ')
  check "$name exports only $want(got: $exports)" "[ '$exports' = '$want' ]"
  bad=$($tool -p "$file" | awk '/DLL Name:/ {print $3}' | sort -u | grep -viE "$allowed" | tr '\n' ' ')
  check "$name imports only Windows system DLLs (unexpected: $bad)" "[ -z '$bad' ]"
}

linux="$dist/linux-x86_64"
linux_module "linux module" "$linux/Sarvo.so" 'VSTPluginMain main ' '[TtWwiI]'
# clap_entry is a data symbol.
linux_module "linux CLAP module" "$linux/Sarvo.clap" 'clap_entry '
linux_module "linux VST3 module" "$linux/Sarvo.vst3/Contents/x86_64-linux/Sarvo.so" 'GetPluginFactory ModuleEntry ModuleExit '

for arch in windows-x86 windows-x64; do
  folder=$([ "$arch" = windows-x86 ] && echo x86-win || echo x86_64-win)
  windows_module "$arch" "$arch module" "$dist/$arch/Sarvo.dll" 'VSTPluginMain main '
  windows_module "$arch" "$arch CLAP module" "$dist/$arch/Sarvo.clap" 'clap_entry '
  windows_module "$arch" "$arch VST3 module" "$dist/$arch/Sarvo.vst3/Contents/$folder/Sarvo.vst3" 'ExitDll GetPluginFactory InitDll '
done
[ "$failures" -eq 0 ]
