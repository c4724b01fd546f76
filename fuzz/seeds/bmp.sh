# BMP: ImageMagick's versions 2, 3 and 4/5, palettes, masks, RLE8.
mkdir -p bmp
convert $src bmp3:bmp/v3-24.bmp
convert $src -colors 16 -type Palette bmp3:bmp/v3-4.bmp
convert $src -colors 200 -type Palette bmp3:bmp/v3-8.bmp  # RLE8, as ImageMagick writes 8 bits
convert $src -colors 200 -type Palette -compress None bmp3:bmp/v3-8-plain.bmp
convert $src -type bilevel bmp3:bmp/v3-1.bmp
convert $src bmp2:bmp/v2-24.bmp
convert $src -colors 16 -type Palette bmp2:bmp/v2-4.bmp
convert $src -colors 200 -type Palette bmp2:bmp/v2-8.bmp
convert $src $ramp bmp:bmp/v5-32.bmp
convert $src -define bmp:subtype=RGB565 bmp:bmp/v5-565.bmp
# What ImageMagick does not write, by hand, in hex: file header | info
# header | masks or palette | pixels; 00*N is N zero bytes.
hex() {
  local out=$1 h='' t
  shift
  for t in "$@"; do
    case $t in
      *'*'*) h+=$(printf "%0$((2 * ${t#*\*}))d" 0) ;;
      *) h+=$t ;;
    esac
  done
  printf "$(echo "$h" | sed -E 's/([0-9a-f]{2})/\\x\1/g')" > "$out"
}
# RLE4, 5 x 2, two colours: a run, an odd absolute stretch, an index past the palette.
hex bmp/rle4.bmp 424d480000000000 00003e000000 \
  28000000 05000000 02000000 0100 0400 02000000 00*12 02000000 00000000 \
  0000ff00 ff000000 0510 0000 00030170 0001
# RLE8, 4 x 3: a run past the right edge, deltas past the right edge and the top.
hex bmp/rle8-delta.bmp 424d640000000000 000046000000 \
  28000000 04000000 03000000 0100 0800 01000000 00*12 04000000 00000000 \
  0000ff00 00ff0000 ff000000 ffffff00 \
  0601 0000 000302030200 0002c800 0100 0000 00020100 0103 00020005 0500
# OS/2 2.x, 64-byte header, 1 bit, 4 x 2.
hex bmp/os2v2-1.bmp 424d5e0000000000 000056000000 \
  40000000 04000000 02000000 0100 0100 00*48 \
  0000ff00 ffffff00 50000000 a0000000
# 24 bits, 2 x 2, rows from the top.
hex bmp/topdown-24.bmp 424d460000000000 000036000000 \
  28000000 02000000 feffffff 0100 1800 00*24 \
  010203040506 0000 0708090a0b0c 0000
# 32 bits, 2 x 2, four masks after a 40-byte header.
hex bmp/alphabitfields-32.bmp 424d560000000000 000046000000 \
  28000000 02000000 02000000 0100 2000 06000000 00*20 \
  0000ff00 00ff0000 ff000000 000000ff \
  01020300 04050680 070809ff 0a0b0c40
# 16 bits 4-4-4-4 in a V5 header, 2 x 2.
hex bmp/v5-4444.bmp 424d920000000000 00008a000000 \
  7c000000 02000000 02000000 0100 1000 03000000 00*20 \
  000f0000 f0000000 0f000000 00f00000 00*68 \
  0ff0218f 34120000
# OS/2 1.x, 1 bit, 2 x 1, a palette of one entry where two are indexable.
hex bmp/v2-short-palette.bmp 424d210000000000 00001d000000 0c000000 0200 0100 0100 0100 ff0000 40000000
