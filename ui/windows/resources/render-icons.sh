#!/usr/bin/env bash
# Renders the program icon at the sizes the window system and the desktop ask for.
# Needs rsvg-convert (Debian package librsvg2-bin); the PNGs are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --format png --output "tellurix-$size.png" tellurix.svg
done
