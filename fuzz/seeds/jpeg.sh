# JPEG: grey, colour, progressive, CMYK, restart markers, an EXIF orientation.
mk jpeg grey.jpg $src -colorspace Gray -quality 70
mk jpeg colour420.jpg $src -quality 70 -sampling-factor 2x2
mk jpeg colour444.jpg -size 17x11 gradient:green-yellow -quality 70 -sampling-factor 1x1
mk jpeg progressive.jpg -size 40x24 gradient:red-blue -quality 70 -interlace JPEG
mk jpeg cmyk.jpg $src -colorspace CMYK -quality 70
mk jpeg restart.jpg -size 40x24 gradient:red-blue -quality 70 -define jpeg:restart-interval=1
# An EXIF orientation, so that the orientation code is reached.
python3 - jpeg/colour420.jpg jpeg/exif6.jpg <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
tiff = b'MM' + struct.pack('>HIH', 42, 8, 1) + struct.pack('>HHIHH', 0x112, 3, 1, 6, 0) + struct.pack('>I', 0)
payload = b'Exif\0\0' + tiff
open(sys.argv[2], 'wb').write(d[:2] + b'\xff\xe1' + struct.pack('>H', len(payload) + 2) + payload + d[2:])
PY


# The first-scan reader of progressive files: sizes, samplings, restarts.
mkdir -p jpeg_dc
convert -size 40x24 gradient:red-blue -quality 70 -interlace JPEG jpeg_dc/p420.jpg
convert -size 33x17 gradient:green-yellow -quality 70 -interlace JPEG -sampling-factor 2x1 jpeg_dc/p422.jpg
convert -size 24x24 gradient:red-blue -quality 70 -interlace JPEG -sampling-factor 1x1 jpeg_dc/p444.jpg
convert -size 40x24 gradient:red-blue -colorspace Gray -quality 70 -interlace JPEG jpeg_dc/grey.jpg
convert -size 64x32 gradient:red-blue -quality 70 -interlace JPEG -define jpeg:restart-interval=1 jpeg_dc/restart.jpg
# The same reader over sequential files: every AC code passed over, long
# codes and blocks without an end of block (noise at quality 100), restarts.
convert -size 40x24 gradient:red-blue -quality 70 jpeg_dc/s420.jpg
convert -size 33x17 gradient:green-yellow -quality 70 -sampling-factor 2x1 jpeg_dc/s422.jpg
convert -size 24x16 xc:gray50 -attenuate 0.5 +noise Gaussian -quality 100 -sampling-factor 1x1 jpeg_dc/s444-noise.jpg
convert -size 40x24 gradient:red-blue -colorspace Gray -quality 70 jpeg_dc/s-grey.jpg
convert -size 64x32 gradient:red-blue -quality 70 -define jpeg:restart-interval=1 jpeg_dc/s-restart.jpg
