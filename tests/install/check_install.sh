#!/usr/bin/env bash
# The programs as a user gets them: installed by `cmake --install` into a
# fresh prefix (prefix), or from the Debian package unpacked with dpkg -x
# (package). With no NOVAMIR_DATA they render the demo from the installed
# data byte for byte as the build's own renderer does; every program answers
# --version and --help and has a manual page that man reads without a warning
# and a bash completion.
#   check_install.sh prefix|package BUILD_DIR TEST_DATA_DIR VERSION
# CMAKE and CPACK name the tools of the build (default: those on PATH).
set -euo pipefail
mode=$1 build=$(cd "$2" && pwd) data=$(cd "$3" && pwd) version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if [ "$mode" = package ]; then
    "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; exit 1; }
    deb=$work/pkg/novamir_${version}_$(dpkg --print-architecture).deb
    [ -f "$deb" ] || { ls "$work/pkg" >&2; echo "FAIL: no $deb" >&2; exit 1; }
    dpkg-deb -f "$deb" Depends | grep -q liballegro4 || fail "Depends lacks the graphics library: $(dpkg-deb -f "$deb" Depends)"
    dpkg-deb -x "$deb" "$work/root"
    root=$work/root/usr
    # Programs, data, pages, completions and notices; no headers, libraries or tests.
    extra=$(cd "$work/root" && find . -type f | grep -vE '^\./usr/(bin/novamir[a-z-]*|share/(novamir|man/man1|doc/novamir|bash-completion/completions)/.*)$' || true)
    [ -z "$extra" ] || fail "the package holds files it should not: $extra"
    [ -f "$root/share/doc/novamir/copyright" ] || fail "no copyright file"
else
    root=$work/prefix
    "${CMAKE:-cmake}" --install "$build" --prefix "$root" >/dev/null
fi

# Every program: --version and --help on stdout with status 0 (no display
# needed), a manual page, a completion.
programs=$(cd "$root/bin" && ls)
[ -n "$programs" ] || fail "no programs installed"
for p in $programs; do
    out=$(env -u DISPLAY -u NOVAMIR_DATA "$root/bin/$p" --version 2>/dev/null) || fail "$p --version: status $?"
    [ "$out" = "$p $version" ] || fail "$p --version printed \"$out\""
    out=$(env -u DISPLAY -u NOVAMIR_DATA "$root/bin/$p" --help 2>/dev/null) || fail "$p --help: status $?"
    [[ $out == "usage: $p"* ]] || fail "$p --help printed \"${out:0:60}\""
    [ -f "$root/share/man/man1/$p.1.gz" ] || fail "$p has no manual page"
    [ -f "$root/share/bash-completion/completions/$p" ] || fail "$p has no bash completion"
done
[ -x "$root/share/novamir/examples/render-array.sbatch" ] || fail "the Slurm array script is not installed"
for page in "$root"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "${page##*/}: $warnings"
done

# The completion offers what the program's --help names: commands as the
# first word, options after a dash.
while IFS='|' read -r program cur want; do
    got=$(PATH="$root/bin:$PATH" bash -c '
        source "$0/share/bash-completion/completions/$1"
        COMP_WORDS=("$1" "$2") COMP_CWORD=1
        _novamir_complete
        echo "${COMPREPLY[*]}"' "$root" "$program" "$cur")
    [ "$got" = "$want" ] || fail "completing \"$program $cur\" gave \"$got\", not \"$want\""
done <<'CASES'
novamir-project||build dump new
novamir-render|--vi|--video
novamir-play|--v|--version
novamir-render||
CASES

# The demo from the installed data alone: a folder holding only the project,
# no NOVAMIR_DATA, against the build's renderer on the build's data.
frames=(--frames 20-27)
mkdir "$work/installed" "$work/built"
cp "$root/share/novamir/NOVAMIR.CFG" "$work/installed/"
cp "$data/NOVAMIR.CFG" "$work/built/"
(cd "$work/installed" && env -u NOVAMIR_DATA "$root/bin/novamir-render" --jobs 2 "${frames[@]}" NOVAMIR.CFG) \
    >"$work/installed.log" 2>&1 || { cat "$work/installed.log" >&2; fail "the installed novamir-render failed"; }
(cd "$work/built" && NOVAMIR_DATA=$data "$build/bin/novamir-render" --jobs 2 "${frames[@]}" NOVAMIR.CFG) \
    >"$work/built.log" 2>&1 || { cat "$work/built.log" >&2; fail "the build's novamir-render failed"; }
rm "$work/installed/NOVAMIR.CFG" "$work/built/NOVAMIR.CFG"
[ "$(ls "$work/installed" | wc -l)" -ge 8 ] || fail "the installed renderer wrote $(ls "$work/installed" | wc -l) files"
diff -r "$work/installed" "$work/built" >/dev/null || fail "the frames differ: $(diff -rq "$work/installed" "$work/built" | head -3)"

# Nothing of the build tree reaches an installed program: without its own
# samples it misses the demo's pictures rather than finding the build's.
if [ "$mode" = prefix ]; then
    rm -r "$root/share/novamir/samples"
    mkdir "$work/alone"
    cp "$root/share/novamir/NOVAMIR.CFG" "$work/alone/"
    if (cd "$work/alone" && env -u NOVAMIR_DATA "$root/bin/novamir-render" --jobs 1 --frame 20 NOVAMIR.CFG) \
        >"$work/alone.log" 2>&1; then
        fail "the installed novamir-render found pictures outside its own tree"
    fi
fi

[ "$failures" -eq 0 ] || exit 1
echo "$mode: $(echo $programs | wc -w) programs checked, frames identical"
