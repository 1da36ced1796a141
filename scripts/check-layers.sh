#!/usr/bin/env bash
# Checks the layering of the core: a folder of src/core/ includes only
# headers of its own folder and of the folders below it, in this order
# (lowest first). error.h at the root is below them all.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(text platform report settings input coupling engine postprocessing preprocessor results session)
status=0
for ((i = 0; i < ${#order[@]}; i++)); do
  folder=${order[$i]}
  for ((j = i + 1; j < ${#order[@]}; j++)); do
    above=${order[$j]}
    if grep -n "#include \"$above/" src/core/"$folder"/*.h src/core/"$folder"/*.cpp; then
      echo "check-layers: $folder includes $above, which lies above it"
      status=1
    fi
  done
done
for dir in src/core/*/; do
  name=$(basename "$dir")
  if [[ ! " ${order[*]} " == *" $name "* ]]; then
    echo "check-layers: src/core/$name has no place in the order"
    status=1
  fi
done
if [ "$status" -eq 0 ]; then echo "check-layers: ${order[*]}: no folder includes one above it"; fi
exit $status
