#!/usr/bin/env bash
# Installs what is missing, builds in build/ and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
./scripts/build.sh
exec ./build/src/FDispatch "$@"
