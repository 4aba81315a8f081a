#!/bin/sh
# Runs a Windows program under Wine as the tests do: in the project's own prefix (scripts/setup makes
# it), without Wine's debug chatter and without the Mono/Gecko prompts. The CROSSCOMPILING_EMULATOR
# of the Windows builds (cmake/mingw-*.cmake), so CTest lists and runs the test programs through it.
. "$(dirname "$0")/wine-env.sh"
exec wine "$@"
