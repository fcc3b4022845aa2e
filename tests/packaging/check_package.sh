#!/usr/bin/env bash
# Builds the Debian package, checks its dependencies and contents, starts the program
# unpacked into a scratch root, and runs lintian on it.
# Usage: check_package.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 appid=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb -I "$deb"

# Every library a packaged program links is a dependency (dpkg-shlibdeps), as are
# those loaded at run time (named by hand).
depends=$(dpkg-deb -f "$deb" Depends)
has_dep() { tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }' | grep -qxF "$1" || fail "Depends lacks $1"; }
owner() { # the package holding a library file, with or without the /usr prefix
  dpkg -S "$1" 2>/dev/null || dpkg -S "/usr$1" 2>/dev/null || dpkg -S "${1#/usr}" 2>/dev/null || true
}
for p in libmediainfo0v5 qt6-qpa-plugins; do has_dep "$p"; done

root=$scratch/root
dpkg -x "$deb" "$root"
files=(usr/bin/FDispatch usr/bin/STRebooter "usr/share/applications/$appid.desktop" "usr/share/metainfo/$appid.metainfo.xml"
       "usr/share/icons/hicolor/scalable/apps/$appid.svg" usr/share/man/man1/FDispatch.1.gz)
for s in 16 24 32 48 64 128 256; do files+=("usr/share/icons/hicolor/${s}x$s/apps/$appid.png"); done
for f in "${files[@]}"; do [ -e "$root/$f" ] || fail "package lacks $f"; done
for s in 16 256; do
  [ "$(file -b "$root/usr/share/icons/hicolor/${s}x$s/apps/$appid.png" | grep -o "$s x $s")" = "$s x $s" ] \
    || fail "icon of size $s is not $s x $s"
done
for exe in "$root"/usr/bin/*; do
  while read -r lib; do
    path=$(ldd "$exe" | awk -v l="$lib" '$1 == l { print $3 }')
    [ -n "$path" ] || fail "$exe: $lib not found"
    pkg=$(owner "$path" | head -n1 | cut -d: -f1)
    [ -n "$pkg" ] || fail "$exe: no package holds $path"
    has_dep "$pkg"
  done < <(readelf -d "$exe" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | grep -v '^ld-linux')
done
appstreamcli validate-tree --no-net "$root"

help_want="$root/usr/share/fdispatch/帮助.chm"
cmp "$here/../../data/帮助.chm" "$help_want" || fail "help document not packaged"
[ -e "$root/usr/share/mime/packages/fdispatch-help-mime.xml" ] || fail "help document's MIME rule not packaged"

# The unpacked program starts, finds its help, shows its window and, being an
# installed copy, writes in the user's data location even as root.
export XDG_DATA_HOME=$scratch/data FDISPATCH_LOCK_DIR=$scratch FDISPATCH_STARTUP_REPORT=1
out=$(timeout 60 "$root/usr/bin/FDispatch")
echo "$out"
grep -qx "window: 岚拓文件分发助手" <<<"$out" || fail "window not shown"
grep -qx "help: $help_want" <<<"$out" || fail "help document not found as $help_want"
grep -qx "writes: $scratch/data/FDispatch" <<<"$out" || fail "writes outside the user's data location"
[ -d "$scratch/data/FDispatch" ] || fail "data location not created"

# Lintian: warnings and errors fail; the rest is shown.
lintian --info --display-info --fail-on error,warning "$deb"
