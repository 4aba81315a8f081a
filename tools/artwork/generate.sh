#!/usr/bin/env bash
# Re-renders the built-in skin's pictures into src/resources/ (background.png, bigpot.png,
# oversample.png, and their 2x and 3x sets, *_2x.png and *_3x.png). Needs cmake, a C++17
# compiler, FreeType, libpng and the DejaVu fonts.
#
#   tools/artwork/generate.sh [--preview DIR] [--fonts DIR]
#
# --preview DIR also writes enlarged views and a picture of the assembled editor into DIR.
# The build directory is build/artwork-generator (or $SARVO_ARTWORK_BUILD).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${SARVO_ARTWORK_BUILD:-$root/build/artwork-generator}"

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target sarvo_artwork
if [ ! -x "$build/bin/sarvo_artwork" ]; then
  echo "generate.sh: sarvo_artwork was not built (FreeType or libpng missing?)" >&2
  exit 1
fi
"$build/bin/sarvo_artwork" "$root/src/resources" "$@"
