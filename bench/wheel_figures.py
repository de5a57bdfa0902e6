"""Runtime figures of the installed package, for comparing wheels across CPython versions.

Usage: python bench/wheel_figures.py [--runs N]   (with the package installed in that interpreter)

Prints one line: CPython version, import time in a fresh interpreter (min of N), resident memory
added by the import (median of 5) and ns/call of three calls (min over rounds of a tight loop,
the empty loop subtracted). No floor is built here: the ratios to the raw C-API floor come from
bench/run.py (--installed DIR measures a wheel's module against the floor of a bench build).
"""
import argparse
import importlib.util
import os
import statistics
import subprocess
import sys
import timeit

IMPORT_CODE = """
import time
t = time.perf_counter_ns()
import %s
print(time.perf_counter_ns() - t)
"""

# Resident memory from smaps_rollup (a walk of the page tables; the counters behind statm are
# kept per CPU and batched). The first reading only warms up the reading itself (file and line
# code of the interpreter), which would otherwise be counted as the module's. (Used by run.py too.)
RSS_CODE = """
def rss():
    with open('/proc/self/smaps_rollup') as f:
        for line in f:
            if line.startswith('Rss:'):
                return int(line.split()[1]) * 1024
rss()
before = rss()
import _Varnex2Python
print(rss() - before)
"""


def child(code):
    # -S as in bench/run.py: a bare interpreter, the package's directory given by PYTHONPATH.
    site = os.path.dirname(importlib.util.find_spec("_Varnex2Python").origin)
    out = subprocess.run([sys.executable, "-S", "-c", code], capture_output=True, text=True, check=True, timeout=120,
                         env=dict(os.environ, PYTHONPATH=site))
    return int(out.stdout.split()[-1])


def per_call(f, args, rounds=30, number=20000):
    """ns per call of f(*args): min over rounds of a timeit loop, minus the same loop doing nothing."""
    env = {"a%d" % i: a for i, a in enumerate(args)}
    env["f"] = f
    call = timeit.Timer("f(%s)" % ", ".join(sorted(k for k in env if k != "f")), globals=env)
    empty = timeit.Timer("pass", globals=env)

    def best(timer):
        return min(timer.timeit(number) for _ in range(rounds)) / number * 1e9

    return best(call) - best(empty)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--runs", type=int, default=21, help="fresh interpreters for the import time")
    args = p.parse_args()
    imports = min(child(IMPORT_CODE % "_Varnex2Python") for _ in range(args.runs))
    rss = statistics.median(child(RSS_CODE) for _ in range(5))

    import _Varnex2Python as m
    import varnex2_standin

    varnex2_standin.reset()
    manager = m.ISolverManager_instance()
    editor = m.new_EntityEditor(None)  # a null collection, as in bench/run.py
    try:
        calls = [("getHandleType", m.IHandle_getHandleType, (manager,)),
                 ("getIteration", m.ISolverData_getIteration, (manager,)),
                 ("editor getIntValue", m.EntityEditor_getIntValue, (editor, 0, "Group/Count"))]
        figures = ["%s %.1f ns" % (name, per_call(f, a)) for name, f, a in calls]
    finally:
        m.delete_EntityEditor(editor)
    print("CPython %s  %s: import %.2f ms, resident %.0f KiB, %s"
          % (sys.version.split()[0], m.__file__.rsplit("/", 1)[-1], imports / 1e6, rss / 1024, ", ".join(figures)))


if __name__ == "__main__":
    main()
