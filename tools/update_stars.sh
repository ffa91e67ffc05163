#!/usr/bin/env bash
# Renews data/stars.csv from KStars' stars.dat. The package is only downloaded
# and unpacked into a temporary folder, never installed. Needs a built
# build/bin/extract_stars (or give the build folder as $1).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get download kstars-data >/dev/null)
dpkg-deb -x "$work"/kstars-data_*.deb "$work/x"
"$build/bin/extract_stars" "$work/x/usr/share/kstars/stars.dat" "$root/data/stars.csv"
