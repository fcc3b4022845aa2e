#!/usr/bin/env bash
# The menu entry and the AppStream metadata pass their validators.
# Usage: check_metadata.sh DESKTOP_FILE METAINFO_FILE
set -euo pipefail
desktop-file-validate "$1"
appstreamcli validate --no-net "$2"
