#!/usr/bin/env bash
# Starts the real program under Xvfb and saves a PNG of its window.
# Usage: tools/screenshot.sh [out.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-screenshot.png}"
[ -x build/src/FDispatch ] || ./scripts/build.sh
tmp=$(mktemp -d)
export FDISPATCH_LOCK_DIR="$tmp"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  ./build/src/FDispatch & pid=$!
  for i in $(seq 1 50); do
    id=$(xwininfo -root -tree 2>/dev/null | grep "岚拓文件分发助手" | awk "{print \$1}" | head -n1)
    [ -n "$id" ] && break
    sleep 0.2
  done
  sleep 1
  if [ -n "$id" ]; then import -window "$id" "'"$out"'"; else import -window root "'"$out"'"; fi
  kill $pid
'
rm -rf "$tmp"
echo "saved $out"
