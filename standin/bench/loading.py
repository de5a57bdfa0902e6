"""Loading model files into the stand-in library, against Python's json.load, and the memory
that replaced models leave behind.

    python standin/bench/loading.py [--mib 32] [--rounds 3] [--reloads 4000]

For entities of 5 and of 6 nodes, a model file of about --mib MiB is written; each measure
runs in a fresh interpreter:
  - load time of varnex2_standin.load_model(path) against json.load of the same file, as
    the ratio json.load / load: processor time (the machine may be shared), best of
    --rounds, the two taken alternately in one process;
  - peak resident memory while loading, over the file size;
  - resident memory the loaded model keeps, over the file size.
Then --reloads reloads of a 100-entity model with 200 objects handed out each time, and
how much resident memory that loop adds.
The library is the installed one (or VARNEX2_LIBRARY's).
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

SHAPES = {
    # Entity, Length, Props (composite), Props/Diameter, Props/Tag.
    5: [{"name": "Length", "kind": "double", "value": 1.5},
        {"name": "Props", "kind": "composite", "attributes": [
            {"name": "Diameter", "kind": "double", "value": 0.1}, {"name": "Tag", "kind": "string", "value": "x"}]}],
    # The same and a short int attribute: more nodes for the same text.
    6: [{"name": "Length", "kind": "double", "value": 1.5}, {"name": "N", "kind": "int", "value": 3},
        {"name": "Props", "kind": "composite", "attributes": [
            {"name": "Diameter", "kind": "double", "value": 0.1}, {"name": "Tag", "kind": "string", "value": "x"}]}],
}
TYPES = ("Pipe", "Pump", "Valve")


def entity(i, attributes):
    return {"name": "E%d" % i, "kind": "entity", "type": TYPES[i % 3], "id": [7, i], "attributes": attributes}


def write_model(path, nodes, mib):
    """Writes entities of the shape until the file holds about mib MiB; returns the count."""
    one = len(json.dumps(entity(0, SHAPES[nodes]))) + 2
    count = int(mib * (1 << 20) / one)
    model = {"entities": [{"name": "Net", "type": "Network",
                           "attributes": [entity(i, SHAPES[nodes]) for i in range(count)]}]}
    with open(path, "w") as stream:
        json.dump(model, stream)
    return count


# Runs in a fresh interpreter: prints one JSON line of figures.
CHILD = r"""
import ctypes, gc, json, sys, time
import varnex2_standin as standin

def status(field):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) * 1024
libc = ctypes.CDLL("libc.so.6")
mode, path, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
if mode == "time":
    best_json = best_load = float("inf")
    for _ in range(rounds):
        start = time.process_time()
        with open(path) as stream:
            document = json.load(stream)
        best_json = min(best_json, time.process_time() - start)
        del document
        gc.collect()
        start = time.process_time()
        standin.load_model(path)
        best_load = min(best_load, time.process_time() - start)
        standin.reset()
    print(json.dumps({"json": best_json, "load": best_load}))
elif mode == "memory":
    standin.reset()
    libc.malloc_trim(0)
    before = status("VmRSS")
    with open("/proc/self/clear_refs", "w") as f:  # restarts the peak (VmHWM) from now
        f.write("5")
    standin.load_model(path)
    print(json.dumps({"peak": status("VmHWM") - before, "model": status("VmRSS") - before}))
else:  # reloads
    reloads = int(rounds)
    names = ["Net/E%d" % i for i in range(100)] + ["Net/E%d/Length" % i for i in range(100)]
    standin.load_model(path)
    for name in names:
        standin.address_of(name)
    standin.reset()
    libc.malloc_trim(0)
    before = status("VmRSS")
    for _ in range(reloads):
        standin.load_model(path)
        for name in names:
            standin.address_of(name)
    standin.reset()
    libc.malloc_trim(0)
    print(json.dumps({"grown": status("VmRSS") - before}))
"""


def child(*args):
    out = subprocess.run([sys.executable, "-c", CHILD] + [str(a) for a in args], check=True,
                         capture_output=True, text=True).stdout
    return json.loads(out.splitlines()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mib", type=float, default=32)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--reloads", type=int, default=4000)
    args = parser.parse_args()
    mib = 1 << 20
    with tempfile.TemporaryDirectory() as tmp:
        print("%-14s %9s %10s %9s %8s %13s %14s" % ("shape", "file", "json.load", "load", "ratio",
                                                    "peak / file", "model / file"))
        for nodes in sorted(SHAPES):
            path = os.path.join(tmp, "model%d.json" % nodes)
            count = write_model(path, nodes, args.mib)
            size = os.path.getsize(path)
            times = child("time", path, args.rounds)
            memory = child("memory", path, 1)
            print("%-14s %5.1f MiB %8.3f s %7.3f s %7.2fx %12.2fx %13.2fx" % (
                "%d x %d nodes" % (count, nodes), size / mib, times["json"], times["load"],
                times["json"] / times["load"], memory["peak"] / size, memory["model"] / size))
        if args.reloads:
            path = os.path.join(tmp, "small.json")
            write_model(path, 5, 100 * 300 / mib)
            grown = child("reloads", path, args.reloads)["grown"]
            print("%d reloads of a 100-entity model, 200 objects handed out each time: resident memory "
                  "+%.1f MiB (%.0f bytes a reload)" % (args.reloads, grown / mib, grown / args.reloads))


if __name__ == "__main__":
    main()
