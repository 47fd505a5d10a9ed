#!/usr/bin/env bash
# Installs every tool the build and the tests need, only where it is missing.
# Debian packages; run as root (CI) or with sudo available.
#   bootstrap.sh [--bench]   --bench: also the benchmark's timing baselines
#                            and /usr/bin/time (scripts/bench.sh)
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need+=(cmake)
have_cmd ninja || need+=(ninja-build)
have_cmd g++ || need+=(g++)
have_cmd python3 || need+=(python3)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_pkg zlib1g-dev || need+=(zlib1g-dev)
# Cryptography: OpenSSL's libcrypto on Linux; GnuTLS, which Wine's bcrypt.dll uses.
have_pkg libssl-dev || need+=(libssl-dev)
have_pkg libgnutls30 || need+=(libgnutls30)
# 7-Zip writes the encrypted archives of the tests.
have_cmd 7zz || need+=(7zip)
have_cmd x86_64-w64-mingw32-g++ || need+=(g++-mingw-w64-x86-64)
have_cmd wine || need+=(wine64 wine)
have_pkg fonts-wine || need+=(fonts-wine)
have_cmd xdpyinfo || need+=(x11-utils)
have_cmd Xvfb || need+=(xvfb)
have_cmd xvfb-run || need+=(xvfb)
have_cmd xauth || need+=(xauth)
have_cmd import || need+=(imagemagick)
have_cmd xwininfo || need+=(x11-utils)
have_cmd groff || need+=(groff-base)
# Writers of test data for the deflate64, bzip2 and LZMA members (and the
# benchmark's timing baseline).
have_cmd 7zz || need+=(7zip)
# The fuzz targets: clang with the libFuzzer and sanitizer runtimes.
have_cmd clang++ || need+=(clang)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
if [ "${1:-}" = "--bench" ]; then
  have_cmd bsdtar || need+=(libarchive-tools)
  have_cmd libdeflate-gunzip || need+=(libdeflate-tools)
  [ -x /usr/bin/time ] || need+=(time)
fi

if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "bootstrap: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${need[@]}" </dev/null >/dev/null
fi
echo "bootstrap: tools present"
