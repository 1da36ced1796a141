#!/usr/bin/env python3
"""Writes a DINO export of the older layout (the one "Opsplitsen" splits) for
timing the reader and the splitter on a province's worth of tubes.

    bench/make_dino_export.py TUBES YEARS FILE

TUBES locations, each with readings on the 14th and 28th of every month for
YEARS years from 1 January 2000: 2000 tubes over 10 years make about 482,000
lines. For variety every 100th location has a second filter, every 40th was
moved more than 50 m after its first two years (two metadata rows, the older
period dropped by the reader), and every 17th reading is missing ("B").
The levels follow a seasonal wave in cm below surface level, some above it.
The output depends on the arguments only.
"""
import math
import sys


def code(i):
    # B<map sheet>C<number>: 8 characters, none a part of another.
    return "B%02dC%04d" % (i // 10000 % 100, i % 10000 + 1)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    tubes, years, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    first_year = 2000
    lines = [
        "Titel: Grondwaterstanden provincie",
        "Gebruikersnaam: bench",
        "Periode aangevraagd: 01/01/%d-31/12/%d" % (first_year, first_year + years - 1),
        "Datum: 01/02/%d" % (first_year + years),
        "Referentie: Maaiveld (MV)",
        "",
        "LOCATIE,FILTERNUMMER,EXTERNE AANDUIDING,X-COORDINAAT,Y-COORDINAAT,MAAIVELD NAP,"
        "GESCHAT,MEETPUNT NAP,BOVENKANT FILTER,ONDERKANT FILTER,START DATUM,EIND DATUM",
    ]
    series = []  # (location, filter)
    for i in range(tubes):
        loc = code(i)
        x, y = 120000 + 37 * i % 90000, 380000 + 53 * i % 120000
        filters = ["001", "002"] if i % 100 == 0 else ["001"]
        for f in filters:
            depth = 250 if f == "001" else 800

            def meta(x_m, start, end):
                return "%s,%s,EXT%05d,%d,%d,1200,N,1240,%d,%d,%s,%s" % (
                    loc, f, i, x_m, y, 1200 - depth, 1100 - depth, start, end)
            if i % 40 == 7:
                lines.append(meta(x - 80, "%d/01/01" % first_year,
                                  "%d/12/31 0:00:00" % (first_year + 1)))
                lines.append(meta(x, "%d/01/01" % (first_year + 2), ""))
            else:
                lines.append(meta(x, "%d/01/01" % first_year, ""))
            series.append((loc, f))
    lines.append("")
    lines.append("LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID")
    for s, (loc, f) in enumerate(series):
        mean = 60 + 23 * s % 140
        for r in range(24 * years):
            year, month, day = first_year + r // 24, r // 2 % 12 + 1, 14 if r % 2 == 0 else 28
            level = round(mean + 45 * math.cos(2 * math.pi * (r % 24) / 24) + (7 * r + s) % 11)
            if (r + s) % 17 == 0:
                lines.append("%s,%s,%d/%02d/%02d 00:00:00,,B" % (loc, f, year, month, day))
            else:
                lines.append("%s,%s,%d/%02d/%02d 00:00:00,%d," % (loc, f, year, month, day,
                                                                 level - 80))
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
