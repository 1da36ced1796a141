#!/usr/bin/env python3
"""Makes a study of TUBES tubes from a demo directory, for timing whole runs.

    bench/make_demo_study.py DEMO_DIR TUBES OUT_DIR

DEMO_DIR is a directory written by `phreatix-cli demo DIR --no-pack` (only its
export, meteo files, coupling file and kron.txt are read). OUT_DIR gets the
meteo files and kron.txt, an export `studie.csv` holding the demo's tube
series again and again under new location codes (the fifth character of the
code is the copy number: 28AL0005, 28AL1005, 28AL2005, ...) until TUBES
series are there, and `koppeling.txt` coupling every new location to its
original's meteo file. Every copy keeps the demo's character: one location
with two filters, one moved tube, one seepage tube without a plausible model.
"""
import os
import shutil
import sys


def renamed(code, copy):
    return code[:4] + str(copy) + code[5:]


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    demo, tubes, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    if tubes < 1:
        sys.exit("TUBES must be at least 1")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(demo, "demo_dino.csv")) as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    blank = lines.index("", 7)
    head, meta, series_head = lines[:7], lines[7:blank], lines[blank + 1]
    rows = [row for row in lines[blank + 2:] if row.count(",") >= 2]
    series = []  # (location, filter) in export order
    for row in rows:
        key = tuple(row.split(",")[:2])
        if key not in series:
            series.append(key)
    if (tubes + len(series) - 1) // len(series) > 10:
        sys.exit("at most %d tubes: the copy number is one digit" % (10 * len(series)))
    chosen = []  # (copy, location, filter)
    copy = 0
    while len(chosen) < tubes:
        for loc, flt in series:
            if len(chosen) < tubes:
                chosen.append((copy, loc, flt))
        copy += 1
    wanted = set(chosen)
    out_meta, out_rows = [], []
    for c in range(copy):
        for row in meta:
            f = row.split(",")
            if (c, f[0], f[1]) in wanted:
                out_meta.append(",".join([renamed(f[0], c)] + f[1:]))
        for row in rows:
            f = row.split(",")
            if (c, f[0], f[1]) in wanted:
                out_rows.append(",".join([renamed(f[0], c)] + f[1:]))
    with open(os.path.join(out, "studie.csv"), "w", newline="\n") as f:
        f.write("\n".join(head + out_meta + ["", series_head] + out_rows) + "\n")

    meteo_of = {}
    with open(os.path.join(demo, "koppeling.txt")) as f:
        for line in f:
            words = line.replace(",", " ").replace(";", " ").split()
            if len(words) == 2:
                loc, met = (words[1], words[0]) if words[0].endswith(".prn") else words
                meteo_of[loc] = met
    coupled = []
    with open(os.path.join(out, "koppeling.txt"), "w", newline="\n") as f:
        for c, loc, _ in chosen:
            if (c, loc) not in coupled:
                coupled.append((c, loc))
                f.write("%s %s\n" % (renamed(loc, c), meteo_of[loc]))
    for name in set(meteo_of.values()) | {"kron.txt"}:
        shutil.copyfile(os.path.join(demo, name), os.path.join(out, name))


if __name__ == "__main__":
    main()
