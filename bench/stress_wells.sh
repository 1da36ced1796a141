#!/usr/bin/env bash
# Runs Model: uitgebreid on the shared wells with a second influence and on
# B33F0133, and prints what each should show:
#
# - stepex_edit (B58C0698's series with +45 cm from 2005-07-14 on): the step
#   found, its date and size, against the known one;
# - wellex (a pumping station's abstraction, stopped after 2012): the sign
#   of the stress's gain (more abstraction, deeper levels: negative, in cm
#   per m3/day with levels positive upward), the fit's EVP with and without
#   the stress file, and GHG, GLG and GVG under --situatie einde and
#   gemiddeld (einde, without the abstraction, should be the shallower);
# - rivex (a river's stage): the chosen model, the EVP, the stress's gain;
# - B33F0133 (a rise of about 1.8 m over 1990-2010, Oldebroek's rain): the
#   chosen model (a trend expected), the EVP, and its GxG under einde
#   against the measured GxG of its last eight years that the measured-GxG
#   rule counts, worked out here from the export's readings.
#
#   bench/stress_wells.sh [WORKROOT]
#
# WORKROOT (default build/stress-wells) receives the inputs that
# bench/stress_wells.py writes and one working directory per run
# (WORKROOT/<example>/<run>/). The data come from ../shared/realdata
# (PHREATIX_REALDATA overrides); the script exits 0 without a table when
# they are absent.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export PHREATIX_REALDATA=${PHREATIX_REALDATA:-$root/../shared/realdata}
data=$PHREATIX_REALDATA
work=$(mkdir -p "${1:-$root/build/stress-wells}" && cd "${1:-$root/build/stress-wells}" && pwd)
export PHREATIX_CLI=$root/build/src/cli/phreatix-cli
cli=$PHREATIX_CLI
[ -d "$data/stresses" ] || { echo "no real data in $data"; exit 0; }
[ -x "$cli" ] || { echo "build phreatix-cli first (scripts/build.sh)"; exit 1; }

# A program without the setting Situatie runs every situation as its own
# default; the table then says so.
situations=(einde gemiddeld)
if ! "$cli" run --help | grep -q -- '--situatie'; then
  echo "phreatix-cli kent --situatie niet: alleen de standaardsituatie"
  situations=(standaard)
fi

python3 bench/stress_wells.py "$work"

# B33F0133 as bench/real_wells.sh runs it: Oldebroek's rain with De Bilt's
# evaporation, simulation 1986-2015.
b33=$work/B33F0133
mkdir -p "$b33"
[ -s "$b33/oldebroek.prn" ] ||
  "$cli" meteo "$data/neerslaggeg_OLDEBROEK_336.txt" "$data/KNMI_Bilt.txt" \
    -o "$b33/oldebroek.prn" > "$b33/meteo.log"
cp "$data/B33F0133001_1.csv" "$b33/"
echo "B33F0133 oldebroek.prn" > "$b33/koppeling.txt"
echo "1986 2015" > "$b33/jaren.txt"
(cd "$b33" && "$cli" kron --force > /dev/null)

# run EXAMPLE RUN EXPORT COUPLING SITUATION: one working directory with
# the example's inputs, the run's log in run.log.
run() {
  local src=$work/$1 dir=$work/$1/$2 years
  rm -rf "$dir"
  mkdir -p "$dir"
  find "$src" -maxdepth 1 -type f -exec cp {} "$dir/" \;
  read -r -a years < "$src/jaren.txt"
  local situation=()
  [ "$5" = standaard ] || situation=(--situatie "$5")
  (cd "$dir" && "$cli" run --data "$3" --coupling "$4" --no-pack --jobs 1 \
    --model uitgebreid "${situation[@]}" --start-year "${years[0]}" --end-year "${years[1]}" \
    > run.log 2>&1) || echo "$1/$2: phreatix-cli run eindigde met $? (zie $dir/run.log)"
}

for s in "${situations[@]}"; do
  run wellex "$s" B00W0001001.csv koppeling.txt "$s"
  run stepex_edit "$s" B00S0001001.csv koppeling.txt "$s"
  run rivex "$s" B00R0001001.csv koppeling.txt "$s"
done
run wellex zonder-stress B00W0001001.csv koppeling-zonder.txt "${situations[0]}"
run B33F0133 "${situations[0]}" B33F0133001_1.csv koppeling.txt "${situations[0]}"

python3 - "$work" "${situations[@]}" <<'PY'
import csv, datetime, os, re, sys

work, situations = sys.argv[1], sys.argv[2:]
first = situations[0]


def overview(example, run, code):
    path = os.path.join(work, example, run, "overzicht.csv")
    if not os.path.exists(path):
        return {}
    with open(path, newline="", encoding="utf-8") as f:
        for r in csv.DictReader(f):
            if r.get("buis", "").startswith(code):
                return {k.split(" ")[0]: v for k, v in r.items()}
    return {}


def selection(example, run, code):
    """(chosen label, {component kind: its S.sel line's words})."""
    path = os.path.join(work, example, run, code + ".sel")
    chosen, components = "-", {}
    if os.path.exists(path):
        for line in open(path, encoding="utf-8"):
            words = line.split()
            if words[:1] == ["gekozen"]:
                chosen = words[1]
            elif words[:1] == ["component"]:
                components[words[1]] = words
    return chosen, components


def candidates(example, run, code):
    """The labels of the candidates S.sel lists."""
    path = os.path.join(work, example, run, code + ".sel")
    if not os.path.exists(path):
        return []
    return [l.split()[1] for l in open(path, encoding="utf-8") if l.startswith("kandidaat ")]


def stress_candidates(example, run, code):
    """What S.sel says of the candidates with the stress (labels with x)."""
    labels = candidates(example, run, code)
    with_stress = [l for l in labels if "x" in l]
    return (f"kandidaten {' '.join(labels) or '-'}; met stress: "
            + (" ".join(with_stress) if with_stress else "GEEN gecalibreerd"))


def after(words, key):
    return words[words.index(key) + 1] if key in words else None


def num(v):
    try:
        return float(v)
    except (TypeError, ValueError):
        return None


def fmt(v, digits=1):
    return "-" if v is None else f"{v:.{digits}f}"


def gxg(r):
    return " / ".join(fmt(num(r.get(g))) for g in ("ghg", "glg", "gvg"))


print()
print("Doelen (uitgebreid; GxG in cm-mv, GHG / GLG / GVG)")

# stepex_edit: the step against +45 cm on 2005-07-14.
label, comps = selection("stepex_edit", first, "B00S0001")
r = overview("stepex_edit", first, "B00S0001")
step = comps.get("stap")
print(f"\nstepex_edit B00S0001: gekozen {label}, EVP {r.get('evp_fit', '-')} %")
if step:
    day = datetime.date.fromisoformat(after(step, "op"))
    size = num(after(step, "sprong"))
    se = after(step, "sprong") and step[step.index("sprong") + 2]
    known = datetime.date(2005, 7, 14)
    off = (day - known).days
    print(f"  stap gevonden: {day} sprong {size:+.1f} cm (se {se})"
          f"   bekend: {known} +45.0 cm   verschil {off:+d} dagen, {size - 45:+.1f} cm")
    # Readings twice a month: every day after one reading up to the next
    # splits the readings alike, so the date is known only to that span.
    export = open(os.path.join(work, "stepex_edit", "B00S0001001.csv"), encoding="utf-8")
    lines = export.read().splitlines()
    start = next(i for i, l in enumerate(lines) if "BIJZONDERHEID" in l) + 1
    dates = sorted(datetime.date(*map(int, l.split(",")[2][:10].split("/")))
                   for l in lines[start:] if l.strip())
    before = max(d for d in dates if d < day)
    on = min(d for d in dates if d >= day)
    print(f"  metingen rond de gevonden stap: {before} en {on}; elke stapdag van "
          f"{before + datetime.timedelta(days=1)} t/m {on} deelt de metingen even zo: "
          + ("de bekende dag ligt erin (goed)" if before < known <= on
             else "de bekende dag ligt erbuiten"))
else:
    print("  stap gevonden: geen   bekend: 2005-07-14 +45.0 cm")

# wellex: the stress's gain, EVP with and without the stress, GxG per situation.
print()
rows = {}
for run in situations + ["zonder-stress"]:
    label, comps = selection("wellex", run, "B00W0001")
    r = overview("wellex", run, "B00W0001")
    stress = comps.get("stress")
    gain = num(after(stress, "versterking")) if stress else None
    rows[run] = (label, r, gain, comps)
label, r, gain, comps = rows[first]
sign = ("-" if gain is None else
        "negatief (goed: meer onttrekking, diepere standen)" if gain < 0 else
        "positief (fout: meer onttrekking zou ondiepere standen geven)")
print(f"wellex B00W0001: gekozen {label} (componenten: {', '.join(comps) or 'geen'}), "
      f"versterking stress {fmt(gain, 5)} cm per m3/dag: {sign}")
print(f"  {stress_candidates('wellex', first, 'B00W0001')}")
lz, rz, _, cz = rows["zonder-stress"]
print(f"  EVP met stress {rows[first][1].get('evp_fit', '-')} % ({rows[first][0]}), "
      f"zonder stressbestand {rz.get('evp_fit', '-')} % ({lz})")
for run in situations:
    print(f"  situatie {run:9}: GxG {gxg(rows[run][1])}")
if len(situations) == 2:
    e, g = rows["einde"][1], rows["gemiddeld"][1]
    diffs = [(num(e.get(k)), num(g.get(k))) for k in ("ghg", "glg", "gvg")]
    if all(a is not None and b is not None for a, b in diffs):
        shallower = all(a < b for a, b in diffs)
        print("  einde - gemiddeld: " + " / ".join(f"{a - b:+.1f}" for a, b in diffs) +
              (" cm: einde ondieper (goed)" if shallower else " cm: einde niet overal ondieper"))

# rivex: label, EVP, the stress's gain.
print()
for run in situations:
    label, comps = selection("rivex", run, "B00R0001")
    r = overview("rivex", run, "B00R0001")
    stress = comps.get("stress")
    gain = num(after(stress, "versterking")) if stress else None
    print(f"rivex B00R0001 ({run}): gekozen {label} (componenten: {', '.join(comps) or 'geen'}), "
          f"EVP {r.get('evp_fit', '-')} %, versterking stress {fmt(gain, 2)} cm per m rivierstand, "
          f"GxG {gxg(r)}")
    print(f"  {stress_candidates('rivex', run, 'B00R0001')}")


# B33F0133: the measured GxG of its last eight counted years, by the rule of
# src/core/postprocessing/measured_gxg.*, from the export's own readings.
def export_readings(path):
    """[(date, cm below surface level)] of a DINOloket export of 2015: the
    readings with a level, no remark that marks them missing (N, B, Y, D,
    O) and inside one of the tube's metadata periods."""
    lines = open(path, encoding="utf-8").read().splitlines()
    title = lambda key: next(i for i, l in enumerate(lines) if l.startswith(key))

    def date(text):
        d, m, y = text.split("-")
        return datetime.date(int(y), int(m), int(d))

    meta = title("Locatie,Filternummer,Externe")
    heads = lines[meta].split(",")
    periods = []
    for line in lines[meta + 1:]:
        if not line.strip(","):
            break
        f = line.split(",")
        start = date(f[heads.index("Startdatum")])
        end = f[heads.index("Einddatum")]
        periods.append((start, date(end) if end else datetime.date.max))
    meas = title("Locatie,Filternummer,Peildatum")
    heads = lines[meas].split(",")
    level, remark = heads.index("Stand (cm t.o.v. MV)"), heads.index("Bijzonderheid")
    out = []
    for line in lines[meas + 1:]:
        f = line.split(",")
        if len(f) <= remark or not f[level].strip():
            continue
        if f[remark][:1] in ("N", "B", "Y", "D", "O"):
            continue
        day = date(f[heads.index("Peildatum")])
        if any(a <= day <= b for a, b in periods):
            out.append((day, int(f[level])))
    return out


def measured_by_year(readings):
    """{counted year: (GHG, GLG, GVG or None)} in cm-mv: measuring days the
    14th and 28th, each the nearest reading within 3 days (the earlier of
    two as near, the first given of one day), a year with at least 20 of
    its 24; GHG the three shallowest, GLG the three deepest, GVG the mean
    of 14 and 28 March and 14 April."""
    by_day = {}
    for day, depth in readings:
        by_day.setdefault(day, depth)
    out = {}
    for year in sorted({d.year for d in by_day}):
        levels = []
        for month in range(1, 13):
            for mday in (14, 28):
                target = datetime.date(year, month, mday)
                found = None
                for k in (0, -1, 1, -2, 2, -3, 3):
                    d = target + datetime.timedelta(days=k)
                    if d in by_day:
                        found = by_day[d]
                        break
                levels.append(found)
        present = sorted(v for v in levels if v is not None)
        if len(present) < 20:
            continue
        spring = [v for v in levels[4:7] if v is not None]
        out[year] = (sum(present[:3]) / 3, sum(present[-3:]) / 3,
                     sum(spring) / len(spring) if spring else None)
    return out


def mean_gxg(per_year, years):
    cols = list(zip(*(per_year[y] for y in years)))
    gvg = [v for v in cols[2] if v is not None]
    return (sum(cols[0]) / len(years), sum(cols[1]) / len(years),
            sum(gvg) / len(gvg) if gvg else None)


print()
label, comps = selection("B33F0133", first, "B33F0133")
r = overview("B33F0133", first, "B33F0133")
per_year = measured_by_year(export_readings(os.path.join(work, "B33F0133", "B33F0133001_1.csv")))
years = sorted(per_year)
last8 = years[-8:]
m8 = mean_gxg(per_year, last8)
mall = mean_gxg(per_year, years)
sim = [num(r.get(g)) for g in ("ghg", "glg", "gvg")]
print(f"B33F0133: gekozen {label} (componenten: {', '.join(comps) or 'geen'}), "
      f"EVP {r.get('evp_fit', '-')} %")
for kind, words in comps.items():
    print("  " + " ".join(words))
print(f"  gemeten, laatste acht getelde jaren {last8[0]}-{last8[-1]} ({' '.join(map(str, last8))}):"
      f" {' / '.join(fmt(v) for v in m8)}")
print(f"  gesimuleerd, situatie {first}, simulatieperiode 1986-2015: "
      f"{' / '.join(fmt(v) for v in sim)}")
print("  gesimuleerd - gemeten: " +
      " / ".join("-" if a is None or b is None else f"{a - b:+.1f}" for a, b in zip(sim, m8)))
print(f"  controle, alle {len(years)} getelde jaren: dit script {' / '.join(fmt(v) for v in mall)},"
      f" programma {' / '.join(r.get(g + '_gemeten', '-') or '-' for g in ('ghg', 'glg', 'gvg'))}"
      f" ({r.get('jaren_gemeten', '-')} jaar)")
PY
