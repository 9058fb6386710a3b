#!/usr/bin/env bash
# Installs the Debian packages that one command needs, and no more:
#   scripts/install-deps.sh GROUP...         (no GROUP: everything `make test` needs)
#   scripts/install-deps.sh --list GROUP...  only names them, one a line
# Groups: program (the Linux program alone), linux (with its unit tests), demo, asan,
# windows, fuzz, bench, package, format, test. Quiet when everything is there;
# apt's own progress otherwise. QUORVEX_NO_INSTALL=1 skips all of it, for systems
# whose packages are looked after some other way.
set -euo pipefail

declare -A group=(
  [program]="cmake make g++ pkg-config libx11-dev libxtst-dev libx11-xcb-dev"
  [tests]="libgtest-dev libgmock-dev python3"
  [display]="xvfb xdotool x11-utils"
  [wine]="wine wine64"
  [mingw]="cmake make g++-mingw-w64-x86-64-posix"
  # The Windows installer: wixl builds it, msitools' msiinfo reads it back.
  [msi]="wixl msitools"
)
group[linux]="${group[program]} ${group[tests]}"
group[asan]="${group[linux]}"
# The screenshot is taken with ImageMagick when it is there; the demo runs without.
group[demo]="${group[linux]} ${group[display]}"
group[windows]="${group[mingw]} libgtest-dev"
# libFuzzer and the sanitizers' runtimes are only recommended by clang.
group[fuzz]="cmake make clang libclang-rt-dev"
group[format]="clang-format"
group[package]="${group[program]} ${group[mingw]} ${group[msi]} dpkg-dev"
group[bench]="${group[linux]} ${group[mingw]} ${group[display]} ${group[wine]} libbenchmark-dev"
group[test]="${group[linux]} ${group[windows]} ${group[fuzz]} ${group[format]} ${group[display]}"
group[test]+=" ${group[wine]} ${group[msi]} libbenchmark-dev openbox imagemagick dpkg-dev fakeroot groff-base man-db"
# A real toolkit's buttons (Qt), clicked under openbox by the Linux tests.
group[test]+=" python3-pyqt5"
# Checks the session-start examples in the package (systemd-analyze is used when there).
group[test]+=" desktop-file-utils"

list=0
if [[ "${1:-}" == --list ]]; then
  list=1
  shift
elif [[ "${QUORVEX_NO_INSTALL:-0}" != 0 ]]; then
  exit 0
fi
(($# > 0)) || set -- test
wanted=()
declare -A seen=()
for name in "$@"; do
  if [[ -z "${group[$name]+set}" ]]; then
    echo "install-deps: no group \"$name\"; see the head of $0" >&2
    exit 2
  fi
  read -ra packages <<<"${group[$name]}"
  for package in "${packages[@]}"; do
    [[ -n "${seen[$package]+set}" ]] || wanted+=("$package")
    seen[$package]=1
  done
done
if ((list)); then
  printf '%s\n' "${wanted[@]}"
  exit 0
fi

# $1: why this script cannot install them itself; the rest: the packages.
tell() {
  echo "install-deps: $1; install these yourself (Debian's names):" >&2
  echo "  ${*:2}" >&2
  echo "then run again with QUORVEX_NO_INSTALL=1." >&2
  exit 1
}

command -v dpkg-query >/dev/null && command -v apt-get >/dev/null ||
  tell "this system has no dpkg and apt-get" "${wanted[@]}"

# One query for all: a package not known to dpkg at all is missing too.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${wanted[@]}" 2>/dev/null || true)
missing=()
for package in "${wanted[@]}"; do
  grep -qx "$package installed" <<<"$installed" || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
if ((EUID != 0)); then
  command -v sudo >/dev/null || tell "installing needs root, and there is no sudo" "${missing[@]}"
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
# Through env: sudo does not pass the caller's environment on.
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q)
"${apt[@]}" update
"${apt[@]}" install -y --no-install-recommends "${missing[@]}"
