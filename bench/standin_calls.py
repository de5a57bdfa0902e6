"""Cost of reading the stand-in's call record: varnex2_standin.calls() per recorded call,
against reading the same record call by call and argument by argument through ctypes (the
library's per-call control functions, as the package did before the packed record).

Usage: python bench/standin_calls.py [--calls N]   (with the package installed)

The record is a mix of the module's calls: chronologies, sizes, texts, reals, flags and
identifier pairs. Each way is timed (CPU time of this process) in alternation and the
minimum is kept.
"""
import argparse
import ctypes
import time

import _Varnex2Python as m
import varnex2_standin as standin
import Varnex2Python as vx

TARGET_US = 1.0


def record(count):
    """Makes about `count` raw calls with recording on."""
    manager = m.ISolverManager_instance()
    collection = m.ISolverData_getEntityCollection(manager)
    pump = m.IEntityCollection_getEntity(collection, "Pump", "Pump1")
    speed = m.ICompositeAttribute_getAttribute(pump, "Speed")
    ident = vx.EntityID(4, 1)
    standin.clear_calls()
    standin.record_calls(True)
    for _ in range(count // 8):
        m.ISolverData_getIteration(manager)
        m.ISolverData_getIteration(manager, 2)
        m.IEntityCollection_getNumberOfEntities(collection, "Pump")
        m.IEntityCollection_getEntity(collection, 3)
        m.IEntityCollection_getEntity(collection, ident)
        m.IAttribute_getDoubleValue(speed)
        m.IEntity_getName(pump, True)
    standin.record_calls(False)


def per_call():
    """The record read through the per-call control functions."""
    lib = ctypes.PyDLL(standin.library_path())
    size_t, p = ctypes.c_size_t, ctypes.POINTER
    lib.varnex2_standin_call_count.restype = size_t
    lib.varnex2_standin_call.argtypes = [size_t, p(ctypes.c_void_p), p(ctypes.c_int), p(size_t)]
    lib.varnex2_standin_call_arg.argtypes = [size_t, size_t, p(ctypes.c_int), p(ctypes.c_longlong),
                                             p(ctypes.c_longlong), p(ctypes.c_double), p(ctypes.c_void_p), p(size_t)]

    def argument(index, number):
        kind, i, j, d = ctypes.c_int(), ctypes.c_longlong(), ctypes.c_longlong(), ctypes.c_double()
        text, length = ctypes.c_void_p(), size_t()
        lib.varnex2_standin_call_arg(index, number, ctypes.byref(kind), ctypes.byref(i), ctypes.byref(j),
                                     ctypes.byref(d), ctypes.byref(text), ctypes.byref(length))
        if kind.value == 1:
            return bool(i.value)
        if kind.value == 2:
            return d.value
        if kind.value == 3:
            return ctypes.string_at(text.value, length.value).decode("utf-8", "surrogateescape")
        if kind.value == 4:
            return (i.value, j.value)
        return i.value & 0xFFFFFFFFFFFFFFFF if kind.value == 5 else i.value

    def read():
        result = []
        for index in range(lib.varnex2_standin_call_count()):
            address, slot, argc = ctypes.c_void_p(), ctypes.c_int(), size_t()
            lib.varnex2_standin_call(index, ctypes.byref(address), ctypes.byref(slot), ctypes.byref(argc))
            result.append((address.value or 0, slot.value, tuple(argument(index, n) for n in range(argc.value))))
        return result

    return read


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--calls", type=int, default=200000, help="recorded calls (default 200000)")
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    record(args.calls)
    old = per_call()
    count = len(standin.calls())
    assert standin.calls() == old(), "the two ways read different records"
    best = {"calls()": float("inf"), "per call": float("inf")}
    for _ in range(args.rounds):
        for name, read in (("calls()", standin.calls), ("per call", old)):
            start = time.process_time()
            read()
            best[name] = min(best[name], time.process_time() - start)
    new_us, old_us = (best[name] / count * 1e6 for name in ("calls()", "per call"))
    print("recorded calls: %d" % count)
    print("calls():             %.3f us per call (target <= %.1f us: %s)"
          % (new_us, TARGET_US, "PASS" if new_us <= TARGET_US else "FAIL"))
    print("per-call ctypes:     %.3f us per call" % old_us)
    print("ratio per call / calls(): %.1fx" % (old_us / new_us))
    standin.reset()


if __name__ == "__main__":
    main()
