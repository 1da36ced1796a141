#!/usr/bin/env python3
"""Turns the shared wells with a second influence into working directories
for Model: uitgebreid.

    bench/stress_wells.py WORKROOT

The series in ../shared/realdata/stresses (PHREATIX_REALDATA overrides the
folder above it) are daily "date,value" files: heads in m relative to NAP,
rain and evaporation in m/day, an abstraction in m3/day, a river stage in m.
For each example WORKROOT/<example>/ receives

- <code>001.csv, a DINO export of the older layout with the one tube
  <code> filter 001: the heads as whole cm below the surface level stated in
  EXAMPLES, one reading a day (a day with several readings gets their mean);
- meteo.prn, the meteo file the program reads: head line "M 5 0.01 4 5",
  then "dd mm yyyy P E" in whole 0.1 mm (m/day x 10,000), every day on which
  both the rain and the evaporation file have a value, which must be days in
  a row;
- the stress file (docs/formats/stress-file.md) where the example has one,
  the values as the source writes them;
- koppeling.txt (code, meteo file, stress file) and koppeling-zonder.txt
  (code and meteo file only), jaren.txt ("start end": the simulation period,
  whole calendar years inside the meteo file after a warm-up of 731 days)
  and kron.txt, written by "phreatix-cli kron" (PHREATIX_CLI overrides
  build/src/cli/phreatix-cli).

The output depends on the data only. Exit 0 without writing anything when
the data are absent.
"""
import datetime
import decimal
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# name: code, head file, rain file, evaporation file, surface level (m NAP),
# stress (file, soort, eenheid) or None, last day of the heads or None.
EXAMPLES = {
    # Surface level: the series' highest head 16.89 m NAP, plus 1 m.
    "wellex": ("B00W0001", "head_wellex.csv", "prec_wellex.csv", "evap_wellex.csv",
               "17.90", ("well_wellex.csv", "onttrekking", "m3/dag"), None),
    # The series of tube B58C0698, whose DINO export gives the surface level
    # 30.17 m NAP ("MAAIVELD NAP" 3017 cm), with +0.45 m from 2005-07-14 on.
    "stepex_edit": ("B00S0001", "head_stepex_edit.csv", "rain_stepex.csv", "evap_stepex.csv",
                    "30.17", None, None),
    # Surface level: the series' highest head 11.21 m NAP, plus 1 m. The
    # river stage ends 2019-10-29, and so do the heads taken.
    "rivex": ("B00R0001", "head_rivex.csv", "prec_rivex.csv", "evap_rivex.csv",
              "12.21", ("waterlevel_rivex.csv", "rivier", "m"), datetime.date(2019, 10, 29)),
}

WARMUP_DAYS = 731


def read_series(path):
    """[(date, text of the value)] of a "date,value" file; the date may carry
    a time of day."""
    rows = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for number, line in enumerate(lines[1:], start=2):
        if not line.strip():
            continue
        stamp, _, value = line.partition(",")
        try:
            day = datetime.date.fromisoformat(stamp.strip()[:10])
            decimal.Decimal(value.strip())
        except (ValueError, decimal.InvalidOperation):
            sys.exit(f"{path}:{number}: verwacht \"jjjj-mm-dd,waarde\", gevonden \"{line}\"")
        rows.append((day, value.strip()))
    return rows


def whole(x):
    """A Decimal rounded to the nearest integer, halves away from zero."""
    return int(x.quantize(decimal.Decimal(1), rounding=decimal.ROUND_HALF_UP))


def daily_depths(rows, surface, last):
    """{date: cm below surface level} from heads in m NAP: the mean of a
    day's heads, up to and including `last`."""
    by_day = {}
    for day, value in rows:
        if last is not None and day > last:
            continue
        by_day.setdefault(day, []).append(decimal.Decimal(value))
    depths = {}
    for day, heads in by_day.items():
        mean = sum(heads) / len(heads)
        depths[day] = whole((surface - mean) * 100)
    return dict(sorted(depths.items()))


def dino_export(code, depths, surface, name):
    first = min(depths)
    mv = whole(surface * 100)
    lines = [
        f"Titel: {name}, stijghoogte omgerekend naar cm onder maaiveld {surface} m NAP",
        "Gebruikersnaam: bench",
        f"Periode aangevraagd: 01/01/1800-{max(depths):%d/%m/%Y}",
        f"Datum: {max(depths):%d/%m/%Y}",
        "Referentie: Maaiveld (MV)",
        "",
        "LOCATIE,FILTERNUMMER,EXTERNE AANDUIDING,X-COORDINAAT,Y-COORDINAAT,MAAIVELD NAP,"
        "GESCHAT,MEETPUNT NAP,BOVENKANT FILTER,ONDERKANT FILTER,START DATUM,EIND DATUM",
        f"{code},001,{name.upper()},,,{mv},,{mv},,,{first:%Y/%m/%d},",
        "",
        "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID",
    ]
    for day, depth in depths.items():
        lines.append(f"{code},001,{day:%Y/%m/%d} 00:00:00,{depth},")
    return lines


def meteo_file(rain_path, evap_path):
    rain = dict(read_series(rain_path))
    evap = dict(read_series(evap_path))
    days = sorted(set(rain) & set(evap))
    for a, b in zip(days, days[1:]):
        if (b - a).days != 1:
            sys.exit(f"{rain_path}, {evap_path}: samen een gat van {a} tot {b}")
    tenth_mm = decimal.Decimal(10000)
    lines = [f"{len(days)} 5 0.01 4 5"]
    for day in days:
        p = whole(decimal.Decimal(rain[day]) * tenth_mm)
        e = whole(decimal.Decimal(evap[day]) * tenth_mm)
        if p < 0 or e < 0:
            sys.exit(f"{rain_path}, {evap_path}: negatieve waarde op {day}")
        lines.append(f"{day.day:2d} {day.month:2d} {day.year:4d} {p:5d} {e:5d}")
    return lines, days[0], days[-1]


def stress_file(path, kind, unit):
    rows = read_series(path)
    for (a, _), (b, _) in zip(rows, rows[1:]):
        if (b - a).days != 1:
            sys.exit(f"{path}: geen dagreeks: {a} gevolgd door {b}")
    lines = [f"# soort={kind} eenheid={unit}", "datum,waarde"]
    lines += [f"{day:%Y-%m-%d},{value}" for day, value in rows]
    return lines


def simulation_years(first, last):
    """Whole calendar years inside [first, last] that leave the warm-up
    inside it too."""
    start = first.year
    while datetime.date(start, 1, 1) - datetime.timedelta(days=WARMUP_DAYS) < first:
        start += 1
    end = last.year if last == datetime.date(last.year, 12, 31) else last.year - 1
    return start, end


def write(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    work = os.path.abspath(sys.argv[1])
    data = os.path.join(os.environ.get("PHREATIX_REALDATA",
                                       os.path.join(ROOT, "..", "shared", "realdata")),
                        "stresses")
    cli = os.environ.get("PHREATIX_CLI", os.path.join(ROOT, "build", "src", "cli", "phreatix-cli"))
    if not os.path.isdir(data):
        print(f"no stress data in {data}")
        return
    for name, (code, heads, rain, evap, surface, stress, last) in EXAMPLES.items():
        folder = os.path.join(work, name)
        os.makedirs(folder, exist_ok=True)
        surface = decimal.Decimal(surface)
        depths = daily_depths(read_series(os.path.join(data, heads)), surface, last)
        export = f"{code}001.csv"
        write(os.path.join(folder, export), dino_export(code, depths, surface, name))
        meteo, first, final = meteo_file(os.path.join(data, rain), os.path.join(data, evap))
        write(os.path.join(folder, "meteo.prn"), meteo)
        coupling = f"{code} meteo.prn"
        write(os.path.join(folder, "koppeling-zonder.txt"), [coupling])
        if stress:
            stress_name = f"{stress[1]}.csv"
            write(os.path.join(folder, stress_name),
                  stress_file(os.path.join(data, stress[0]), stress[1], stress[2]))
            coupling += f" {stress_name}"
        write(os.path.join(folder, "koppeling.txt"), [coupling])
        start, end = simulation_years(first, final)
        write(os.path.join(folder, "jaren.txt"), [f"{start} {end}"])
        subprocess.run([cli, "kron", "--force"], cwd=folder, check=True,
                       stdout=subprocess.DEVNULL)
        print(f"{name}: {export} ({len(depths)} dagen {min(depths)} t/m {max(depths)}, "
              f"maaiveld {surface} m NAP), meteo.prn {first} t/m {final}, "
              f"simulatie {start}-{end}" + (f", {stress[1]}.csv" if stress else ""))


if __name__ == "__main__":
    main()
