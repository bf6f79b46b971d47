#!/bin/sh
# Draws the about box animation, a book whose right page turns over, and
# writes it as dict.avi: uncompressed 32-bit frames, which every MCI player
# shows without a codec. (Wine's player garbles 24- and 16-bit ones.) DPI
# draws it for that display scale: 144x108 pixels at 96, DPI / 96 times that
# at others (ImageMagick draws vector art at -density / 96 times its size).
#   dict-anim.sh OUT.avi WORKDIR [DPI]
set -eu
CONVERT=${CONVERT:-convert}
FFMPEG=${FFMPEG:-ffmpeg}
out=$1
work=$2
dpi=${3:-96}
frames=24   # 12 per second: the page turns in 20, then a short rest
rm -rf "$work"
mkdir -p "$work"

awk -v frames="$frames" -v dir="$work" '
function page(x0, dx,    i, s) {
  # a resting page: spine at x0, outer edge dx away, corners a little raised
  printf "fill #FFFDF4 polygon %d,34 %d,30 %d,84 %d,88\n", x0, x0 + dx, x0 + dx, x0 >> f
  printf "stroke #B8B0A0 stroke-width 1.5\n" >> f
  for (i = 0; i < 6; i++) {
    s = (i % 3 == 2) ? 0.55 : 0.8
    printf "line %.1f,%.1f %.1f,%.1f\n", x0 + dx * 0.14, 42 + 7 * i - 0.5, x0 + dx * s, 42 + 7 * i - 3.5 * s >> f
  }
  printf "stroke #5A3A20 stroke-width 1\nfill none polygon %d,34 %d,30 %d,84 %d,88\nstroke none\n", x0, x0 + dx, x0 + dx, x0 >> f
}
BEGIN {
  pi = 3.14159265
  for (n = 0; n < frames; n++) {
    f = sprintf("%s/f%03d.mvg", dir, n)
    printf "viewbox 0 0 144 108\nfill #DCE8F4 rectangle 0,0 144,108\n" > f
    printf "fill #B8C4D0 ellipse 72,96 66,7 0,360\n" >> f
    printf "fill #7A1712 stroke #3A1E08 polygon 72,40 10,35 10,91 72,96 134,91 134,35\nstroke none\n" >> f
    page(72, -58); page(72, 58)

    # the turning page bends: its outer part lags behind the spine
    t = n / 20; if (t > 1) t = 1
    th = pi * (1 - cos(pi * t)) / 2
    x = 72; z = 0; steps = 8
    for (j = 0; j <= steps; j++) {
      px[j] = x; pz[j] = z
      phi = th - 0.9 * sin(th) * (j + 0.5) / steps
      x += 58 / steps * cos(phi); z += 58 / steps * sin(phi)
      ph[j] = phi
    }
    if (th > 0 && th < pi) {
      for (j = 0; j < steps; j++) {
        c = cos(ph[j]); if (c < 0) c = -c
        g = int(170 + 80 * c)
        u0 = j / steps; u1 = (j + 1) / steps
        printf "fill rgb(%d,%d,%d) stroke rgb(%d,%d,%d) stroke-width 0.6 ", g, g, g - 12, g, g, g - 12 >> f
        printf "polygon %.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f\n", \
          px[j], 34 - 4 * u0 - 0.45 * pz[j], px[j+1], 34 - 4 * u1 - 0.45 * pz[j+1], \
          px[j+1], 88 - 4 * u1 - 0.15 * pz[j+1], px[j], 88 - 4 * u0 - 0.15 * pz[j] >> f
        if (j >= 1 && j <= 6) {
          printf "stroke rgb(%d,%d,%d) stroke-width 1.2\n", g - 60, g - 62, g - 72 >> f
          for (i = 0; i < 6; i++) {
            v = (42 + 7 * i - 34) / 54
            printf "line %.1f,%.1f %.1f,%.1f\n", \
              px[j], (34 - 4 * u0 - 0.45 * pz[j]) * (1 - v) + (88 - 4 * u0 - 0.15 * pz[j]) * v, \
              px[j+1], (34 - 4 * u1 - 0.45 * pz[j+1]) * (1 - v) + (88 - 4 * u1 - 0.15 * pz[j+1]) * v >> f
          }
        }
        printf "stroke none\n" >> f
      }
    }
    printf "stroke #3A1E08 stroke-width 2 line 72,34 72,88\n" >> f
    close(f)
  }
}'

n=0
while [ "$n" -lt "$frames" ]; do
  i=$(printf %03d "$n")
  "$CONVERT" -density "$dpi" "mvg:$work/f$i.mvg" -density 0 -type TrueColor -depth 8 "$work/f$i.png"
  n=$((n + 1))
done
# AVI frames are DIBs, bottom row first. ffmpeg stores raw frames top-down
# (negative height) unless told otherwise, and not every player takes that.
"$FFMPEG" -loglevel error -y -framerate 12 -i "$work/f%03d.png" -vf vflip \
  -c:v rawvideo -pix_fmt bgra -flipped_raw_rgb 1 -f avi "$out.tmp"
mv "$out.tmp" "$out"
