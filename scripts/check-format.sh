#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says; names each one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
