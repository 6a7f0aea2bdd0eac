#!/usr/bin/python3
"""Prints the figures the benchmarks wrote, one row each, with the goal beside it."""
import sys


def main(path):
    try:
        with open(path, encoding="utf-8") as table:
            rows = [line.rstrip("\n").split("\t") for line in table if line.strip()]
    except OSError:
        print("no benchmark figures were written")
        return 1
    header = ["figure", "measured", "goal", ""]
    rows = [row + [""] * (4 - len(row)) for row in rows]
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(4)]
    line = lambda r: "  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip()
    print()
    print(line(header))
    print(line(["-" * w for w in widths]))
    for row in rows:
        print(line(row))
    goals = [r for r in rows if r[2] != "-"]
    met = sum(1 for r in goals if r[3] == "met")
    others = len(rows) - len(goals)
    print(f"\n{met} of {len(goals)} goals met; {others} more {'row is a figure' if others == 1 else 'rows are figures'}"
          " without a goal")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
