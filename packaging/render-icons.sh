#!/usr/bin/env bash
# Renders the PNG icons at the freedesktop theme sizes from icons/tapdeck.svg
# (needs rsvg-convert from librsvg2-bin). The PNGs are kept in the repository,
# so building the package needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")/icons"
for s in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$s" -h "$s" tapdeck.svg -o "tapdeck-$s.png"
done
