#!/bin/sh
# Runs a Windows program under Wine as the tests do: in the project's own prefix (scripts/setup makes
# it), without Wine's debug chatter and without the Mono/Gecko prompts, through the loader for the
# program's machine type (cmake/wine-env.sh). The CROSSCOMPILING_EMULATOR of the Windows builds
# (cmake/mingw-*.cmake), so CTest lists and runs the test programs through it.
. "$(dirname "$0")/wine-env.sh"
if [ "$(sarvo_pe_machine "$1")" = 014c ]; then exec wine "$@"; fi
export WINELOADER="$SARVO_WINE64"
exec "$SARVO_WINE64" "$@"
