#!/usr/bin/env bash
# Checks every C and C++ file of src/ and tests/ against the tree's
# .clang-format without changing it; fails on the first difference found.
# Generated sources live in the build folders and are not checked; a file
# that is generated into the tree marks itself with "@generated" in its
# first lines and is left out.
set -euo pipefail
cd "$(dirname "$0")/.."

files=()
while IFS= read -r -d '' f; do
  if head -n 5 "$f" | grep -q '@generated'; then continue; fi
  files+=("$f")
done < <(find src tests -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print0 | sort -z)

if [ ${#files[@]} -eq 0 ]; then
  echo "format-check: no C or C++ files found" >&2
  exit 1
fi
if clang-format --dry-run --Werror "${files[@]}"; then
  echo "format-check: ${#files[@]} files follow .clang-format"
else
  echo "format-check: run clang-format -i on the files above" >&2
  exit 1
fi
