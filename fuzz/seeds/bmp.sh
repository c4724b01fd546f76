# BMP: ImageMagick's versions 2, 3 and 4, palettes and true colour.
mkdir -p bmp
convert $src bmp3:bmp/v3-24.bmp
convert $src -colors 16 -type Palette bmp3:bmp/v3-4.bmp
convert $src -colors 200 -type Palette bmp3:bmp/v3-8.bmp
convert $src bmp2:bmp/v2-24.bmp
convert $src $ramp bmp:bmp/v5-32.bmp
