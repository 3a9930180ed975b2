#!/usr/bin/env bash
# Makes the import libraries of ZelkanGE.dll for one bitness from the .def:
# libZelkanGE.dll.a for MinGW (its dlltool) and ZelkanGE.lib for MSVC
# (llvm-dlltool). A 32-bit caller asks for the stdcall-decorated symbol
# (_LoadGE@12) while the DLL exports plain names, so for x86 the .def is
# first rewritten with each name's decoration, read from the symbols the
# DLL's own objects define; -k then imports the plain name.
#   sdk-import-libs.sh x86|x64 ZelkanGE.def outdir object...
set -euo pipefail
arch=$1 def=$2 out=$(realpath -m "$3")
shift 3
mkdir -p "$out"

case $arch in
  x86) prefix=i686-w64-mingw32 machine=i386 ;;
  x64) prefix=x86_64-w64-mingw32 machine=i386:x86-64 ;;
  *) echo "sdk-import-libs: unknown architecture $arch" >&2; exit 1 ;;
esac
llvm_dlltool=${LLVM_DLLTOOL:-llvm-dlltool}

# "name ordinal" for each export of the .def.
exports=$(sed -nE 's/^[[:space:]]+([A-Za-z_][A-Za-z0-9_]*)[[:space:]]+@([0-9]+).*$/\1 \2/p' "$def")

decorated=$out/ZelkanGE-$arch.def
{
  echo "LIBRARY ZelkanGE.dll"
  echo "EXPORTS"
  if [[ $arch == x86 ]]; then
    symbols=$("$prefix-nm" --defined-only "$@" | awk '$2 == "T" { print $3 }' | sort -u)
    while read -r name ordinal; do
      symbol=$(grep -E "^_${name}@[0-9]+$" <<<"$symbols" || true)
      if [[ -z $symbol ]]; then
        echo "sdk-import-libs: the objects define no stdcall symbol for $name" >&2
        exit 1
      fi
      echo "  ${symbol#_} @$ordinal"
    done <<<"$exports"
  else
    while read -r name ordinal; do echo "  $name @$ordinal"; done <<<"$exports"
  fi
} >"$decorated"

kill_at=()
[[ $arch == x86 ]] && kill_at=(-k)
# In the output folder: dlltool names the library's members after the path
# it is given, and the build's path has no place in a shipped library.
cd "$out"
"$prefix-dlltool" -d "${decorated##*/}" -D ZelkanGE.dll -l libZelkanGE.dll.a "${kill_at[@]}"
"$llvm_dlltool" -m "$machine" -d "${decorated##*/}" -D ZelkanGE.dll -l ZelkanGE.lib "${kill_at[@]}"
