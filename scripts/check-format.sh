#!/usr/bin/env bash
# Checks that every C++ file the repository tracks follows the committed .clang-format.
# Exits 77 (counted as skipped by CTest) when clang-format or git is not installed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
command -v clang-format >/dev/null 2>&1 || { echo "clang-format is not installed"; exit 77; }
command -v git >/dev/null 2>&1 && git rev-parse --git-dir >/dev/null 2>&1 ||
    { echo "not a git checkout"; exit 77; }
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "all files formatted"
