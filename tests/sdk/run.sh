#!/usr/bin/env bash
# The SDK stage of make test. Packs the SDK once (tools/sdk.sh), unpacks it
# as a host developer would, and checks it from the outside:
#   sdk-package    the archive's name and contents, each binary's bitness
#   sdk-importlibs the import libraries against the .def and the header
#   sdk-build-*    the C++ consumer and the C example through
#                  find_package(ZelkanGE), and the Pascal example with
#                  Free Pascal, built for that bitness
#   sdk-run-*      those programs run under Wine against the shipped
#                  stand-in
# Each writes build/results/<name>: "passed failed", or "0 0 skipped why".
#   ZGE_SDK_TREES  the build trees to pack (default "win32 win64")
#   ZGE_SDK_TAG    names the work folder build/<tag> and the Wine prefix
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../tools/wine-lib.sh"
tag=${ZGE_SDK_TAG:-sdk}
work=$ZGE_ROOT/build/$tag
results=${ZGE_RESULTS:-$ZGE_ROOT/build/results}
mkdir -p "$results"
jobs=${JOBS:-2}

# record <result> <passed> <failed> [skipped reason]
record() {
  echo "$2 $3${4:+ skipped $4}" >"$results/$1"
}
say() { echo "=== $*"; }

# pass/fail counters of the running stage
passed=0 failed=0
check() {  # check [-l log] <description> <command...>
  local log=""
  if [[ $1 == -l ]]; then
    log=$2
    shift 2
  fi
  local what=$1
  shift
  # With a log, only the command's output goes there: the failure and the
  # log's tail reach the terminal.
  local status=0
  if [[ -n $log ]]; then
    "$@" >>"$log" 2>&1 || status=$?
  else
    "$@" || status=$?
  fi
  if ((status == 0)); then
    passed=$((passed + 1))
  else
    echo "  FAILED: $what"
    [[ -n $log ]] && tail -n 30 "$log"
    failed=$((failed + 1))
  fi
}
finish() {  # finish <result>
  record "$1" "$passed" "$failed"
  say "$1: $passed passed, $failed failed"
  passed=0 failed=0
}

say "sdk: packing"
if ! ZGE_SDK_OUT=$work "$ZGE_ROOT/tools/sdk.sh"; then
  record sdk-package 0 1
  exit 1
fi
archive=$(ls "$work"/ZelkanGE-*-sdk.zip)
rm -rf "$work/unpacked"
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
sdk=$work/unpacked/$(basename "$archive" .zip)

# ---- the package -----------------------------------------------------------
version=$(sed -nE 's/^project\(ZelkanGE VERSION ([0-9.]+).*/\1/p' "$ZGE_ROOT/CMakeLists.txt")
check "the archive is named with the project version $version" \
  test "$(basename "$archive")" == "ZelkanGE-$version-sdk.zip"
expected=(
  README.md include/zelkange.h pascal/zelkange.pas
  lib/cmake/ZelkanGE/ZelkanGEConfig.cmake lib/cmake/ZelkanGE/ZelkanGEConfigVersion.cmake
  docs/reference.md docs/EarthStandIn.md docs/integrating-c.md docs/integrating-cpp.md
  docs/integrating-pascal.md
  examples/c-host/main.c examples/c-host/CMakeLists.txt examples/pascal-host/zgehost.pas
  licences/NOTICES.md licences/coastlines.md licences/blue-marble.txt licences/zlib.txt
  licences/mingw-w64-runtime.txt licences/gcc-runtime.txt
)
for arch in x86 x64; do
  expected+=("bin/$arch/ZelkanGE.dll" "bin/$arch/EarthStandIn.exe"
    "lib/$arch/libZelkanGE.dll.a" "lib/$arch/ZelkanGE.lib")
done
for file in "${expected[@]}"; do
  check "the package holds $file" test -s "$sdk/$file"
done
unexpected=$(cd "$sdk" && find . -type f | sed 's|^\./||' | sort |
  comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
check "the package holds nothing else (found: ${unexpected//$'\n'/ })" test -z "$unexpected"
# PE machine of each binary: a swapped folder would load nowhere.
machine_of() { x86_64-w64-mingw32-objdump -f "$1" | sed -nE 's/.*file format (pei-[a-z0-9-]+).*/\1/p'; }
for file in ZelkanGE.dll EarthStandIn.exe; do
  check "bin/x86/$file is 32-bit" test "$(machine_of "$sdk/bin/x86/$file")" == pei-i386
  check "bin/x64/$file is 64-bit" test "$(machine_of "$sdk/bin/x64/$file")" == pei-x86-64
  for arch in x86 x64; do
    check "bin/$arch/$file is stripped of debug information" \
      bash -c "! x86_64-w64-mingw32-objdump -h '$sdk/bin/$arch/$file' | grep -q '\.debug_'"
  done
done
# The version resources, read without running anything, so that the 32-bit
# binaries are checked too: the numbers, the text, and DLL (2) or program (1).
version_resource() {  # version_resource <binary>: "FILEVERSION text FILETYPE"
  x86_64-w64-mingw32-windres -J coff -O rc -i "$1" 2>/dev/null | awk '
    $1 == "FILEVERSION" { gsub(/ /, ""); sub(/FILEVERSION/, ""); fixed = $0 }
    $1 == "FILETYPE" { type = $2 }
    /VALUE "FileVersion"/ { split($0, parts, "\""); text = parts[4] }
    END { print fixed, text, type }'
}
for arch in x86 x64; do
  check "bin/$arch/ZelkanGE.dll has the version resource of $version" \
    test "$(version_resource "$sdk/bin/$arch/ZelkanGE.dll")" == "${version//./,},0 $version 0x2"
  check "bin/$arch/EarthStandIn.exe has the version resource of $version" \
    test "$(version_resource "$sdk/bin/$arch/EarthStandIn.exe")" == "${version//./,},0 $version 0x1"
done
finish sdk-package

# ---- the import libraries -------------------------------------------------
# The .def the DLL is linked with, made from the export table.
python3 "$ZGE_ROOT/tools/exports.py" generate "$ZGE_ROOT/src/dll/exports.table" "$work/ZelkanGE.def" \
  "$work/ZelkanGE.exports" "$work/zelkange_exports.h"
"$here/check-import-libs.sh" "$sdk" "$work/ZelkanGE.def" "$work/importlibs"
read -r passed failed <"$work/importlibs/counts"
finish sdk-importlibs

# ---- builds ----------------------------------------------------------------
# Shared by every work folder: the units depend only on Debian's packages.
fpc_cache=$ZGE_ROOT/build/fpc
fpc_missing=""
if ! fpc_missing=$("$ZGE_ROOT/tools/sdk-fpc.sh" "$fpc_cache" 2>&1); then
  fpc_missing=${fpc_missing##*$'\n'}
  say "sdk: Pascal NOT RUN: $fpc_missing"
else
  fpc_missing=""
fi

build_bitness() {  # build_bitness win64|win32
  local preset=$1 out=$work/$1 toolchain
  toolchain=$ZGE_ROOT/cmake/mingw-$([[ $preset == win64 ]] && echo x86_64 || echo i686).cmake
  rm -rf "$out" "$out.cmake.log" "$out.pascal.log"
  check -l "$out.cmake.log" "CMake consumer configures for $preset" \
    cmake -S "$here/consumer" -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$toolchain" -DCMAKE_PREFIX_PATH="$sdk" -DZGE_SDK_ROOT="$sdk"
  check -l "$out.cmake.log" "CMake consumer and C example build for $preset" \
    cmake --build "$out/cmake" -j"$jobs"
  if [[ -z $fpc_missing ]]; then
    local compiler=ppcx64 target=win64
    [[ $preset == win32 ]] && compiler=$fpc_cache/ppcross386 target=win32
    mkdir -p "$out/pascal"
    check -l "$out.pascal.log" "Pascal example builds for $preset" \
      "$compiler" -T$target -n -Sew -vew -Fu"$fpc_cache/units/$target" -Fu"$sdk/pascal" \
      -FE"$out/pascal" -FU"$out/pascal" "$sdk/examples/pascal-host/zgehost.pas"
    cp "$sdk/bin/$([[ $preset == win64 ]] && echo x64 || echo x86)/ZelkanGE.dll" "$out/pascal/"
  fi
  finish "sdk-build-$preset"
}
build_bitness win64
build_bitness win32
[[ -n $fpc_missing ]] && record sdk-pascal 0 0 "$fpc_missing"

# ---- runs under Wine ------------------------------------------------------
run_bitness() {  # run_bitness win64|win32
  local preset=$1 out=$work/$1 loader arch=x64 standin
  [[ $preset == win32 ]] && arch=x86
  loader=$(zge_loader_for "$preset")
  standin=$sdk/bin/$arch/EarthStandIn.exe
  zge_register_standin "$loader" "$standin"
  check "C++ consumer passes on $preset" \
    timeout 120 "$loader" "$out/cmake/zge_sdk_consumer.exe" "Z:${standin//\//\\}"
  check "C example runs on $preset" timeout 120 "$loader" "$out/cmake/c-host/zge_c_host.exe"
  if [[ -z $fpc_missing ]]; then
    check "Pascal example runs on $preset" timeout 120 "$loader" "$out/pascal/zgehost.exe"
  fi
  finish "sdk-run-$preset"
}
zge_ensure_template
WINEPREFIX=$(zge_fresh_prefix "$tag")
export WINEPREFIX
trap zge_stop_server EXIT
zge_start_server
run_bitness win64
if zge_can_run_32bit; then
  run_bitness win32
else
  reason=$(zge_no_32bit_reason)
  record sdk-run-win32 0 0 "$reason"
  say "sdk-run-win32: NOT RUN: $reason"
fi
