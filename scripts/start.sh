#!/usr/bin/env bash
# Installs what is missing, builds, and starts Numberwell.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
bash scripts/build.sh -DNUMBERWELL_BENCH=OFF -DNUMBERWELL_TESTS=OFF
exec ./build/numberwell
