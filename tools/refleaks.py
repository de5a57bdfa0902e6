"""Reference-leak check of the module's flat functions (-R style), for a debug CPython.

For every function (the fuzzer's list) it draws, seeded, a few argument tuples that succeed
(half of the tries take one of the function's forms, filled as the fuzzer fills them), a few that fail (random ones and near misses of the working ones) and a few working ones
that fail inside the stand-in library (an armed slot failure). Each group is called a few
hundred times as warm-up, then sys.gettotalrefcount() and sys.getallocatedblocks() are read
around each of several runs of more calls. A leak shows as a positive delta in every run;
any such group is reported and the exit status is 1. Runs without pytest:

    python3.11d tools/refleaks.py [--runs 3 --rounds 1000 --warmup 200 --seed 1]
"""
import argparse
import gc
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fuzz  # noqa: E402

STATUSES = [-2, -3, -4, -5, -6, -1, 9]
ARMED_COUNT = 10 ** 8


def attempt(m, fn, args):
    """True when the call returns (the result is disposed of), False on an allowed exception."""
    try:
        result = fn(*args)
    except fuzz.ALLOWED:
        return False
    fuzz.dispose(m, result)
    return True


def draw_cases(m, standin, rng, fn, objs, tries=1500, keep=3, forms=None, drawer=None):
    """Groups to measure, as (kind, argument tuples, failure arm or None); kind is 'ok', 'fail'
    or 'lib-fail' (a working tuple with the stand-in failure armed that makes it fail). With the
    function's forms and the fuzzer's drawer, half of the tries use one of its forms."""
    ok, fail, near = [], [], []
    for _ in range(tries):
        base = rng.choice(ok) if ok and rng.random() < 0.5 else None
        if forms and base is None and rng.random() < 0.5:
            drawer.rng = rng
            args = drawer.form(fn.__name__, forms)
        else:
            args = fuzz.draw_args(rng, objs, base, [0, 1, 1, 2, 2, 3, 3, 4, 5])
        target = fail if base is None else near
        if attempt(m, fn, args):
            if len(ok) < keep and repr(args) not in map(repr, ok):  # == of iterators may raise
                ok.append(args)
        elif len(target) < keep:
            target.append(args)
        if len(ok) == keep and len(near) == keep and len(fail) == keep:
            break
    groups = [(kind, cases, None) for kind, cases in (("ok", ok), ("fail", fail[:2] + near)) if cases]
    # Each working call is made to fail at up to two of the raw slots it reaches.
    for args in ok[:2]:
        standin.clear_calls()
        standin.record_calls(True)
        attempt(m, fn, args)
        standin.record_calls(False)
        reached = sorted({(address, slot) for address, slot, _ in standin.calls() if address})
        standin.clear_calls()
        for address, slot in rng.sample(reached, min(2, len(reached))):
            arm = dict(address=address, slot=slot, status=rng.choice(STATUSES), count=ARMED_COUNT,
                       message=rng.choice(["", "injected", "ü\xff"]), message_fails=rng.random() < 0.2,
                       write_out=rng.random() < 0.5)
            standin.fail_next(**arm)
            if not attempt(m, fn, args):
                groups.append(("lib-fail", [args], arm))
            standin.clear_failures()
    return groups


def deltas(m, fn, cases, warmup, runs, rounds):
    """Reference and block count changes over each run. As in CPython's -R: each reading
    replaces the previous one and the deltas go to preallocated lists, so that the bookkeeping
    holds as many objects at every reading."""
    def loop(n):
        for _ in range(n):
            for args in cases:
                attempt(m, fn, args)

    loop(warmup)
    refs, blocks = [0] * runs, [0] * runs
    refs_before = blocks_before = 0
    for i in range(-2, runs):  # two readings first: from then on the previous ones are live ints
        if i >= 0:
            loop(rounds)
        gc.collect()
        blocks_after = sys.getallocatedblocks()
        refs_after = sys.gettotalrefcount()
        if i >= 0:
            refs[i], blocks[i] = refs_after - refs_before, blocks_after - blocks_before
        refs_before, blocks_before = refs_after, blocks_after
    return list(zip(refs, blocks))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--rounds", type=int, default=1000)
    parser.add_argument("--warmup", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--only", help="check only the functions whose name contains this")
    parser.add_argument("-v", "--verbose", action="store_true", help="print every group's deltas")
    opts = parser.parse_args()
    if not hasattr(sys, "gettotalrefcount"):
        sys.exit("refleaks.py needs a debug build of CPython (sys.gettotalrefcount)")
    import _Varnex2Python as m
    import varnex2_standin as standin

    import Varnex2Python
    try:
        import _Varnex2TestPeer as peer
    except ImportError:
        peer = None

    standin.reset()
    objs = fuzz.gather_objects(m, standin)
    pool = fuzz.Pool(m, standin, peer, Varnex2Python)
    drawer = fuzz.Drawer(m, pool, random.Random(opts.seed))
    forms = fuzz.load_forms()
    names = [n for n in fuzz.functions(m) if not opts.only or opts.only in n]
    leaks, counts, calls, worst = [], {"ok": 0, "fail": 0, "lib-fail": 0}, 0, [0, 0]
    for name in names:
        fn = getattr(m, name)
        valid = None if name.startswith(fuzz.TAKING) else forms[name]
        for kind, cases, arm in draw_cases(m, standin, random.Random("%d:%s" % (opts.seed, name)), fn, objs,
                                           forms=valid, drawer=drawer):
            if arm:
                standin.fail_next(**arm)
            found = deltas(m, fn, cases, opts.warmup, opts.runs, opts.rounds)
            standin.clear_failures()
            standin.clear_messages()
            counts[kind] += 1
            calls += len(cases) * (opts.warmup + opts.runs * opts.rounds)
            worst = [max(worst[0], *(r for r, _ in found)), max(worst[1], *(b for _, b in found))]
            leaking = [what for i, what in enumerate(("refs", "blocks")) if all(d[i] >= 1 for d in found)]
            line = "%-50s %-8s %s" % (name, kind, " ".join("%+d/%+d" % d for d in found))
            if leaking:
                leaks.append(line)
                print("LEAK (%s) %s   args=%r%s" % ("+".join(leaking), line, cases, " arm=%r" % arm if arm else ""),
                      flush=True)
            elif opts.verbose:
                print("ok   " + line, flush=True)
    for obj in objs:
        fuzz.dispose(m, obj)
    pool.release()
    print("%d functions, %d groups (%s), %d calls; largest delta per run: %+d refs, %+d blocks; %d leaking"
          % (len(names), sum(counts.values()), ", ".join("%d %s" % (v, k) for k, v in counts.items()), calls,
             worst[0], worst[1], len(leaks)))
    sys.exit(1 if leaks else 0)


if __name__ == "__main__":
    main()
