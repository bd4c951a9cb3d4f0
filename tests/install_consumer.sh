#!/usr/bin/env bash
# Installs the build into a scratch prefix, builds the consumer example
# against the installed CMake package and with pkg-config, and runs both
# against the virtual controller.
set -euo pipefail
build_dir=$1
source_dir=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build_dir" --prefix "$scratch/prefix" >/dev/null
test -f "$scratch/prefix/include/velmoLibrary.h"

cmake -S "$source_dir/examples/consumer" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/consumer" >/dev/null

pcdir=$(dirname "$(find "$scratch/prefix" -name velmoLibrary.pc | head -n1)")
export PKG_CONFIG_PATH=$pcdir
cc -std=c99 -Wall -Wextra -Werror -o "$scratch/pc_consumer" "$source_dir/examples/consumer/main.c" \
    $(pkg-config --cflags --libs velmoLibrary)

libdir=$(dirname "$(find "$scratch/prefix" -name 'libvelmoLibrary.so' | head -n1)")
export LD_LIBRARY_PATH="$build_dir/sim:$libdir"
"$scratch/consumer/velmo_consumer"
"$scratch/pc_consumer"
echo "installed package OK"
