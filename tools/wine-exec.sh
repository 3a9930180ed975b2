#!/usr/bin/env bash
# The cross-compiling emulator of the Windows test targets: runs a Windows
# program of the given bitness (32 or 64) under the right Wine loader.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"
bits=$1
shift
if [[ $bits == 64 ]]; then
  exec "$WINE64_LOADER" "$@"
fi
exec "$WINE32_LOADER" "$@"
