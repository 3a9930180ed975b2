#!/usr/bin/env bash
# Checks the SDK's import libraries of both bitnesses against the .def (the
# export list the DLL is linked with) and the header (what a compiler asks
# for), from the outside:
# - the symbol listing (llvm-nm) of ZelkanGE.lib and libZelkanGE.dll.a holds
#   exactly one function and one __imp_ symbol per .def export, decorated on
#   x86 as MSVC and MinGW compilers decorate stdcall (_Name@N), plain on x64;
# - N is what a C compiler asks for from zelkange.h: an object that takes
#   the address of every function is compiled, and its undefined symbols
#   must all be in the library;
# - linking that object against each library (lld-link, the MSVC-compatible
#   linker, for ZelkanGE.lib; MinGW's ld for the .dll.a) gives an import
#   table of plain names from ZelkanGE.dll, with the .def's ordinals as
#   hints in the MSVC case.
# Prints each failure and writes "passed failed" to <work>/counts.
#   check-import-libs.sh <unpacked sdk> <ZelkanGE.def> <work>
set -uo pipefail
sdk=$1 def=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
passed=0 failed=0
expect() {  # expect <description> <actual> <wanted>
  if [[ $2 == "$3" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "  FAILED: $1"
    diff <(echo "$3") <(echo "$2") | head -n 10 | sed 's/^/    /'
  fi
}

# "name ordinal", by name.
exports=$(sed -nE 's/^[[:space:]]+([A-Za-z_][A-Za-z0-9_]*)[[:space:]]+@([0-9]+).*$/\1 \2/p' "$def" |
  sort)
names=$(cut -d' ' -f1 <<<"$exports")

# An object that needs every function of the .def through the header. The
# addresses are taken at run time: in a constant initializer a compiler
# would refer to the import thunk instead of the __imp_ pointer.
source=$work/all_functions.c
{
  echo '#include "zelkange.h"'
  echo 'void zge_every_function(void** out) {'
  awk '{ printf "  out[%d] = (void*)&%s;\n", NR - 1, $1 }' <<<"$names"
  echo '}'
} >"$source"

for arch in x86 x64; do
  case $arch in
    x86) gcc=i686-w64-mingw32-gcc machine=x86 ;;
    x64) gcc=x86_64-w64-mingw32-gcc machine=x64 ;;
  esac
  object=$work/all_functions-$arch.o
  if ! "$gcc" -c -Wall -Werror -I"$sdk/include" "$source" -o "$object"; then
    failed=$((failed + 1))
    echo "  FAILED: the header does not compile for $arch"
    continue
  fi
  # What the compiler asks for: __imp_ symbols, without the __imp_.
  wanted=$(llvm-nm --undefined-only "$object" | awk '{ print $2 }' | sed -n 's/^__imp_//p' | sort)
  plain=$(sed -E 's/^_//; s/@[0-9]+$//' <<<"$wanted" | sort)
  expect "$arch: the header declares exactly the .def's functions" "$plain" "$names"
  if [[ $arch == x86 ]]; then
    undecorated=$(grep -cvE '^_[A-Za-z0-9_]+@[0-9]+$' <<<"$wanted")
    expect "x86: a compiler asks for _Name@N of every function" "$undecorated" 0
  fi

  for lib in ZelkanGE.lib libZelkanGE.dll.a; do
    path=$sdk/lib/$arch/$lib
    listing=$(llvm-nm --defined-only "$path" 2>/dev/null | awk 'NF == 3 && $2 ~ /^[TI]$/ { print $3 }' |
      grep -vE '^(__IMPORT_DESCRIPTOR_|__NULL_IMPORT_DESCRIPTOR|.*_NULL_THUNK_DATA$|\.|_head_|__head_|_?ZelkanGE_dll_iname|__?lib.*_a_iname)' |
      sort)
    functions=$(grep -v '^__imp_' <<<"$listing")
    imports=$(grep '^__imp_' <<<"$listing" | sed 's/^__imp_//')
    expect "$arch/$lib: the functions are the ones a compiler asks for" "$functions" "$wanted"
    expect "$arch/$lib: the __imp_ symbols are the ones a compiler asks for" "$imports" "$wanted"
  done

  # What an executable linked with each library imports: "name hint".
  msvc_dll=$work/msvc-$arch.dll
  gnu_dll=$work/gnu-$arch.dll
  table() {
    x86_64-w64-mingw32-objdump -p "$1" |
      awk '/DLL Name: ZelkanGE.dll/ { on = 1; next } /DLL Name:/ { on = 0 }
           on && $1 ~ /^[0-9a-f]+$/ && NF == 3 { print $3, $2 }' | sort
  }
  if command -v lld-link >/dev/null; then
    # MinGW's objects carry no SEH table, which lld-link otherwise wants on x86.
    safeseh=()
    [[ $arch == x86 ]] && safeseh=(/safeseh:no)
    if lld-link /nologo /dll /noentry /machine:"$machine" "${safeseh[@]}" /out:"$msvc_dll" "$object" \
      "$sdk/lib/$arch/ZelkanGE.lib" >"$work/lld-$arch.log" 2>&1; then
      expect "$arch: a program linked with ZelkanGE.lib imports the .def's names and ordinals" \
        "$(table "$msvc_dll")" "$exports"
    else
      failed=$((failed + 1))
      echo "  FAILED: lld-link cannot link with $arch/ZelkanGE.lib: $(head -n 3 "$work/lld-$arch.log")"
    fi
  else
    echo "  lld-link is not installed: the $arch MSVC link is not checked"
  fi
  if "$gcc" -shared -nostdlib -o "$gnu_dll" "$object" "$sdk/lib/$arch/libZelkanGE.dll.a" \
    >"$work/ld-$arch.log" 2>&1; then
    expect "$arch: a program linked with libZelkanGE.dll.a imports the .def's names" \
      "$(table "$gnu_dll" | cut -d' ' -f1)" "$names"
  else
    failed=$((failed + 1))
    echo "  FAILED: MinGW cannot link with $arch/libZelkanGE.dll.a: $(head -n 3 "$work/ld-$arch.log")"
  fi
done
echo "$passed $failed" >"$work/counts"
