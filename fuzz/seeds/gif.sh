# GIF: still, transparent, interlaced, 87a; animations with every disposal,
# local colour tables, offsets and delays.
mkdir -p gif
convert $src -colors 16 gif/still.gif
convert $src -colors 16 -transparent red gif/transparent.gif
convert $src -colors 16 -interlace GIF gif/interlaced.gif
convert $src -colors 4 gif87:gif/still87a.gif
convert -delay 5 -size 8x6 xc:red xc:green xc:blue -loop 0 gif/animated.gif
convert -delay 0 -dispose None $src -colors 8 -delay 1 -dispose Background -page +2+2 -size 4x3 xc:red \
  -delay 7 -dispose Previous -page +6+1 -size 5x5 xc:blue -dispose None -page +1+5 -size 3x3 xc:green \
  -loop 2 gif/disposals.gif
convert -delay 3 $src -colors 8 \( $src -negate -colors 4 -repage +3+2 \) -interlace GIF gif/local-tables.gif
