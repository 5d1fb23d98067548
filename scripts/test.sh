#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
# BUILD_DIR picks the build folder; extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
bash scripts/build.sh "$@"
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j2 ${CTEST_ARGS:-}
