#!/usr/bin/env bash
# Builds the tool and runs it. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
echo "(nothing to run yet)"
