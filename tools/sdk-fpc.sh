#!/usr/bin/env bash
# Free Pascal for Windows hosts without a Windows toolchain: builds the
# win64 and win32 RTL, and the i386 cross compiler the win32 RTL needs, from
# Debian's fpc-source-3.2.2 with Debian's native ppcx64, into a cache.
# Debian has no fpc package with Windows targets; building these takes
# about half a minute once.
#   sdk-fpc.sh <cache>   exits 2, saying why, when fpc cannot be set up
# Afterwards: <cache>/ppcross386, and units under <cache>/units/win64 and
# <cache>/units/win32.
set -euo pipefail
cache=$(realpath -m "$1")
fpcversion=3.2.2
src=/usr/share/fpcsrc/$fpcversion
native=/usr/lib/x86_64-linux-gnu/fpc/$fpcversion

if ! command -v ppcx64 >/dev/null || [[ $(ppcx64 -iV 2>/dev/null) != "$fpcversion" ]]; then
  echo "Free Pascal $fpcversion (Debian's fp-compiler) is not installed" >&2
  exit 2
fi
if [[ ! -f $src/rtl/win64/system.pp || ! -f $src/compiler/pp.pas ]]; then
  echo "the Free Pascal sources (Debian's fpc-source-$fpcversion) are not installed" >&2
  exit 2
fi
stamp="fpc $fpcversion $(dpkg-query -W -f='${Version}' fpc-source-$fpcversion 2>/dev/null || true)"
if [[ -f $cache/.stamp && $(cat "$cache/.stamp") == "$stamp" ]]; then
  exit 0
fi

work=$cache.new
rm -rf "$work"
mkdir -p "$work/compiler" "$work/units/win64" "$work/units/win32"
log=$work/build.log
fail() {
  tail -n 20 "$log" >&2
  echo "could not build Free Pascal's Windows units ($1); log: $log" >&2
  exit 2
}

# One RTL: the system unit, objpas, then everything buildrtl.pp names.
build_rtl() {
  local compiler=$1 target=$2 cpu=$3 out=$4 rtl=$src/rtl
  (
    cd "$rtl/$target"
    "$compiler" -T"$target" -n -FE"$out" -Fi"$rtl/inc" -Fi"$rtl/$cpu" -Fi"$rtl/win" -Fi. \
      -Us -Sg system.pp
    "$compiler" -T"$target" -n -FE"$out" -Fu"$out" -Fi"$rtl/inc" -Fi"$rtl/$cpu" -Fi"$rtl/win" \
      "$rtl/objpas/objpas.pp"
    "$compiler" -T"$target" -n -FE"$out" -Fu"$out" -Fi"$rtl/objpas/sysutils" \
      -Fi"$rtl/objpas/classes" -Fu"$rtl/$cpu" -Fi"$rtl/$cpu" -Fu"$rtl/x86" -Fi"$rtl/x86" \
      -I"$rtl/win" -I"$rtl/objpas" -I"$rtl/win/wininc" -Fu"$rtl/win/wininc" -Fu"$rtl/win" \
      -I"$rtl/inc" -Fu"$rtl/inc" -Fu"$rtl/objpas" buildrtl.pp
  ) >>"$log" 2>&1
}

build_rtl ppcx64 win64 x86_64 "$work/units/win64" || fail "win64 RTL"

# The cross compiler: the compiler's message tables come from the message
# file Debian ships (its sources lack the generated msgtxt.inc).
(
  cd "$work/compiler"
  ppcx64 -n -Fu"$native/units/x86_64-linux/rtl" -Fu"$native/units/x86_64-linux/rtl-objpas" \
    -FE. "$src/compiler/utils/msg2inc.pp"
  ./msg2inc "$native/msg/errore.msg" msg msg
  cd "$src/compiler"
  ppcx64 -n -O2 -dI386 -Fu"$native/units/x86_64-linux/rtl" \
    -Fu"$native/units/x86_64-linux/rtl-objpas" -Fi"$work/compiler" -Fui386 -Fii386 -Fux86 \
    -Fix86 -Fusystems -Fu. -Fi. -FE"$work/compiler" -FU"$work/compiler" \
    -o"$work/compiler/ppcross386" pp.pas
) >>"$log" 2>&1 || fail "i386 cross compiler"
mv "$work/compiler/ppcross386" "$work/ppcross386"
rm -rf "$work/compiler"

build_rtl "$work/ppcross386" win32 i386 "$work/units/win32" || fail "win32 RTL"

echo "$stamp" >"$work/.stamp"
rm -rf "$cache"
mv "$work" "$cache"
