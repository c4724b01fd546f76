# The signature front gets a few of every format (runs last).
mkdir -p front
for d in */; do [ "$d" = front/ ] || ls "$d" | head -3 | while read -r f; do cp "$d$f" "front/${d%/}-$f"; done; done
