# PCX: 1-bit, 8-bit with palette, 24-bit.
mkdir -p pcx
convert $src -monochrome pcx/mono.pcx
convert $src -colors 64 -type Palette pcx/palette.pcx
convert $src -type TrueColor pcx/rgb.pcx
