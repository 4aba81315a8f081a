# The Wine environment of every script that runs Windows programs (sourced, sh and bash alike): the
# project's own prefix (scripts/setup makes it), no debug chatter, no Mono/Gecko prompts.
: "${WINEPREFIX:=$HOME/.wine-sarvo}"
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
