#!/usr/bin/env bash
# Runs a command (ctest in a Windows build) in a Wine session of its own: an X display of its own, a
# Wine server kept running throughout, and Wine's desktop and services started up front, all ended
# afterwards. Started by a test instead, those background processes would inherit the test's output
# pipes and keep CTest waiting for them to close.
#   tests/support/wine_session.sh COMMAND [ARG...]      exits with the command's status
if [ -z "${WITH_DISPLAY_INSIDE:-}" ]; then
  WITH_DISPLAY_INSIDE=1 exec "$(dirname "$0")/with_display.sh" "$0" "$@"
fi
unset WITH_DISPLAY_INSIDE
. "$(dirname "$0")/../../cmake/wine-env.sh"
wineserver -p
sarvo_wine64 wineboot >/dev/null 2>&1 </dev/null
"$@"
status=$?
wineserver -k
exit $status
