# PNG: every colour type and depth, interlaced, palette with transparency.
mk png grey1.png $src -colorspace Gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1 $plain
mk png grey8.png $src -colorspace Gray -define png:color-type=0 $plain
mk png grey16.png $src -colorspace Gray -depth 16 -define png:color-type=0 -define png:bit-depth=16 $plain
mk png greyalpha.png $src -colorspace Gray $ramp -define png:color-type=4 $plain
mk png rgb.png $src -define png:color-type=2 $plain
mk png rgba16i.png $src -depth 16 -interlace PNG $ramp -define png:bit-depth=16 $plain
mk png palette4.png $src -colors 16 -define png:color-type=3 -define png:bit-depth=4 $plain
convert $src $ramp -colors 8 $plain png8:png/palette-trns.png

