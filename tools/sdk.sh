#!/usr/bin/env bash
# make sdk: the SDK archive ZelkanGE-<version>-sdk.zip, packed by CPack from
# a 32-bit and a 64-bit build tree (their install component "sdk", see
# cmake/sdk.cmake). Prints the archive's path last.
#   ZGE_SDK_TREES  the two trees under build/ (default "win32 win64"); a
#                  tree named like h1-win64 is configured from preset win64
#   ZGE_SDK_OUT    where the archive goes (default build/sdk)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
read -r -a trees <<<"${ZGE_SDK_TREES:-win32 win64}"
out=${ZGE_SDK_OUT:-$root/build/sdk}
jobs=${JOBS:-2}

projects=()
for tree in "${trees[@]}"; do
  dir=$root/build/$tree
  if [[ ! -f $dir/CMakeCache.txt ]]; then
    (cd "$root" && cmake --preset "${tree##*-}" -B "$dir" >/dev/null)
  fi
  cmake --build "$dir" -j"$jobs" --target zge_sdk
  projects+=("$dir" ZelkanGE sdk /)
done

mkdir -p "$out"
rm -f "$out"/ZelkanGE-*-sdk.zip
# The package settings of the last tree, with both trees' files.
config=$out/CPackSDK.cmake
{
  echo "include(\"$root/build/${trees[-1]}/CPackConfig.cmake\")"
  echo "set(CPACK_INSTALL_CMAKE_PROJECTS \"$(IFS=';'; echo "${projects[*]}")\")"
} >"$config"
(cd "$out" && cpack --config "$config" -B "$out" >"$out/cpack.log") || {
  cat "$out/cpack.log" >&2
  exit 1
}
archive=$(ls "$out"/ZelkanGE-*-sdk.zip)
echo "sdk: $archive"
