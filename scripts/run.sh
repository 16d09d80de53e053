#!/usr/bin/env bash
# Builds the tool and runs it. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build

# Convert the example tune the project generates.
mkdir -p build/example
build/tools/torem-example-midi build/example/demo.mid
build/tools/torem-convert --force --resolution 250 build/example/demo.mid build/example/demo.seq
echo "Wrote build/example/demo.seq from build/example/demo.mid"
