# GIF: still, transparent, animated, interlaced.
mkdir -p gif
convert $src -colors 16 gif/still.gif
convert $src -colors 16 -transparent red gif/transparent.gif
convert -delay 5 -size 8x6 xc:red xc:green xc:blue -loop 0 gif/animated.gif
convert $src -colors 16 -interlace GIF gif/interlaced.gif
