#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing. The Python
# module is built and tested against the Debian interpreter /usr/bin/python3 and its packages.
set -e
packages="g++ cmake make ninja-build libgtest-dev libreadline-dev gnuplot-nox gnupg clang libcurl4-openssl-dev libsqlite3-dev libboost-dev libeigen3-dev lld clang-format zlib1g-dev pybind11-dev python3-dev python3-pytest python3-pandas python3-numpy python3-mpmath libreadstat-dev libzip-dev libexpat1-dev"
# `install-deps.sh mpi` adds Open MPI, for the build that runs over several processes.
if [ "${1:-}" = mpi ]; then
  packages="$packages libopenmpi-dev openmpi-bin"
fi
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
fi
