"""StrictEntityEditor against the plain EntityEditor on a large model.

Usage: python bench/strict_editor.py [--entities N] [--rounds R]   (with the package installed)

A model of N probes (default 100,000) named with one width, as in bench/run.py's scale case.
Every case is timed in each round (interleaved; minimum over the rounds kept):
- a hit by (type, name, path): the plain editor, the strict editor on a value that shows that
  the attribute exists (non-zero) and on a zero value (one more question to the library);
- a miss of the strict editor: a name one character short (its error names the closest names).
Targets: a hit within 2x the plain editor, a miss under 50 ms.
"""
import argparse
import json
import time

import varnex2_standin as standin
import Varnex2Python as vx


def model(count):
    return {"format": "varnex2-standin-model/1", "entities": [
        {"name": "P%06d" % i, "type": "Probe", "id": [i + 1, 1],
         "attributes": [{"name": "Group", "kind": "composite",
                         "attributes": [{"name": "Count", "kind": "int", "value": i % 100}]}]}
        for i in range(count)]}


def per_call(f, number):
    start = time.perf_counter()
    for _ in range(number):
        f()
    return (time.perf_counter() - start) / number


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--entities", type=int, default=100000)
    p.add_argument("--rounds", type=int, default=7)
    args = p.parse_args()
    standin.load_model(json.dumps(model(args.entities)))
    manager = vx.ISolverManager.instance()
    plain, strict = vx.EntityEditor(manager), vx.StrictEntityEditor(manager)
    middle = args.entities // 2 + 1  # a non-zero value; middle - 1 ends in 00: a zero value
    found = ("Probe", "P%06d" % middle, "Group/Count")
    zero = ("Probe", "P%06d" % (middle - 1), "Group/Count")
    typo = ("Probe", ("P%06d" % middle)[:-1], "Group/Count")
    assert strict.getIntValue(*found) == plain.getIntValue(*found) == middle % 100 != 0
    assert strict.getIntValue(*zero) == plain.getIntValue(*zero) == 0

    def miss():
        try:
            strict.getIntValue(*typo)
        except vx.MissingEntityError:
            return
        raise AssertionError("no error for %r" % (typo,))

    cases = {
        "plain hit": (lambda: plain.getIntValue(*found), 20000),
        "strict hit": (lambda: strict.getIntValue(*found), 20000),
        "strict hit, zero value": (lambda: strict.getIntValue(*zero), 20000),
        "strict miss": (miss, 3),
    }
    best = {name: float("inf") for name in cases}
    for _ in range(args.rounds):
        for name, (f, number) in cases.items():
            best[name] = min(best[name], per_call(f, number))
    for name in cases:
        print("%-24s %12.3f us" % (name, best[name] * 1e6))
    for name in ("strict hit", "strict hit, zero value"):
        ratio = best[name] / best["plain hit"]
        print("%s / plain hit: %.2fx (target <= 2x: %s)" % (name, ratio, "PASS" if ratio <= 2 else "FAIL"))
    print("strict miss: %.1f ms (target < 50 ms: %s)" % (best["strict miss"] * 1e3,
                                                          "PASS" if best["strict miss"] < 0.05 else "FAIL"))
    try:
        strict.getIntValue(*typo)
    except vx.MissingEntityError as error:
        print("the miss says: %s" % error)
    standin.reset()


if __name__ == "__main__":
    main()
