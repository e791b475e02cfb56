#!/bin/sh
# Converts every object of every form of a corpus with two builds of the
# engine and checks that each object the old one read comes out of the new
# one byte for byte (see dump_objects.cpp and compare.py).
#
#   compare.sh OLD_SOURCE_DIR OLD_BUILD_DIR NEW_SOURCE_DIR NEW_BUILD_DIR CORPUS_DIR
#
# Each build folder must hold a built libzanmig.a of its source tree.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for side in old new; do
  if [ $side = old ]; then src=$1 build=$2; else src=$3 build=$4; fi
  ${CXX:-g++} -std=c++20 -O2 -I"$src/src" "$here/dump_objects.cpp" "$build/libzanmig.a" \
    -o "$out/dump_$side"
  "$out/dump_$side" "$5" "$out/$side.txt"
done
python3 "$here/compare.py" "$out/old.txt" "$out/new.txt"
