# shellcheck shell=bash
# Shared by the harness scripts (source it): which Wine loader runs which
# bitness here, and the prefixes under build/wine.
#
# /usr/bin/wine prefers the 32-bit loader once wine32 is installed, and that
# loader cannot start at all on a kernel without 32-bit ELF support; 64-bit
# programs therefore always go through the 64-bit loader by its full path.

ZGE_ROOT=${ZGE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
ZGE_WINE_DIR=$ZGE_ROOT/build/wine
ZGE_TEMPLATE=$ZGE_WINE_DIR/template
WINE64_LOADER=${WINE64_LOADER:-/usr/lib/wine/wine64}
WINE32_LOADER=${WINE32_LOADER:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-wineserver}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs while a prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

zge_log() { echo "[wine] $*" >&2; }

# True when this machine can start 32-bit Windows programs.
zge_can_run_32bit() {
  [[ -x $WINE32_LOADER ]] && "$WINE32_LOADER" --version >/dev/null 2>&1
}

# Why 32-bit Windows programs cannot run here (call when zge_can_run_32bit
# is false): the package is missing, or the kernel refuses i386 programs.
zge_no_32bit_reason() {
  if [[ ! -e $WINE32_LOADER ]]; then
    echo "32-bit Wine could not be installed (package wine32:i386)"
  else
    echo "this machine cannot start 32-bit programs ($WINE32_LOADER does not execute: the kernel runs no 32-bit ELF)"
  fi
}

# The loader for a preset (win32 or win64).
zge_loader_for() {
  case $1 in
    *win64) echo "$WINE64_LOADER" ;;
    *win32) echo "$WINE32_LOADER" ;;
    *) zge_log "unknown preset $1"; return 1 ;;
  esac
}

# What the template was made with: a prefix made by another Wine (one
# without wine32, say) fails every program and is made again.
zge_wine_identity() {
  {
    echo "recipe 2: null driver, no crash dialog"
    dpkg-query -W -f='${Package} ${Version}\n' wine64 wine32:i386 2>/dev/null || true
    zge_can_run_32bit && echo "32-bit loader runs" || echo "no 32-bit loader"
  } | sha1sum | cut -d' ' -f1
}

zge_ensure_template() {
  local identity stamp=$ZGE_TEMPLATE/.zge-stamp
  identity=$(zge_wine_identity)
  if [[ -f $stamp && $(cat "$stamp") == "$identity" ]]; then
    return 0
  fi
  zge_log "making the template prefix $ZGE_TEMPLATE"
  local fresh=$ZGE_TEMPLATE.new
  rm -rf "$fresh" "$ZGE_TEMPLATE"
  mkdir -p "$ZGE_WINE_DIR"
  (
    export WINEPREFIX=$fresh
    "$WINE64_LOADER" wineboot -i
    "$WINESERVER" -w
    # The null graphics driver: windows and window calls work without an X
    # server, and no window manager slows window operations down.
    "$WINE64_LOADER" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    # A crashing program prints its backtrace and ends at once instead of
    # waiting on a crash dialog nobody sees until the test times out.
    "$WINE64_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    "$WINESERVER" -w
  )
  echo "$identity" >"$fresh/.zge-stamp"
  mv "$fresh" "$ZGE_TEMPLATE"
}

# A fresh copy of the template at build/wine/<name>; prints its path.
zge_fresh_prefix() {
  local prefix=$ZGE_WINE_DIR/$1
  if [[ -d $prefix ]]; then
    WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$prefix"
  fi
  cp -a "$ZGE_TEMPLATE" "$prefix"
  echo "$prefix"
}

# Starts the prefix's wineserver for good and warms it, so that each test
# process starts in about 0.1 s instead of 2.5 s.
zge_start_server() {
  "$WINESERVER" -p
  "$WINE64_LOADER" wineboot
}

zge_stop_server() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
}

# Registers the stand-in Earth server of one build tree in the current
# prefix (the server registers itself in its own bitness's registry view).
zge_register_standin() {
  local loader=$1 standin=$2
  "$loader" "$standin" /RegServer
}
