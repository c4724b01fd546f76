# ICO and CUR: bitmap entries of every depth, with and without alpha, a mask,
# several sizes, PNG entries.
mkdir -p icon
convert -size 16x16 gradient:red-blue icon/one.ico
convert -size 16x16 gradient:red-blue $ramp icon/alpha.ico
convert $src -colors 2 -type Palette icon/pal1.ico
convert $src -alpha set -channel A -fx 'i<3?0:1' +channel -colors 16 icon/pal4-mask.ico
convert rose: -resize 16x16! -colors 200 -type Palette icon/pal8.ico
convert $src $ramp -define icon:auto-resize=32,16 icon/sizes.ico
# ImageMagick writes PNG entries for 256 x 256 only.
convert -size 256x256 xc:red -define icon:auto-resize=256,16 icon/png-256.ico
# A small PNG entry, by hand: directory, then the PNG.
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24)))"; }
convert $src $ramp $plain png:icon/entry.png
{
  printf '\x00\x00\x01\x00\x01\x00' # reserved, type 1, one entry
  printf '\x0c\x09\x00\x00\x01\x00\x20\x00' # 12 x 9, planes 1, 32 bits
  le32 "$(stat -c %s icon/entry.png)"
  le32 22
  cat icon/entry.png
} > icon/png-small.ico
rm icon/entry.png
# Cursors: type 2, and a hotspot (3, 5) where planes and bits were.
for name in alpha pal4-mask; do
  cp icon/$name.ico icon/$name.cur
  printf '\x02' | dd of=icon/$name.cur bs=1 seek=2 conv=notrunc status=none
  printf '\x03\x00\x05\x00' | dd of=icon/$name.cur bs=1 seek=10 conv=notrunc status=none
done
