"""What a sweep costs per case beyond the runs themselves, on the process pool and on a local
Dask cluster.

    python bench/sweep.py [--cases 200] [--iterations 100] [--workers 2] [--rounds 2] [--no-dask]

The same cases (a steady coupling script, ``--iterations`` iterations on a model that does
not stop at convergence, each case with its own gain) are played three ways, each in a
process tree of its own: by a sweep on a process pool of ``--workers`` processes, by a sweep
on a LocalCluster of as many single-threaded worker processes, and, as the reference, by
``--workers`` plain processes that play their share of the runs one after the other with
``varnex2_standin.run`` (no sweep, no process per case).

The figure is CPU time, not wall time: this benchmark's process adopts every process of the
tree (it is their subreaper), reaps them all and reads their CPU time, so the load of other
work on a shared machine changes it little. Each way runs once with ``--cases`` cases and once
with a tenth of them; the difference, per case, is what one more case costs, without the
start of the pool, cluster and case servers (shown apart as "start"):

    overhead per case = CPU per case of the sweep - CPU per run of the reference

It holds sending the case, forking its process (and the first run in a fresh process), the
answer's JSON and the table. Wall times are shown for information. The fastest of
``--rounds`` rounds counts. Exits with status 1 when the overhead on the process pool exceeds
50 ms per case.
"""
import argparse
import ctypes
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

TARGET_MS = 50.0
PR_SET_CHILD_SUBREAPER = 36
SCRIPT = """\
import Varnex2Python as vx

GAIN = globals().get("GAIN", 0.2)
manager = vx.ISolverManager.instance()
editor = vx.EntityEditor(manager)
speed = editor.getDoubleValue("Pump", "Pump1", "Speed")
residual = editor.getDoubleValue("SolutionControl", "Solver", "Convergence/Residual")
editor.setDoubleValue("Pump", "Pump1", "Speed", speed + GAIN * (1600.0 - speed), vx.Chronology.Next)
"""


# One measurement, in a process of its own (--measure WAY CASES).

def model():
    import varnex2_standin

    varnex2_standin.reset()
    document = varnex2_standin.dump_model()
    document["run"]["stopOnConvergence"] = False  # every case runs all its iterations
    varnex2_standin.reset()
    return document


def runs_in_process(script, document, iterations, gains):
    import varnex2_standin

    for gain in gains:
        history = varnex2_standin.run(script, model=document, iterations=iterations, define={"GAIN": gain})
        assert len(history.rows) == iterations, history


def measure(way, count, script, iterations, workers):
    """Plays ``count`` cases the given way; the wall time."""
    from varnex2_standin.sweep import process_pool, sweep

    document = model()
    gains = [0.05 + 0.9 * n / count for n in range(count)]
    started = time.perf_counter()
    if way == "reference":
        with process_pool(workers) as pool:
            list(pool.map(runs_in_process, [script] * workers, [document] * workers, [iterations] * workers,
                          [gains[n::workers] for n in range(workers)]))
        return time.perf_counter() - started
    cases = [{"define": {"GAIN": gain}} for gain in gains]
    if way == "pool":
        with process_pool(workers) as pool:
            result = sweep(script, cases, model=document, iterations=iterations, executor=pool)
    else:
        import distributed

        with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                      dashboard_address=None, silence_logs=40) as cluster, \
                distributed.Client(cluster) as client:
            result = sweep(script, cases, model=document, iterations=iterations, executor=client.get_executor())
    if result.failed():
        raise SystemExit("a case failed: %s" % result.failed()[0])
    return time.perf_counter() - started


# The driver.

def reap_all(deadline=60.0):
    """Waits for every process of the finished tree, adopted ones too."""
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            time.sleep(0.02)
    raise SystemExit("processes of a measurement are still running after %.0f s" % deadline)


def tree(way, count, args, script):
    """CPU seconds and wall seconds of one measurement's whole process tree."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    proc = subprocess.run([sys.executable, os.path.abspath(__file__), "--measure", way, str(count), script,
                           "--iterations", str(args.iterations), "--workers", str(args.workers)],
                          capture_output=True, text=True)
    if proc.returncode != 0:
        raise SystemExit("%s with %d cases failed:\n%s" % (way, count, proc.stderr))
    reap_all()
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, json.loads(proc.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cases", type=int, default=200)
    parser.add_argument("--iterations", type=int, default=100)
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--no-dask", action="store_true", help="leave out the Dask cluster")
    parser.add_argument("--measure", nargs=3, metavar=("WAY", "CASES", "SCRIPT"), help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.measure:
        way, count, script = args.measure
        print(json.dumps(measure(way, int(count), script, args.iterations, args.workers)))
        return 0
    if ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise SystemExit("cannot adopt the processes of a measurement: %s" % os.strerror(ctypes.get_errno()))
    folder = tempfile.mkdtemp(prefix="sweep-bench-")
    script = os.path.join(folder, "gain.py")
    with open(script, "w") as stream:
        stream.write(SCRIPT)
    ways = ["reference", "pool"] + ([] if args.no_dask else ["dask"])
    small = max(args.workers, args.cases // 10)
    best = {}
    for _ in range(args.rounds):
        for way in ways:
            for count in (small, args.cases):
                cpu, wall = tree(way, count, args, script)
                old = best.get((way, count), (float("inf"), float("inf")))
                best[way, count] = (min(old[0], cpu), min(old[1], wall))
    print("%d cases (and %d) of %d iterations on %d workers, fastest of %d rounds\n"
          % (args.cases, small, args.iterations, args.workers, args.rounds))
    print("| way | CPU per case | start (CPU) | overhead per case (CPU) | wall, %d cases | wall per case |"
          % args.cases)
    print("|---|---:|---:|---:|---:|---:|")
    names = {"reference": "runs in %d plain processes" % args.workers, "pool": "sweep, process pool",
             "dask": "sweep, Dask LocalCluster"}
    per_case = {}
    for way in ways:
        (cpu_small, _), (cpu_all, wall) = best[way, small], best[way, args.cases]
        per_case[way] = (cpu_all - cpu_small) / (args.cases - small)
        start = cpu_all - per_case[way] * args.cases
        overhead = per_case[way] - per_case["reference"]
        print("| %s | %.1f ms | %.2f s | %s | %.2f s | %.1f ms |" % (
            names[way], 1000 * per_case[way], start, "" if way == "reference" else "%.1f ms" % (1000 * overhead),
            wall, 1000 * wall / args.cases))
    overhead_ms = 1000 * (per_case["pool"] - per_case["reference"])
    verdict = "PASS" if overhead_ms <= TARGET_MS else "FAIL"
    print("\noverhead per case on the process pool: %.1f ms of CPU (target <= %.0f ms) %s"
          % (overhead_ms, TARGET_MS, verdict))
    return 0 if verdict == "PASS" else 1


if __name__ == "__main__":
    sys.exit(main())
