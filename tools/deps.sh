#!/usr/bin/env bash
# Installs what building and testing ZelkanGE needs on Debian 12, and only
# what is missing: a machine that has everything pays for one dpkg-query.
set -euo pipefail

readonly required=(
  wine64 wine32:i386
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  cmake ninja-build g++
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libz-mingw-w64-dev xplanet-images
  clang clang-tidy clang-format libclang-rt-14-dev libexpat1-dev python3
  llvm lld
  shellcheck
)
# The SDK's Pascal test builds Free Pascal's Windows units from these; it
# reports NOT RUN without them. The amd64 compiler removes nothing; only
# fp-compiler-3.2.2:i386 would take g++ and clang away, hence --no-remove.
readonly pascal=(fp-compiler fpc-source-3.2.2)
readonly optional=(imagemagick "${pascal[@]}")

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

# Prints the packages of "$@" that are not installed.
missing_packages() {
  local pkg status
  for pkg in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null || true)
    [[ $status == ii* ]] || echo "$pkg"
  done
}

ensure_i386_architecture() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "deps: enabling the i386 architecture"
    as_root dpkg --add-architecture i386
    need_update=1
  fi
}

need_update=0
ensure_i386_architecture
mapfile -t missing < <(missing_packages "${required[@]}")
mapfile -t missing_optional < <(missing_packages "${optional[@]}")

if ((${#missing[@]} == 0 && ${#missing_optional[@]} == 0 && !need_update)); then
  echo "deps: all present"
  exit 0
fi

echo "deps: installing ${missing[*]:-} ${missing_optional[*]:-}"
as_root apt-get update -qq
if ((${#missing[@]} > 0)); then
  # With their recommended packages: Wine's fonts and helpers among them.
  if ! as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"; then
    echo "deps: apt-get install failed" >&2
  fi
fi
if ((${#missing_optional[@]} > 0)); then
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends --no-remove "${missing_optional[@]}" ||
    echo "deps: optional packages not installed: ${missing_optional[*]}"
fi

mapfile -t still_missing < <(missing_packages "${required[@]}")
if ((${#still_missing[@]} > 0)); then
  echo "deps: could not install: ${still_missing[*]}" >&2
  exit 1
fi
echo "deps: done"
