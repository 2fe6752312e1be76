#!/usr/bin/env bash
# Packs the show's data set (data/, or the directory given as the first argument) into the
# archive "demo.dat" in the working directory. The player mounts demo.dat and data/ at the
# same root, so files keep their paths relative to data/. Shaders, scripts and tables are
# deflated; already-compressed media (PNG, Ogg) are stored.
set -euo pipefail
src="${1:-$(dirname "$0")/../data}"
out="${2:-demo.dat}"
[ -d "$src" ] || { echo "pack_demo_dat: no directory '$src'" >&2; exit 1; }
python3 - "$src" "$out" <<'PY'
import os, sys, zipfile
src, out = sys.argv[1], sys.argv[2]
stored = {".png", ".ogg", ".mp3", ".jpg", ".jpeg"}
tmp = out + ".tmp"
count = 0
with zipfile.ZipFile(tmp, "w") as z:
    for root, dirs, files in os.walk(src):
        dirs.sort()
        for name in sorted(files):
            if name.startswith("."):
                continue
            path = os.path.join(root, name)
            arc = os.path.relpath(path, src).replace(os.sep, "/")
            method = zipfile.ZIP_STORED if os.path.splitext(name)[1].lower() in stored else zipfile.ZIP_DEFLATED
            z.write(path, arc, compress_type=method)
            count += 1
os.replace(tmp, out)
print("pack_demo_dat: %d files -> %s (%d bytes)" % (count, out, os.path.getsize(out)))
PY
