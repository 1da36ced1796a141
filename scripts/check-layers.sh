#!/usr/bin/env bash
# Checks the layering of the core. Every folder of src/core/ names the
# folders whose headers it may include; a folder may include only folders
# before it in this table, and folders side by side (engine and coupling,
# results and preprocessor, ...) stay independent of each other unless the
# table says otherwise. error.h at the root is below them all.
#
#   scripts/check-layers.sh [CORE_DIR]    (default src/core)
set -euo pipefail
cd "$(dirname "$0")/.."
core=${1:-src/core}

# folder: the folders it may include (its own always).
declare -A allowed=(
  [text]=""
  [platform]="text"
  [report]="text platform"
  [settings]="text platform report"
  [input]="text platform report settings"
  [coupling]="text platform report settings input"
  [engine]="text platform report settings"
  [files]="text platform report settings input coupling engine"
  [postprocessing]="text platform report settings files"
  [preprocessor]="text platform report settings input"
  [results]="text platform report settings input coupling engine files postprocessing"
  [session]="text platform report settings input coupling engine files postprocessing results"
  [pipeline]="text platform report settings input coupling engine files postprocessing results session"
  [workflow]="text platform report settings input coupling engine files postprocessing results session pipeline"
  [cluster]="text platform report settings input coupling engine files postprocessing results session pipeline workflow"
  [demo]="text platform report settings input coupling engine files postprocessing preprocessor results session pipeline workflow cluster"
)
order=(text platform report settings input coupling engine files postprocessing preprocessor
       results session pipeline workflow cluster demo)

status=0
for dir in "$core"/*/; do
  name=$(basename "$dir")
  if [[ ! -v allowed[$name] ]]; then
    echo "check-layers: $core/$name has no place in the table"
    status=1
  fi
done
for folder in "${order[@]}"; do
  [ -d "$core/$folder" ] || continue
  shopt -s nullglob
  sources=("$core/$folder"/*.h "$core/$folder"/*.cpp)
  shopt -u nullglob
  [ ${#sources[@]} -gt 0 ] || continue
  while IFS=: read -r file line included; do
    [ -n "$file" ] || continue
    target=${included%%/*}
    [ "$target" = "$folder" ] && continue
    [[ -v allowed[$target] ]] || continue  # not a folder of the core (a library's header)
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "check-layers: $file:$line: $folder includes $target/, which it may not"
      status=1
    fi
  done < <(grep -HnoE '^#include "[a-z_]+/' "${sources[@]}" | sed -E 's/#include "//; s#/$##' || true)
done
if [ "$status" -eq 0 ]; then echo "check-layers: ${order[*]}: every folder includes only what it may"; fi
exit $status
