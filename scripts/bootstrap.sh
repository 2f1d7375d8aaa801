#!/usr/bin/env bash
# Installs with apt-get whatever the build and the tests need and is missing; quiet when all is there.
set -eu
need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in g++ cmake ninja-build make git \
         g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
         wine wine64 xvfb xauth \
         googletest libgtest-dev libbenchmark-dev zlib1g-dev libssl-dev \
         imagemagick cksfv rhash hashdeep coreutils openssl b3sum procps util-linux time \
         clang-14 libclang-rt-14-dev; do
    have_pkg "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0
echo "bootstrap: installing ${need[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${need[@]}" >/dev/null
