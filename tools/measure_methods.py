"""Cost of a Varnex2Python method call beside the flat call it forwards to.

Compares, per call shape, the flat function, the class method as bound by the package
(instancemethod descriptor) and a Python forwarding method (the alternative). Timing uses
thread CPU time and the best of many rounds, so that other load on the machine counts less.

    python tools/measure_methods.py            # against the installed package
"""
import time
import timeit

import _Varnex2Python as V
import Varnex2Python as vx
import varnex2_standin

varnex2_standin.reset()
manager = vx.ISolverManager.instance()
entity = manager.getEntityCollection().getEntity("Pump")
ident = vx.EntityID(3, 4)
other = vx.EntityID(3, 5)


class Forwarding(vx.ISolverManager):
    """The same methods as Python functions forwarding to the flat functions."""

    def getHandleType(self):
        return V.IHandle_getHandleType(self)

    def getIteration(self, *args):
        return V.ISolverData_getIteration(self, *args)


forwarding = Forwarding.__new__(Forwarding)
forwarding.this = manager.this

CASES = [
    ("one object (METH_O)", "V.IHandle_getHandleType(manager)", "manager.getHandleType()",
     "forwarding.getHandleType()"),
    ("dispatcher, no argument", "V.ISolverData_getIteration(manager)", "manager.getIteration()",
     "forwarding.getIteration()"),
    ("dispatcher, one argument", "V.ISolverData_getIteration(manager, 3)", "manager.getIteration(3)",
     "forwarding.getIteration(3)"),
    ("entity name", "V.IEntity_getName(entity)", "entity.getName()", None),
    ("identifier <", "V.__lt__(ident, other)", "ident < other", None),
]


def best(statement, rounds=30, number=20000):
    timer = timeit.Timer(statement, globals=globals(), timer=time.thread_time)
    return min(timer.timeit(number) for _ in range(rounds)) / number * 1e9


def main():
    print("%-26s %8s %8s %9s %11s" % ("call", "flat ns", "method", "overhead", "forwarding"))
    for label, flat, method, forward in CASES:
        f, m = best(flat), best(method)
        w = "%8.0f ns" % (best(forward) - f) if forward else ""
        print("%-26s %8.0f %8.0f %6.0f ns %11s" % (label, f, m, m - f, w))


if __name__ == "__main__":
    main()
