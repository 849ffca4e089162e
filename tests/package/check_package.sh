#!/usr/bin/env bash
# Installs the build under a temporary prefix, then configures, builds and runs a program
# outside the tree against the installed kelcon package.
# Usage: check_package.sh BUILD_DIR PACKAGE_SOURCE_DIR [CMAKE_ARGUMENTS...]
set -euo pipefail
build=$1
source=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
for program in kelstart kelini; do
  [ -x "$work/prefix/bin/$program" ] || { echo "$program is not installed"; exit 1; }
done
cmake -S "$source" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" "$@" >"$work/configure.log" ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >"$work/build.log" || { cat "$work/build.log"; exit 1; }
output=$("$work/build/package_user")
expected="PANTALLA 007 1b CAT"
if [ "$output" != "$expected" ]; then
  echo "package_user printed \"$output\", expected \"$expected\""
  exit 1
fi
echo "the installed package builds and runs a program: $output"
