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

# The program's own files are read in one place: src/core/files/ (and the
# engine's and the post-processing's input readers), beside their writers.
# Elsewhere no file calls the line readers (readLines, splitLines) or the
# free-format readers (FreeReader, freeReaderOfFile); readFileText, which
# only fetches a file's bytes (from the directory or a tube's archive) to
# hand to a reader of files/, is not one of them. Comments are not looked at.
# Exempt, each for what it reads:
readers_allowed=(
  text/                        # the readers themselves
  platform/files.              # readLines and freeReaderOfFile over the file system
  files/                       # the program's own formats, reader beside writer
  engine/engine_files.         # the engine's input: zeftal0.par, measurement and meteo file
  postprocessing/karakt.cpp    # the post-processing's input: input.txt and the series file
  # Outside input, which the program reads and never writes:
  input/calendar.cpp           # kron.txt
  coupling/coupling.cpp        # the coupling file
  coupling/completeness.cpp    # the user's meteo file, its first and last day
  coupling/knmi_meteo.cpp      # KNMI day files
  coupling/stress_file.cpp     # stress files of the extended model (a well field, a river)
  coupling/given_components.cpp  # componenten.txt: trends and steps given per location
  preprocessor/splitter.cpp    # DINO and OLGA exports
  session/session.cpp          # the exports, for the locations of their tubes
  ui/untSELECTIE.cpp           # the meteo file the user picks (is it a KNMI file?)
  # The cluster's task lists, phase files and merged logs, which only the
  # cluster unit writes and reads; and the coupling file it splits.
  cluster/cluster.cpp
  # The command line: KNMI files it converts, and a refusal's text it
  # splits into lines (the demo's summary reads S.sel and S.sta in files/).
  cli/commands.cpp
)
src_root=$(dirname "$core")
reader_dirs=("$core")
for extra in ui cli; do [ -d "$src_root/$extra" ] && reader_dirs+=("$src_root/$extra"); done
readers_status=0
while IFS= read -r hit; do
  [ -n "$hit" ] || continue
  file=${hit%%:*}
  relative=${file#"$core"/}
  relative=${relative#"$src_root"/}
  exempt=0
  for allowed_prefix in "${readers_allowed[@]}"; do
    [[ "$relative" == "$allowed_prefix"* ]] && exempt=1 && break
  done
  [ "$exempt" -eq 1 ] && continue
  rest=${hit#*:}
  line=${rest%%:*}
  call=$(grep -oE '\b(FreeReader|freeReaderOfFile|readLines|splitLines)\b' <<< "${rest#*:}" | head -1)
  echo "check-layers: $file:$line: calls $call on a file; the program's own files are read in files/"
  readers_status=1
done < <(find "${reader_dirs[@]}" -name '*.h' -o -name '*.cpp' | sort |
         xargs awk '{ line = $0; sub(/\/\/.*/, "", line) }
                    line ~ /(^|[^A-Za-z0-9_])(FreeReader|freeReaderOfFile|readLines|splitLines)([^A-Za-z0-9_]|$)/ {
                      print FILENAME ":" FNR ":" line }')
if [ "$readers_status" -eq 0 ]; then
  echo "check-layers: the program's own files are read only in files/ and the input readers"
fi
[ "$readers_status" -eq 0 ] || status=1
exit $status
