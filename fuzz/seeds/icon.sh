# ICO and CUR.
mkdir -p icon
convert -size 16x16 gradient:red-blue icon/one.ico
convert -size 16x16 gradient:red-blue $ramp icon/alpha.ico
