#!/usr/bin/env bash
# Builds the Debian package, checks its dependencies and contents, starts the program
# unpacked into a scratch root, and runs lintian on it.
# Usage: check_package.sh BUILD_DIR APP_ID HAS_COMPANION(0|1)
set -euo pipefail
build=$1 appid=$2 companion=$3
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb -I "$deb"

# Libraries come from dpkg-shlibdeps; what is loaded at run time is named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
want=(libqt6widgets6 libqt6network6 libexiv2 libopencc libicu libmediainfo0v5 qt6-qpa-plugins)
[ "$companion" = 1 ] && want+=(libarchive)
for p in "${want[@]}"; do
  grep -q "$p" <<<"$depends" || fail "Depends lacks $p"
done

root=$scratch/root
dpkg -x "$deb" "$root"
files=(usr/bin/FDispatch "usr/share/applications/$appid.desktop" "usr/share/metainfo/$appid.metainfo.xml"
       "usr/share/icons/hicolor/scalable/apps/$appid.svg" usr/share/man/man1/FDispatch.1.gz)
for s in 16 24 32 48 64 128 256; do files+=("usr/share/icons/hicolor/${s}x$s/apps/$appid.png"); done
[ "$companion" = 1 ] && files+=(usr/bin/STRebooter)
for f in "${files[@]}"; do [ -e "$root/$f" ] || fail "package lacks $f"; done
for s in 16 256; do
  [ "$(file -b "$root/usr/share/icons/hicolor/${s}x$s/apps/$appid.png" | grep -o "$s x $s")" = "$s x $s" ] \
    || fail "icon of size $s is not $s x $s"
done
appstreamcli validate-tree --no-net "$root"

# The help document travels with the package once the repository has it.
help_want=
if [ -e "$here/../../data/帮助.chm" ]; then
  help_want="$root/usr/share/fdispatch/帮助.chm"
  cmp "$here/../../data/帮助.chm" "$help_want" || fail "help document not packaged"
fi

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
