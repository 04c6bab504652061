#!/usr/bin/env bash
# Writes everything the renderer puts out into one directory, for
# `ring_snapshots compare` to hold a build against another one: the rings of
# every cloth (ring_snapshots write), `--render` of every outfit, and the
# three sets of review sheets.
# Usage: tools/render_outputs.sh path/to/garbello path/to/ring_snapshots DIR
# e.g. before and after a change:
#   tools/render_outputs.sh old/garbello old/ring_snapshots /tmp/before
#   tools/render_outputs.sh build/bin/garbello build/bin/ring_snapshots /tmp/after
#   build/bin/ring_snapshots compare /tmp/before /tmp/after
set -euo pipefail

garbello=$(realpath "$1")
snapshots=$(realpath "$2")
out=$(realpath -m "$3")
mkdir -p "$out/render" "$out/sheets" "$out/variants" "$out/corners"

"$snapshots" write "$out/rings"
for outfit in hawaiian rainJacket snowGear sweater linen; do
    "$garbello" --render "$outfit" "$out/render/$outfit.png" >/dev/null 2>&1
done
"$garbello" --render-sheets "$out/sheets" >/dev/null 2>&1
"$garbello" --render-variants "$out/variants" >/dev/null 2>&1
"$garbello" --render-corners "$out/corners" >/dev/null 2>&1
echo "$(find "$out" -name '*.png' | wc -l) PNG files in $out"
