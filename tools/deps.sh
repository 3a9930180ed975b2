#!/usr/bin/env bash
# Installs what building and testing ZelkanGE needs on Debian 12, and only
# what is missing: a machine that has everything pays for one dpkg-query.
#
# Only what every run needs fails this script. A package index that is
# briefly out of step (a mirror mid-sync) is retried, then the install goes
# on with the lists it has; a package that still cannot be installed is
# named once with what follows from it, and the stages that need it report
# NOT RUN instead of failing.
set -uo pipefail

# Without these nothing builds or runs: the 64-bit Wine, both cross
# compilers, the native toolchain and the test libraries.
readonly required=(
  wine64
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  cmake ninja-build g++
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libz-mingw-w64-dev xplanet-images
  libjpeg-dev shellcheck pyflakes3
  clang-format clang-tidy libexpat1-dev python3
)
# Each optional group: its packages, then what is not run without them.
# The SDK's Pascal test builds Free Pascal's Windows units from
# fpc-source; the amd64 compiler removes nothing (only fp-compiler-3.2.2:i386
# would take g++ and clang away, hence --no-remove).
readonly -A optional=(
  ["wine32:i386"]="32-bit Wine could not be installed: the 32-bit suites (system-win32, sdk-run-win32, the 32-bit Pascal host) report NOT RUN; the win32 tree is still built and make demo uses the 64-bit one"
  ["clang"]="the fuzz and tsan stages report NOT RUN"
  ["libclang-rt-14-dev"]="the fuzz and tsan stages report NOT RUN"
  ["llvm"]="the fuzz and tsan stages report NOT RUN; the MSVC import libraries of the SDK are not checked with llvm tools"
  ["lld"]="the SDK's MSVC import libraries are not linked by lld-link"
  ["fp-compiler"]="the Pascal host of the SDK stage reports NOT RUN"
  ["fpc-source-3.2.2"]="the Pascal host of the SDK stage reports NOT RUN"
  ["imagemagick"]="pictures in JPEG are not shown by the file viewers that rely on convert"
  ["python3-matplotlib"]="tools/plot-voyage.py draws no plots"
  ["gdal-bin"]="the stand-in's polygon fills are not compared with GDAL's rasterization (standin/tests/data/kml/make_gdal_reference.sh)"
)
readonly update_attempts=${ZGE_APT_UPDATE_ATTEMPTS:-3}
readonly update_pause=${ZGE_APT_UPDATE_PAUSE:-5}
# Optional packages that could not be installed are not tried again for a
# while (a run of make test would pay a minute for each try); remove the
# file to try at once.
readonly unavailable_stamp=${ZGE_DEPS_UNAVAILABLE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/deps-unavailable}
readonly retry_after_minutes=360

as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "deps: need root (or sudo) to run: $*" >&2
    return 1
  fi
}

apt_install() {  # apt_install [apt-get options] packages...
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"
}

# Prints the packages of "$@" that are not installed.
missing_packages() {
  local pkg status
  for pkg in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null || true)
    [[ $status == ii* ]] || echo "$pkg"
  done
}

# apt-get update exits 100 when one index of many fails (say the i386 list
# of one suite while its mirror syncs). A few tries with a pause; then the
# lists it did fetch are used: most packages can be installed from them.
update_lists() {
  local attempt log
  log=$(mktemp)
  for ((attempt = 1; attempt <= update_attempts; attempt++)); do
    if as_root apt-get update -qq >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    if ((attempt < update_attempts)); then
      echo "deps: apt-get update failed (try $attempt of $update_attempts); again in ${update_pause} s"
      sleep "$update_pause"
    fi
  done
  echo "deps: apt-get update still fails; going on with the package lists it has:"
  grep -E '^(E|W):' "$log" | sed 's/^/  /'
  rm -f "$log"
}

# Installs "$@" together; when apt refuses the set, each one alone, so
# that one package that cannot be had does not keep the others out.
install_each() {
  local options=("$1")
  shift
  apt_install "${options[@]}" "$@" && return 0
  (($# > 1)) || return 0
  local pkg
  for pkg in "$@"; do
    apt_install "${options[@]}" "$pkg" >/dev/null 2>&1 || true
  done
}

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "deps: enabling the i386 architecture"
  as_root dpkg --add-architecture i386 || true
  need_update=1
fi
mapfile -t missing < <(missing_packages "${required[@]}")
mapfile -t missing_optional < <(missing_packages "${!optional[@]}")
# Leave out what failed lately, saying so.
if [[ -f $unavailable_stamp ]] && [[ -n $(find "$unavailable_stamp" -mmin -"$retry_after_minutes") ]]; then
  mapfile -t lately < "$unavailable_stamp"
  kept=()
  for pkg in "${missing_optional[@]}"; do
    if printf '%s\n' "${lately[@]}" | grep -qxF "$pkg"; then
      echo "deps: $pkg could not be installed lately, not tried again (remove $unavailable_stamp to try): ${optional[$pkg]}"
    else
      kept+=("$pkg")
    fi
  done
  missing_optional=("${kept[@]}")
fi

if ((${#missing[@]} == 0 && ${#missing_optional[@]} == 0 && !need_update)); then
  echo "deps: nothing to install"
  exit 0
fi

echo "deps: installing ${missing[*]} ${missing_optional[*]}"
update_lists
# With their recommended packages: Wine's fonts and helpers among them.
((${#missing[@]} > 0)) && install_each --no-remove "${missing[@]}"
((${#missing_optional[@]} > 0)) && install_each --no-install-recommends --no-remove "${missing_optional[@]}"

status=0
mapfile -t still_missing < <(missing_packages "${required[@]}")
for pkg in "${still_missing[@]}"; do
  echo "deps: could not install $pkg, which every build needs" >&2
  status=1
done
mapfile -t still_optional < <(missing_packages "${missing_optional[@]}")
if ((${#still_optional[@]} > 0)); then
  mkdir -p "$(dirname "$unavailable_stamp")"
  printf '%s\n' "${still_optional[@]}" >"$unavailable_stamp"
fi
declare -A said=()
for pkg in "${still_optional[@]}"; do
  consequence=${optional[$pkg]}
  if [[ -n ${said[$consequence]:-} ]]; then
    echo "deps: could not install $pkg either"
  else
    echo "deps: could not install $pkg: $consequence"
    said[$consequence]=1
  fi
done
((status == 0)) && echo "deps: done"
exit "$status"
