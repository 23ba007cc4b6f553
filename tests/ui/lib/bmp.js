'use strict';
// 64 x 64 24-bit Windows bitmaps like the host's icon cache: a rounded tile of colour
// with a light disc, over the host's dark icon background.
function iconBmp(rgb) {
  const w = 64;
  const h = 64;
  const row = w * 3;
  const size = 54 + row * h;
  const b = Buffer.alloc(size);
  b.write('BM', 0, 'ascii');
  b.writeUInt32LE(size, 2);
  b.writeUInt32LE(54, 10);
  b.writeUInt32LE(40, 14);
  b.writeInt32LE(w, 18);
  b.writeInt32LE(h, 22);
  b.writeUInt16LE(1, 26);
  b.writeUInt16LE(24, 28);
  b.writeUInt32LE(row * h, 34);
  for (let y = 0; y < h; y++) {
    for (let x = 0; x < w; x++) {
      const dx = Math.max(0, Math.abs(x - 31.5) - 20);
      const dy = Math.max(0, Math.abs(y - 31.5) - 20);
      const tile = dx * dx + dy * dy <= 81;
      const disc = (x - 38) * (x - 38) + (y - 38) * (y - 38) <= 110;
      let c = [0x0d, 0x11, 0x19];
      if (tile) c = disc ? [240, 244, 250] : rgb;
      const o = 54 + y * row + x * 3;
      b[o] = c[2];
      b[o + 1] = c[1];
      b[o + 2] = c[0];
    }
  }
  return b;
}
module.exports = { iconBmp };
