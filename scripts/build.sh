#!/usr/bin/env bash
# Configures and builds build/kelvax (Release).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
