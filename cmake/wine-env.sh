# The Wine environment of every script that runs Windows programs (sourced, sh and bash alike): the
# project's own prefix (scripts/setup makes it), of Wine's own messages only its errors (a whole test
# run prints none), no Mono/Gecko prompts, and the choice of Wine's loader. A WINEDEBUG set
# beforehand is kept, for looking into a failure.
: "${WINEPREFIX:=$HOME/.wine-sarvo}"
: "${WINEDEBUG:=-all,err+all}"
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES

# Wine has a 64-bit and a 32-bit loader. Debian's `wine` command starts the 32-bit one first, even
# for a 64-bit program, and so runs nothing at all on a machine whose kernel cannot execute 32-bit
# code. 64-bit programs (and Wine's own tools for the prefix) therefore always go to the 64-bit
# loader (SARVO_WINE64, which may be set beforehand); only 32-bit programs go through `wine`.
: "${SARVO_WINE64:=/usr/lib/wine/wine64}"
[ -x "$SARVO_WINE64" ] || SARVO_WINE64=$(command -v wine64 2>/dev/null || echo wine)

# sarvo_wine64 PROGRAM [ARG...]: runs a 64-bit Windows program (or a Wine tool) under the 64-bit loader.
sarvo_wine64() { WINELOADER="$SARVO_WINE64" "$SARVO_WINE64" "$@"; }

# sarvo_pe_machine PROGRAM: the machine type of a Windows program (8664 for x86-64, 014c for x86).
sarvo_pe_machine() {
  _pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  od -An -tx2 -j "$((${_pe:-0} + 4))" -N2 "$1" 2>/dev/null | tr -d ' '
}

# sarvo_check_i386: whether this machine can execute 32-bit x86 programs (and so run the 32-bit
# Windows build under Wine). Sets SARVO_I386 to yes or no, and SARVO_I386_REASON to why not.
# SARVO_NO_I386=1 makes a machine that can behave as one that cannot (to try that path).
sarvo_check_i386() {
  SARVO_I386=no
  if [ -n "${SARVO_NO_I386:-}" ]; then
    SARVO_I386_REASON="SARVO_NO_I386 is set"
  elif [ ! -e /lib/ld-linux.so.2 ]; then
    SARVO_I386_REASON="no 32-bit C library (/lib/ld-linux.so.2 is missing)"
  elif ! _out=$(/lib/ld-linux.so.2 --version 2>&1 </dev/null); then
    SARVO_I386_REASON="the kernel cannot execute 32-bit x86 code (/lib/ld-linux.so.2: $(echo "$_out" | head -n 1))"
  elif [ ! -x /usr/lib/wine/wine ]; then
    SARVO_I386_REASON="Wine's 32-bit loader is not installed (wine32:i386)"
  else
    SARVO_I386=yes
    SARVO_I386_REASON=
  fi
  export SARVO_I386 SARVO_I386_REASON
}
