#!/usr/bin/env bash
# Adds an installed Dravesse to the person's desktop menu: its desktop entry goes to
# applications/ and its icon into the hicolor icon theme under icons/, both in the person's data
# folder (~/.local/share unless XDG_DATA_HOME names another).
# Usage: packaging/add_to_menu.sh <program folder>
set -euo pipefail

program="$1"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
icon="$program/dravesse.png"

# The theme files an icon under its size, read from the PNG header (width and height, big-endian).
read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4, (($5 * 256 + $6) * 256 + $7) * 256 + $8 }')
install -D -m 644 "$icon" "$data/icons/hicolor/${width}x${height}/apps/dravesse.png"
touch "$data/icons/hicolor"   # tells icon caches that the theme changed

# The menu's entry is the installed one, finding its icon in the theme by name.
mkdir -p "$data/applications"
sed 's/^Icon=.*/Icon=dravesse/' "$program/dravesse.desktop" >"$data/applications/dravesse.desktop.new"
mv "$data/applications/dravesse.desktop.new" "$data/applications/dravesse.desktop"
if command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$data/applications" || true
fi
