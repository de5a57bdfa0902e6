"""Seeded, bounded call fuzzer of the module's flat functions.

Every call gets a random argument tuple (ints at and past every range edge, infinite, NaN and extreme floats,
bools, None, awkward strings, bytes, proxies of every kind: right, wrong, base, derived, owned,
disowned; wrong counts) while the stand-in library injects random failures. Each call must
return a result or raise exactly one exception of a documented class; SystemError or a crash
fails the run.

    python tests/python/fuzz.py --calls 1000000 --seed 7
"""
import argparse
import math
import random
import sys

ALLOWED = (TypeError, ValueError, OverflowError, RuntimeError, StopIteration)
# Functions that change process-wide state the rest of the run relies on.
SKIPPED_PREFIXES = ("delete_",)
SKIPPED_SUFFIXES = ("_swigregister", "_swiginit")
SKIPPED = {"ISolverManager_solveStop"}

INTS = [0, 1, -1, 2, 3, 4, 7, 2**31 - 1, 2**31, -(2**31), -(2**31) - 1, 2**32, 2**63 - 1, 2**63,
        -(2**63), -(2**63) - 1, 2**64 - 1, 2**64, 10**30, -(10**30)]
FLOATS = [0.0, -0.0, 1.5, -2.25, math.inf, -math.inf, math.nan, 1e39, -1e39, 3.4e38, 1e-320, 1e308]
TEXTS = ["", "a", "Pump", "Network", "CoolingLoop", "Inlet/MassFlowRate", "a\0b", "\ud800", "é" * 40,
         "x" * 300, "1-2", "12-", "-7"]
OTHERS = [None, True, False, b"bytes", bytearray(b"x"), (), [], {}, object(), 1j]


def gather_objects(m, standin):
    """Proxies of every kind reachable through the module, plus owned and disowned ones."""
    objs = []

    def keep(*values):
        objs.extend(v for v in values if v is not None)

    def attempt(fn, *args):
        try:
            return fn(*args)
        except ALLOWED:
            return None

    mgr = m.ISolverManager_instance()
    coll = m.ISolverData_getEntityCollection(mgr)
    keep(mgr, coll, m.ISolverData_getSolutionControl(mgr), m.version())
    entities = [attempt(m.IEntityCollection_getEntity, coll, i)
                for i in range(min(attempt(m.IEntityCollection_getNumberOfEntities, coll) or 0, 12))]
    keep(*entities)
    for entity in entities[:6]:
        n = attempt(m.ICompositeAttribute_getNumberOfAttributes, entity, True) or 0
        for i in range(min(n, 8)):
            keep(attempt(m.ICompositeAttribute_getAttribute, entity, i, True))
        keep(attempt(m.IEntity_getEntityID, entity))
    ident = m.new_EntityID(1, 2)
    keep(ident, m.new_EntityID(), m.EntityID_data(ident), m.EntityID_toCEntityID(ident))
    keep(m.new_EntityEditor(None), m.new_EntityEditor(mgr), m.new_EntityEditor(coll))
    disowned = m.version()
    disowned.disown()
    keep(disowned)
    return objs


DELETERS = {"OrvaneSDK::Model::EntityID *": "delete_EntityID",
            "OrvaneSDK::Model::EntityEditor *": "delete_EntityEditor",
            "swig::SwigPyIterator *": "delete_SwigPyIterator"}


def dispose(m, result):
    """Destroys an owned object that no bound class would destroy (a flat-API caller's duty)."""
    if type(result).__name__ == "SwigPyObject" and result.own():
        name = repr(result).split("'")[1]
        if name in DELETERS:
            getattr(m, DELETERS[name])(result)


def draw_args(rng, objs, base, sizes):
    """base with one argument replaced (a near miss of a call that worked, which reaches the
    deeper checks), or, without a base, random values, most often with an object first."""
    if base is not None:
        args = list(base)
        if args:
            args[rng.randrange(len(args))] = random_value(rng, objs)
    else:
        args = [random_value(rng, objs) for _ in range(rng.choice(sizes))]
        if args and rng.random() < 0.6:  # most functions take an object first
            args[0] = rng.choice(objs)
    return tuple(args)


def random_value(rng, objs):
    pick = rng.random()
    if pick < 0.3:
        return rng.choice(objs)
    if pick < 0.5:
        return rng.choice(INTS)
    if pick < 0.6:
        return rng.choice(FLOATS)
    if pick < 0.8:
        return rng.choice(TEXTS)
    return rng.choice(OTHERS)


def functions(m):
    names = []
    for name, fn in sorted(vars(m).items()):
        if not callable(fn) or name.startswith("__") and name not in ("__eq__", "__ne__", "__lt__", "__le__",
                                                                         "__gt__", "__ge__"):
            continue
        if name.startswith(SKIPPED_PREFIXES) or name.endswith(SKIPPED_SUFFIXES) or name in SKIPPED:
            continue
        names.append(name)
    return names


def run(m, standin, calls, seed, fail_rate=0.05):
    rng = random.Random(seed)
    objs = gather_objects(m, standin)
    names = functions(m)
    addresses = [int(o) for o in objs if type(o).__name__ == "SwigPyObject"]
    outcomes = {"ok": 0}
    successes = {}
    for i in range(calls):
        if rng.random() < fail_rate and addresses:
            try:
                standin.fail_next(rng.choice(addresses), rng.randrange(0, 30),
                                  rng.choice([-2, -3, -4, -5, -6, -1, 9]), rng.choice(["", "injected", "ü\xff"]),
                                  message_fails=rng.random() < 0.2, write_out=rng.random() < 0.5)
            except ValueError:
                pass  # not a library object (an identifier, a version record, an editor): nothing to arm
        name = rng.choice(names)
        known = successes.get(name)
        base = rng.choice(known) if known and rng.random() < 0.6 else None
        args = draw_args(rng, objs, base, [0, 1, 1, 2, 2, 3, 3, 4, 5, 6, 7, 8])
        try:
            result = getattr(m, name)(*args)
        except ALLOWED as e:
            key = type(e).__name__
            outcomes[key] = outcomes.get(key, 0) + 1
            if sys.exc_info()[1] is not e:
                raise AssertionError("exception state mixed up in %s%r" % (name, args))
        except BaseException as e:
            raise AssertionError("%s%r raised %s: %s" % (name, args, type(e).__name__, e)) from e
        else:
            outcomes["ok"] += 1
            if len(successes.setdefault(name, [])) < 8:
                successes[name].append(args)
            if isinstance(result, BaseException):
                raise AssertionError("%s%r returned an exception object" % (name, args))
            dispose(m, result)
        if i % 997 == 0:
            standin.clear_failures()
            standin.clear_messages()
    standin.clear_failures()
    for obj in objs:
        dispose(m, obj)
    return outcomes


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    import _Varnex2Python
    import varnex2_standin

    varnex2_standin.reset()
    print(run(_Varnex2Python, varnex2_standin, args.calls, args.seed))


if __name__ == "__main__":
    main()
