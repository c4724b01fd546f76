# PCX: 8 bits with the end palette, 24 and 32 bits; 1 bit in one plane and
# in four, made by hand (ImageMagick writes even black and white with 8 bits).
mkdir -p pcx
convert $src -colors 64 -type Palette pcx/palette.pcx
convert $src -type TrueColor pcx/rgb.pcx
convert $src $ramp pcx/rgba.pcx

# A 16 x 4 header of 1 bit per pixel: planes, then the 16-colour palette.
pcx_head() {
  printf '\x0a\x03\x01\x01\x00\x00\x00\x00\x0f\x00\x03\x00\x48\x00\x48\x00'
  for i in {0..15}; do printf "\\x$(printf %02x $((i * 16)))\\x$(printf %02x $((255 - i * 16)))\\x$(printf %02x $((i * 8)))"; done
  printf "\\x00\\x$1\\x02\\x00\\x01\\x00"
  head -c 58 /dev/zero
}
# Two bytes a line; 0xC0 and up are runs (count in the low six bits, then the byte).
{ pcx_head 01; printf '\xc2\xff\x00\x7f\x55\x2a\xc1\xc3\x0f'; } > pcx/mono.pcx
# Four planes of two bytes a line; the first run crosses into the second line.
{ pcx_head 04; printf '\xc9\x0f\x01\x02\x03\x04\x05\x06\x07\xd0\x33'; } > pcx/ega.pcx
