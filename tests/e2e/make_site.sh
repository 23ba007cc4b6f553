#!/usr/bin/env bash
# Lays out a publisher's folder for `pankor-publish serve`: a catalog signed with KEY (three apps,
# two games, three skins, the manager's own entry), the installers, screenshots and web pages.
# usage: make_site.sh SITE BASE_URL FIXTURES(the built Windows programs) KIT KEY [MANAGER_VERSION]
set -euo pipefail
site="$1" base="$2" fixtures="$3" kit="$4" key="$5" self_version="${6:-1.0.0.1}"
mkdir -p "$site/pankor" "$site/apps" "$site/shots"
cp "$fixtures/clock-setup.exe" "$fixtures/pankor-setup.exe" "$site/apps/"
for s in "marbles 3f9e6b ring" "tiles c0503a grid" "clock-night 23324f clock" "clock-paper d9c9a3 clock" "jotter-ink 1d2a44 lines"; do
  read -r name colour shape <<<"$s"
  [ -f "$site/shots/$name.png" ] ||
    python3 "$(dirname "$0")/fixtures/make_art.py" shot "$site/shots/$name.png" "$colour" "$shape" 480 270
done
for page in "" clock jotter sketchpad marbles tiles; do
  mkdir -p "$site/$page"
  printf '<!DOCTYPE html><title>Tarnwick %s</title><p>Tarnwick %s</p>\n' "$page" "$page" >"$site/$page/index.html"
done
cat >"$site/pankor/catalog.json" <<JSON
{
  "serial": 42,
  "pankor": {"version": "$self_version", "url": "$base/apps/pankor-setup.exe", "sha": "$("$kit" hash "$site/apps/pankor-setup.exe")"},
  "apps": [
    {"slug": "clock", "name": "Tarnwick Clock", "desc": "A desk clock with alarms, timers and world time.",
     "exe": "Tarnwick\\\\Clock\\\\clock.exe", "latest": "2.1.0.0", "page": "$base/clock/", "url": "$base/apps/clock-setup.exe",
     "sha": "$("$kit" hash "$site/apps/clock-setup.exe")", "headline": "Alarms that wake you gently", "notes": "$base/clock/"},
    {"slug": "jotter", "name": "Jotter", "desc": "Quick notes that stay on top of your desktop.", "exe": "Tarnwick\\\\Jotter\\\\jotter.exe",
     "latest": "1.4.0.0", "page": "$base/jotter/", "headline": "Notes at hand", "notes": "$base/jotter/"},
    {"slug": "sketchpad", "name": "Sketchpad", "desc": "Draw, doodle and annotate screenshots.",
     "exe": "Tarnwick\\\\Sketchpad\\\\sketchpad.exe", "latest": "3.0.0.0", "page": "$base/sketchpad/", "headline": "New: layers"}
  ],
  "games": [
    {"slug": "marbles", "name": "Marbles", "desc": "Roll the marbles home before the clock runs out.", "exe": "Tarnwick\\\\Marbles\\\\marbles.exe",
     "latest": "1.2.0.0", "page": "$base/marbles/", "shot": "$base/shots/marbles.png", "requires": "Windows 7 or later"},
    {"slug": "tiles", "name": "Tiles", "desc": "A calm puzzle of sliding tiles.", "exe": "Tarnwick\\\\Tiles\\\\tiles.exe",
     "latest": "1.0.0.0", "page": "$base/tiles/", "shot": "$base/shots/tiles.png", "requires": "Any Windows"}
  ],
  "skins": [
    {"name": "Night", "forApp": "clock", "author": "Tarnwick", "shot": "$base/shots/clock-night.png", "url": "$base/clock/"},
    {"name": "Paper", "forApp": "clock", "author": "Ada P.", "shot": "$base/shots/clock-paper.png", "url": "$base/clock/"},
    {"name": "Ink", "forApp": "jotter", "author": "Tarnwick", "shot": "$base/shots/jotter-ink.png", "url": "$base/jotter/"}
  ]
}
JSON
"$kit" sign "$site/pankor/catalog.json" --key "$key" >/dev/null
