#!/usr/bin/env bash
# Writes the 32x32 icon of the icon fixture: a square of 16x16 pixels in the
# middle, its upper half orange (E04020) and its lower half blue (20C0F0),
# everything around it fully transparent. The halves tell a picture stored
# upside down, the colours one with red and blue swapped.
# Usage: make-test-icon.sh <out.ico>
set -euo pipefail
out="$1"

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }

size=32
pixels=$((size * size * 4))
mask=$((size * 4))            # one bit a pixel, rows already a multiple of 4 bytes
image=$((40 + pixels + mask))

{
  # Icon directory with one entry: 32x32, 32 bits a pixel, image at offset 22.
  printf "$(le16 0)$(le16 1)$(le16 1)"
  printf "\\x$(printf %02x $size)\\x$(printf %02x $size)\\x00\\x00$(le16 1)$(le16 32)$(le32 $image)$(le32 22)"
  # The image's header: twice the height, for the colour and the mask rows.
  printf "$(le32 40)$(le32 $size)$(le32 $((size * 2)))$(le16 1)$(le16 32)$(le32 0)$(le32 $((pixels + mask)))"
  printf "$(le32 0)$(le32 0)$(le32 0)$(le32 0)"
  # Colour rows, bottom row first; pixels are blue, green, red, alpha.
  for ((y = size - 1; y >= 0; y--)); do
    row=""
    for ((x = 0; x < size; x++)); do
      if ((x >= 8 && x < 24 && y >= 8 && y < 16)); then row+='\x20\x40\xe0\xff'
      elif ((x >= 8 && x < 24 && y >= 16 && y < 24)); then row+='\xf0\xc0\x20\xff'
      else row+='\x00\x00\x00\x00'
      fi
    done
    printf "$row"
  done
  # Mask rows, bottom row first: 1 keeps what is under the icon.
  for ((y = size - 1; y >= 0; y--)); do
    if ((y >= 8 && y < 24)); then printf '\xff\x00\x00\xff'; else printf '\xff\xff\xff\xff'; fi
  done
} >"$out"
