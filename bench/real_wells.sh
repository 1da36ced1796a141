#!/usr/bin/env bash
# Runs both model families on the shared real wells (DINO exports with KNMI
# meteo) and prints per well and model the chosen model, the fit (started in
# equilibrium), the measured GxG over the readings' own years, the simulated
# GxG over those same years, their differences, the warnings, and the CPU
# time of the whole run at --jobs 1 (median of RUNS runs).
#
#   bench/real_wells.sh [WORKROOT] [RUNS]
#
# WORKROOT (default build/real-wells) receives one working directory per
# well and model. The data come from ../shared/realdata (PHREATIX_REALDATA
# overrides); the script exits 0 without a table when they are absent.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
data=${PHREATIX_REALDATA:-$root/../shared/realdata}
work=${1:-$root/build/real-wells}
runs=${2:-3}
cli=$root/build/src/cli/phreatix-cli
[ -d "$data" ] || { echo "no real data in $data"; exit 0; }
[ -x "$cli" ] || { echo "build phreatix-cli first (scripts/build.sh)"; exit 1; }
mkdir -p "$work/meteo"

# The meteo files: KNMI rain with De Bilt's evaporation, and Weerselo's
# ready file.
meteo() {
  local out=$work/meteo/$1.prn
  [ -s "$out" ] || "$cli" meteo "$2" ${3:+"$3"} -o "$out" > "$work/meteo/$1.log"
  echo "$out"
}
bilt=$(meteo bilt "$data/KNMI_Bilt.txt")
oldebroek=$(meteo oldebroek "$data/neerslaggeg_OLDEBROEK_336.txt" "$data/KNMI_Bilt.txt")
anthonis=$(meteo anthonis "$data/precipitation_st_anthonis.txt" "$data/KNMI_Bilt.txt")

wells=(
  "B58C0698 B58C0698001_0.csv $bilt"
  "B33F0080 B33F0080001_0.csv $oldebroek"
  "B46D0731 B46D0731001_1.csv $anthonis"
  "B33F0133 B33F0133001_1.csv $oldebroek"
  "B28H1804 B28H1804001_1.csv $data/weerselo_twenthe.prn"
)

for model in standaard uitgebreid; do
  for w in "${wells[@]}"; do
    read -r code file met <<< "$w"
    dir=$work/$model/$code
    : > "$work/$model-$code.cpu"
    for ((r = 1; r <= runs; r++)); do
      rm -rf "$dir"
      mkdir -p "$dir"
      cp "$data/$file" "$dir/"
      cp "$met" "$dir/meteo.prn"
      echo "$code meteo.prn" > "$dir/koppeling.txt"
      (cd "$dir" && "$cli" kron > /dev/null)
      (cd "$dir" && /usr/bin/time -f "%U %S" -o "$dir/../$code.time" \
        "$cli" run --data "$file" --coupling koppeling.txt --no-pack --jobs 1 \
        --model "$model" --start-year 1986 --end-year 2015 > run.log 2>&1) || true
      awk '{print $1 + $2}' "$dir/../$code.time" >> "$work/$model-$code.cpu"
    done
  done
done

python3 - "$work" "${wells[@]}" <<'PY'
import csv, statistics, sys, os
work = sys.argv[1]
codes = [w.split()[0] for w in sys.argv[2:]]
def row(model, code):
    path = os.path.join(work, model, code, "overzicht.csv")
    if not os.path.exists(path):
        return {}
    with open(path, newline="", encoding="utf-8") as f:
        for r in csv.DictReader(f):
            if r.get("buis", "").startswith(code) or code in "".join(r.values()):
                return r
    return {}
def col(r, *names):
    for n in names:
        for k, v in r.items():
            if k.split(" ")[0] == n and v not in ("", None):
                return v
    return "-"
def num(v):
    try:
        return float(v)
    except (TypeError, ValueError):
        return None
print(f"{'well':9} {'model':10} {'kand':4} {'EVP%':>6} {'jaren':>5} "
      f"{'GHG m/s/d':>17} {'GLG m/s/d':>17} {'GVG m/s/d':>17} {'CPU s':>6}  warnings")
for code in codes:
    for model in ("standaard", "uitgebreid"):
        r = row(model, code)
        cpu = [float(x) for x in open(os.path.join(work, f"{model}-{code}.cpu")).read().split()]
        cells = []
        for g in ("ghg", "glg", "gvg"):
            m = num(col(r, f"{g}_gemeten"))
            s = num(col(r, f"{g}_zelfde_jaren"))
            d = f"{s - m:+.1f}" if m is not None and s is not None else "-"
            cells.append(f"{(f'{m:.1f}' if m is not None else '-'):>6}/{(f'{s:.1f}' if s is not None else '-'):>6}/{d:>5}")
        print(f"{code:9} {model:10} {col(r, 'model'):4} {col(r, 'evp_fit'):>6} {col(r, 'jaren_gemeten'):>5} "
              f"{cells[0]:>17} {cells[1]:>17} {cells[2]:>17} {statistics.median(cpu):6.2f}  {col(r, 'waarschuwingen')}")
PY
