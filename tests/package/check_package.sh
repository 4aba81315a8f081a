#!/usr/bin/env bash
# Checks the packages scripts/package made: the Debian package's and the zip's file lists, the
# Linux module's NEEDED list, and (as root, unless the package is installed already) that the .deb
# installs, that the installed sarvo-host finds the installed module, and that it removes cleanly.
#   tests/package/check_package.sh [PACKAGE-DIR]
dir=${1:-dist/packages}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
check() { if eval "$2"; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi; }
deb=$(ls "$dir"/sarvo_*.deb 2>/dev/null | head -1)
zip=$(ls "$dir"/sarvo-*-windows.zip 2>/dev/null | head -1)

dpkg-deb -c "$deb" 2>/dev/null | awk '{print $6}' | grep -v '/$' | sort >"$tmp/deb"
sort >"$tmp/deb-expected" <<LIST
./usr/bin/sarvo-host
./usr/lib/clap/Sarvo.clap
./usr/lib/lv2/Sarvo.lv2/Sarvo.so
./usr/lib/lv2/Sarvo.lv2/Sarvo.ttl
./usr/lib/lv2/Sarvo.lv2/Sarvo_ui.so
./usr/lib/lv2/Sarvo.lv2/manifest.ttl
./usr/lib/vst/Sarvo.so
./usr/lib/vst3/Sarvo.vst3/Contents/x86_64-linux/Sarvo.so
./usr/share/doc/sarvo/README.md
./usr/share/man/man1/sarvo-host.1
LIST
check "the .deb holds the module, the LV2 bundle, the CLAP module, the host, the manual page and the README" "diff -u '$tmp/deb-expected' '$tmp/deb'"
check "the .deb depends on what the host links" "dpkg-deb -f '$deb' Depends | grep -q libsndfile"

dpkg-deb -x "$deb" "$tmp/root" 2>/dev/null
for module in vst/Sarvo.so lv2/Sarvo.lv2/Sarvo.so lv2/Sarvo.lv2/Sarvo_ui.so vst3/Sarvo.vst3/Contents/x86_64-linux/Sarvo.so clap/Sarvo.clap; do
  readelf -d "$tmp/root/usr/lib/$module" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
done | sort >"$tmp/needed"
check "the Linux modules (VST 2.x, LV2 and CLAP) need only the C library and its kin" "[ -s '$tmp/needed' ] &&
  ! grep -vE '^(libc|libm|libdl|libpthread|librt|ld-linux-x86-64)\.so' '$tmp/needed'"

cmake -E tar tf "$zip" 2>/dev/null | sed 's#^[^/]*/##' | grep -v '/$' | sort >"$tmp/zip"
printf '%s\n' README.txt VST3/Sarvo.vst3/Contents/x86-win/Sarvo.vst3 VST3/Sarvo.vst3/Contents/x86_64-win/Sarvo.vst3 \
  CLAP/x64/Sarvo.clap CLAP/x86/Sarvo.clap x64/Sarvo.dll x86/Sarvo.dll | sort >"$tmp/zip-expected"
(zip=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip") && cd "$tmp" && cmake -E tar xf "$zip")
check "the zip holds x86/ and x64/ DLLs and CLAP modules of the right kinds and a README" "diff -u '$tmp/zip-expected' '$tmp/zip' &&
  file '$tmp'/sarvo-*/x86/Sarvo.dll | grep -q 'PE32 .*80386' && file '$tmp'/sarvo-*/x64/Sarvo.dll | grep -q 'PE32+ .*x86-64' &&
  file '$tmp'/sarvo-*/CLAP/x86/Sarvo.clap | grep -q 'PE32 .*80386' && file '$tmp'/sarvo-*/CLAP/x64/Sarvo.clap | grep -q 'PE32+ .*x86-64'"
debug=$(for d in "$tmp"/sarvo-*/x86/Sarvo.dll "$tmp"/sarvo-*/x64/Sarvo.dll "$tmp"/sarvo-*/CLAP/x86/Sarvo.clap \
  "$tmp"/sarvo-*/CLAP/x64/Sarvo.clap; do objdump -h "$d" 2>/dev/null; done | grep -c '\.debug_')
check "the zip's modules are stripped, as the .deb's modules are ($debug debug sections)" "[ '$debug' -eq 0 ] &&
  objdump -h '$tmp'/sarvo-*/x64/Sarvo.dll >/dev/null 2>&1"

if [ "$(id -u)" -eq 0 ] && ! dpkg -s sarvo >/dev/null 2>&1; then
  # dpkg -i and --purge, retried while another package tool holds the lock.
  dpkg_retry() { for _ in $(seq 60); do dpkg "$@" && return 0; fuser /var/lib/dpkg/lock-frontend >/dev/null 2>&1 || return 1; sleep 2; done; return 1; }
  dpkg_retry -i "$deb" >"$tmp/install" 2>&1
  env -u SARVO_PLUGIN /usr/bin/sarvo-host info >"$tmp/info" 2>&1; rc=$?
  check "the installed sarvo-host runs the installed module" "[ $rc -eq 0 ] && grep -q '/usr/bin/../lib/vst/Sarvo.so' '$tmp/info' &&
    grep -q 'effect         Sarvo' '$tmp/info' && [ -f /usr/share/man/man1/sarvo-host.1 ]"
  dpkg_retry --purge sarvo >"$tmp/remove" 2>&1
  check "the package removes cleanly" "! dpkg -s sarvo >/dev/null 2>&1 && [ ! -e /usr/lib/vst/Sarvo.so ] && [ ! -e /usr/bin/sarvo-host ] &&
    [ ! -e /usr/lib/lv2/Sarvo.lv2 ] && [ ! -e /usr/lib/vst3/Sarvo.vst3 ] && [ ! -e /usr/lib/clap/Sarvo.clap ]"
else
  echo "(install check skipped: needs root and no sarvo package installed)"
fi
[ "$failures" -eq 0 ]
