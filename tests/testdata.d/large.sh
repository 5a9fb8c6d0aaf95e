#!/bin/sh
# A picture too large for what is left of a crowded 32-bit address space but
# small on disk: 8000 x 5000 flat grey (0x80) at 24 bits, 120 MB of pixels,
# made by netpbm (the rows are streamed, nothing that size is held).
# Usage: large.sh OUTDIR
set -eu
ppmmake rgb:80/80/80 8000 5000 | pnmtopng -force > "$1/large_flat.png"
