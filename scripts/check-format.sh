#!/usr/bin/env bash
# Fails, naming the files, when a C++ file of the project differs from what .clang-format gives.
# `clang-format -i` on the named files mends them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find src tests bench tools -name '*.cpp' -o -name '*.h' | sort)
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "not formatted as .clang-format gives (clang-format -i mends them):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format gives"
