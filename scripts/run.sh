#!/usr/bin/env bash
# Builds the viewer and opens it on the bundled demo sample (a scene rendered
# at build time). Needs a desktop session (an X display).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_packages "${RUN_PACKAGES[@]}"

cmake -S . -B build/viewer -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIMWELL_TESTS=OFF -DBRIMWELL_BENCH=OFF
cmake --build build/viewer --target brimwell demo_sample
exec build/viewer/shell/brimwell build/viewer/samples/demo.rpf
