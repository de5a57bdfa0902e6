"""Benchmarks of _Varnex2Python and the Varnex2Python classes against a raw C-API floor and the
nanobind and pybind11 peers.

Usage: python bench/run.py [--build DIR] [--rounds N] [--quick]

Every figure comes from this one run. ns/call is the time of one call in a tight loop minus
the time of one iteration of the same loop without the call; each case is sampled in every
round, the cases interleaved, and the minimum over the rounds is kept, so that a slow moment
of the machine hits all cases alike and is then discarded. Targets are ratios of two cases.
Exit status: 0 when every evaluated target passes, 1 otherwise.
"""
import argparse
import gc
import itertools
import json
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--build", default=os.path.join(ROOT, "build", "bench"), help="CMake build tree (VARNEX2_BENCH=ON)")
    p.add_argument("--rounds", type=int, default=30, help="samples per case (minimum kept)")
    p.add_argument("--sample-ms", type=float, default=4.0, help="duration of one sample")
    p.add_argument("--quick", action="store_true", help="few rounds, smaller scale model")
    p.add_argument("--installed", metavar="DIR",
                   help="measure the module and library installed in DIR (a site-packages, e.g. of a wheel); "
                        "the floor and the peers still come from --build")
    return p.parse_args()


ARGS = parse_args()
if ARGS.quick:
    ARGS.rounds, ARGS.sample_ms = 7, 2.0
BUILD = os.path.abspath(ARGS.build)
if ARGS.installed:
    # The floor and peers link libVarnex2.so by its SONAME, so they share the installed instance.
    INSTALLED = os.path.abspath(ARGS.installed)
    PATHS = [INSTALLED, os.path.join(BUILD, "bench")]
    os.environ["VARNEX2_LIBRARY"] = os.path.join(INSTALLED, "libVarnex2.so")
else:
    PATHS = [os.path.join(BUILD, "module"), os.path.join(BUILD, "bench"), os.path.join(ROOT, "python")]
    os.environ.setdefault("VARNEX2_LIBRARY", os.path.join(BUILD, "standin", "libVarnex2.so"))
sys.path[:0] = PATHS
CHILD_ENV = dict(os.environ, PYTHONPATH=os.pathsep.join(PATHS + [os.environ.get("PYTHONPATH", "")]))

import _Varnex2Python as m  # noqa: E402
import _bench_floor as floor  # noqa: E402
import _bench_nanobind as nb  # noqa: E402
import _bench_ours as ours1  # noqa: E402
import _bench_pybind11 as pb  # noqa: E402
import varnex2_standin as standin  # noqa: E402

NOTES = []


def note(text):
    NOTES.append(text)


# ---------------------------------------------------------------------------------------------
# Timing.

_RUNNERS = {}


def runner(nargs, catch, method=None):
    """A loop calling f(*args) n times, or f.method(*args) with a method name; `catch` names an
    exception class swallowed per call. nargs None: the same loop without the call."""
    key = (nargs, catch, method)
    if key not in _RUNNERS:
        params = ", ".join("a%d" % i for i in range(nargs or 0))
        call = ("f.%s(%s)" % (method, params) if method else "f(%s)" % params) if nargs is not None else "pass"
        body = call if catch is None else "try:\n            %s\n        except %s:\n            pass" % (call, catch)
        src = "def run(n, f%s):\n    for _ in repeat(None, n):\n        %s\n" % (", " + params if nargs else "", body)
        scope = {"repeat": itertools.repeat}
        exec(src, scope)
        _RUNNERS[key] = scope["run"]
    return _RUNNERS[key]


class Case:
    def __init__(self, name, f, args=(), catch=None, setup=None, teardown=None, method=None):
        self.name, self.f, self.args, self.catch = name, f, tuple(args), catch
        self.setup, self.teardown = setup, teardown
        self.run = runner(None if f is None else len(self.args), catch, method)
        self.n = 0
        self.samples = []

    def sample(self, n):
        if self.setup:
            self.setup()
        try:
            t0 = time.perf_counter_ns()
            self.run(n, self.f, *self.args)
            return (time.perf_counter_ns() - t0) / n
        finally:
            if self.teardown:
                self.teardown()

    def calibrate(self, sample_ns):
        n = 200
        while True:
            per = self.sample(n)
            if per * n > sample_ns / 4 or n > 10 ** 7:
                self.n = max(200, int(sample_ns / max(per, 1.0)))
                return
            n *= 4


def measure(cases, rounds, sample_ms):
    """Interleaved samples of every case (and of the empty loop); returns name -> ns/call."""
    empty = Case("(empty loop)", None)
    everything = [empty] + cases
    for c in everything:
        c.calibrate(sample_ms * 1e6)
    gc.collect()
    gc.disable()
    try:
        for r in range(rounds):
            order = everything if r % 2 == 0 else list(reversed(everything))
            for c in order:
                c.samples.append(c.sample(c.n))
    finally:
        gc.enable()
    base = min(empty.samples)
    return {c.name: max(min(c.samples) - base, 0.01) for c in cases}, base


# ---------------------------------------------------------------------------------------------
# Objects under test.

def has(name):
    return hasattr(m, name)


standin.reset()
manager = m.ISolverManager_instance()
collection = m.ISolverData_getEntityCollection(manager)
MANAGER_ADDRESS = int(manager)
ITERATION_SLOT = 3  # raw slot of ISolverData::do_getIteration
FAIL_TEXT = "bench: the solver data cannot be read now"

attribute = None
if has("IEntityCollection_getRootEntity") and has("ICompositeAttribute_getAttribute"):
    root = m.IEntityCollection_getRootEntity(collection, 0)
    attribute = m.ICompositeAttribute_getAttribute(root, "Pump1/Stages")
editor = m.new_EntityEditor(None) if has("new_EntityEditor") else None
floor.prepare(manager, attribute, editor)

pb_manager, nb_manager = pb.manager(), nb.manager()
attribute_address = standin.address_of("CoolingLoop/Pump1/Stages")
pb_attribute, nb_attribute = pb.attribute(attribute_address), nb.attribute(attribute_address)
pb_editor, nb_editor = pb.EntityEditor(), nb.EntityEditor()
ours_editor = ours1.new_editor()
assert pb.form_count() == nb.form_count() == 44

# The classes. Bindings are process-wide: from here on results come back as class instances
# (the bare proxies above stay bare).
import Varnex2Python as vx  # noqa: E402

vx_manager = vx.ISolverManager.instance()
vx_collection = vx_manager.getEntityCollection()
vx_editor = vx.EntityEditor(vx_collection)
bare_editor = vx_editor.this
nb_collection = nb.collection()
ENTITY_INDEX = 3
EDITOR_ARGS = ("Pump", "Pump1", "Speed")


def arm_failure():
    standin.fail_next(MANAGER_ADDRESS, ITERATION_SLOT, standin.RUNTIME_ERROR, FAIL_TEXT, count=1 << 30)


def disarm():
    standin.clear_failures()


def failing(name, f, *args):
    return Case(name, f, args, catch="RuntimeError", setup=arm_failure, teardown=disarm)


def check_failure_paths():
    """Each error-path case really fails with the library's message, and only while armed."""
    for f, args in ((m.ISolverData_getIteration, (manager,)), (floor.iteration1, (manager,)),
                    (pb.getIteration, (pb_manager,)), (nb.getIteration, (nb_manager,))):
        arm_failure()
        try:
            f(*args)
        except RuntimeError as e:
            assert str(e) == FAIL_TEXT, (f, str(e))
        else:
            raise AssertionError("%r did not fail" % f)
        finally:
            disarm()
        f(*args)


def check_results():
    """The compared cases compute the same values."""
    assert m.IHandle_getHandleType(manager) == floor.handle_type(manager) == pb.getHandleType(pb_manager)
    assert m.ISolverData_getIteration(manager) == floor.iteration1(manager) == nb.getIteration(nb_manager)
    assert m.ISolverData_getIteration(manager, 3) == floor.iteration2(manager, 3) == pb.getIteration(pb_manager, 3)
    assert m.hasAccess(3) == floor.trivial_bool(3)
    if attribute is not None:
        assert m.IAttribute_getType(attribute) == floor.attribute_type(attribute) == pb.getType(pb_attribute)
    if editor is not None:
        assert m.EntityEditor_getIntValue(editor, 0, "Group/Count") == 0
        assert floor.editor_index_path(editor, 0, "Group/Count") == 0
    assert vx_manager.getIteration() == nb_manager.getIteration() == m.ISolverData_getIteration(manager)
    entity = vx_collection.getEntity(ENTITY_INDEX)
    assert type(entity) is vx.IEntity and type(nb_collection.getEntity(ENTITY_INDEX)) is nb.IEntity
    assert entity.this == m.IEntityCollection_getEntity(collection, ENTITY_INDEX).this
    assert vx_editor.getDoubleValue(*EDITOR_ARGS) == m.EntityEditor_getDoubleValue(bare_editor, *EDITOR_ARGS) > 0
    try:
        m.EntityEditor_getIntValue(editor, 1.5, 1.5) if editor is not None else None
    except TypeError as e:
        assert str(e).startswith("Wrong number or type of arguments for overloaded function 'EntityEditor_getIntValue'")
    else:
        if editor is not None:
            raise AssertionError("no TypeError for a call no form accepts")


PATH = "Group/Count"  # fits the short-string buffer, as typical attribute paths do


def call_cases():
    cases = [
        Case("floor METH_O handle type", floor.handle_type, (manager,)),
        Case("floor METH_O trivial bool", floor.trivial_bool, (3,)),
        Case("floor METH_VARARGS 1 arg", floor.iteration1, (manager,)),
        Case("floor METH_VARARGS 2 args", floor.iteration2, (manager, 3)),
        Case("ours IHandle_getHandleType(h)", m.IHandle_getHandleType, (manager,)),
        Case("ours hasAccess(3)", m.hasAccess, (3,)),
        Case("ours ISolverData_getIteration(d)", m.ISolverData_getIteration, (manager,)),
        Case("ours ISolverData_getIteration(d, 3)", m.ISolverData_getIteration, (manager, 3)),
        Case("nanobind getHandleType(h)", nb.getHandleType, (nb_manager,)),
        Case("pybind11 getHandleType(h)", pb.getHandleType, (pb_manager,)),
        Case("nanobind getIteration(d)", nb.getIteration, (nb_manager,)),
        Case("pybind11 getIteration(d)", pb.getIteration, (pb_manager,)),
        Case("nanobind getIteration(d, 3)", nb.getIteration, (nb_manager, 3)),
        Case("pybind11 getIteration(d, 3)", pb.getIteration, (pb_manager, 3)),
        Case("ours one-form (editor, index, path)", ours1.EntityEditor_getIntValue_index_path, (ours_editor, 0, PATH)),
        Case("nanobind getIntValue 44, last match", nb.getIntValue, (nb_editor, 0, 0)),
        Case("pybind11 getIntValue 44, last match", pb.getIntValue, (pb_editor, 0, 0)),
        Case("nanobind getIntValue 44, (e, index, path)", nb.getIntValue, (nb_editor, 0, PATH)),
        Case("pybind11 getIntValue 44, (e, index, path)", pb.getIntValue, (pb_editor, 0, PATH)),
        Case("floor TypeError, fixed text", floor.type_error_fixed, (), catch="TypeError"),
        failing("floor RuntimeError from C++ exception", floor.iteration1, manager),
        failing("ours RuntimeError (library failure)", m.ISolverData_getIteration, manager),
        failing("nanobind RuntimeError (library failure)", nb.getIteration, nb_manager),
        failing("pybind11 RuntimeError (library failure)", pb.getIteration, pb_manager),
        # Through the classes.
        Case("class manager.getIteration()", vx_manager, (), method="getIteration"),
        Case("class ISolverData_getIteration(instance)", m.ISolverData_getIteration, (vx_manager,)),
        Case("nanobind method d.getIteration()", nb_manager, (), method="getIteration"),
        Case("class collection.getEntity(3)", vx_collection, (ENTITY_INDEX,), method="getEntity"),
        Case("nanobind method c.getEntity(3), new instance", nb_collection, (ENTITY_INDEX,), method="getEntity"),
        Case("class editor.getDoubleValue(type, name, path)", vx_editor, EDITOR_ARGS, method="getDoubleValue"),
        Case("flat EntityEditor_getDoubleValue(e, type, name, path)", m.EntityEditor_getDoubleValue,
             (bare_editor,) + EDITOR_ARGS),
        Case("flat EntityEditor_getDoubleValue(instance, ...)", m.EntityEditor_getDoubleValue,
             (vx_editor,) + EDITOR_ARGS),
    ]
    if attribute is not None:
        cases += [
            Case("floor METH_O attribute type", floor.attribute_type, (attribute,)),
            Case("ours IAttribute_getType(a)", m.IAttribute_getType, (attribute,)),
            Case("nanobind getType(a)", nb.getType, (nb_attribute,)),
            Case("pybind11 getType(a)", pb.getType, (pb_attribute,)),
        ]
    else:
        note("IAttribute_getType: skipped (the module has no IAttribute_getType or no way to reach an attribute yet)")
    if editor is not None:
        cases += [
            Case("floor METH_VARARGS (editor, index, path)", floor.editor_index_path, (editor, 0, PATH)),
            Case("ours EntityEditor_getIntValue(e, index, path)", m.EntityEditor_getIntValue, (editor, 0, PATH)),
            Case("ours EntityEditor_getIntValue(e, index, index)", m.EntityEditor_getIntValue, (editor, 0, 0)),
            Case("ours no-match TypeError, 44 forms", m.EntityEditor_getIntValue, (editor, 1.5, 1.5), catch="TypeError"),
        ]
    else:
        note("EntityEditor_getIntValue: skipped (the module has no new_EntityEditor/EntityEditor_getIntValue yet)")
    return cases


def traced_peak(f, args, calls=1000):
    """Peak of Python memory allocated above the starting level while f(*args) runs `calls`
    times: 0 when neither the dispatch nor the result allocates a Python object."""
    import tracemalloc
    f(*args)
    tracemalloc.start()
    try:
        f(*args)
        loop = itertools.repeat(None, calls)
        base = tracemalloc.get_traced_memory()[0]
        tracemalloc.reset_peak()
        for _ in loop:
            f(*args)
        return tracemalloc.get_traced_memory()[1] - base
    finally:
        tracemalloc.stop()


# ---------------------------------------------------------------------------------------------
# Scale: one lookup by type, name and path on a small and on a large model.

def model(count):
    """`count` probes named with a fixed width, so that both sizes hash and compare names of the
    same length, and holding small values, so that both return a cached int: only the size of the
    model differs."""
    return {
        "format": "varnex2-standin-model/1",
        "entities": [
            {"name": "P%06d" % i, "type": "Probe", "id": [i + 1, 1],
             "attributes": [{"name": "Group", "kind": "composite",
                             "attributes": [{"name": "Count", "kind": "int", "value": i % 100}]}]}
            for i in range(count)
        ],
    }


def scale(small, large, rounds, sample_ms):
    """ns/call of getIntValue(editor, type, name, path) per model size, min over alternations."""
    best = {}
    texts = {n: json.dumps(model(n)) for n in (small, large)}
    for _ in range(3):
        for count in (small, large):
            standin.load_model(texts[count])
            mgr = m.ISolverManager_instance()
            ed = m.new_EntityEditor(m.ISolverData_getEntityCollection(mgr))
            target = count // 2
            args = (ed, "Probe", "P%06d" % target, "Group/Count")
            assert m.EntityEditor_getIntValue(*args) == target % 100
            times, _ = measure([Case("lookup", m.EntityEditor_getIntValue, args)], rounds, sample_ms)
            best[count] = min(best.get(count, float("inf")), times["lookup"])
            m.delete_EntityEditor(ed)
    standin.reset()
    return best


# ---------------------------------------------------------------------------------------------
# Fresh interpreters: import time and resident memory.

from wheel_figures import IMPORT_CODE, RSS_CODE  # noqa: E402  (fresh-interpreter snippets)


# The companion package's bytecode is cached under the build tree (the first child writes it),
# as an installed package has its bytecode compiled at installation.
PACKAGE_ENV = dict(CHILD_ENV, PYTHONPYCACHEPREFIX=os.path.join(BUILD, "pycache"))
PACKAGE_ENV.pop("PYTHONDONTWRITEBYTECODE", None)


def child(code, env=CHILD_ENV):
    out = subprocess.run([sys.executable, "-S", "-c", code], env=env, capture_output=True,
                         text=True, check=True, timeout=120)
    return int(out.stdout.split()[-1])


def fresh_figures(runs):
    """Import times of the module and of the companion package with everything it imports
    (min, median), and resident memory added by the module (median), in fresh interpreters."""
    imports = [child(IMPORT_CODE % "_Varnex2Python") for _ in range(runs)]
    child(IMPORT_CODE % "Varnex2Python", PACKAGE_ENV)
    package = [child(IMPORT_CODE % "Varnex2Python", PACKAGE_ENV) for _ in range(runs)]
    rss = [child(RSS_CODE) for _ in range(5)]
    return (min(imports), statistics.median(imports)), (min(package), statistics.median(package)), \
        statistics.median(rss)


# ---------------------------------------------------------------------------------------------
# Report.

RESULTS = []  # (target text, value text, limit text, passed or None)


def ratio_target(label, num, den, limit, t, kind="max", fmt="%.2fx"):
    if num not in t or den not in t:
        RESULTS.append((label, "skipped", ("<= " if kind == "max" else ">= ") + fmt % limit, None))
        return
    r = t[num] / t[den]
    ok = r <= limit if kind == "max" else r >= limit
    RESULTS.append((label, fmt % r, ("<= " if kind == "max" else ">= ") + fmt % limit, ok))


def main():
    try:
        return report()
    finally:
        for e in (editor, vx_editor):
            if e is not None:
                m.delete_EntityEditor(e)


def report():
    check_results()
    check_failure_paths()
    cases = call_cases()
    print("CPython %s, %d rounds of %.1f ms per case, module %s" % (sys.version.split()[0], ARGS.rounds,
                                                                    ARGS.sample_ms, m.__file__))
    t, base = measure(cases, ARGS.rounds, ARGS.sample_ms)
    print("\n%-48s %10s %10s" % ("case", "ns/call", "x floor"))
    floors = {
        "ours IHandle_getHandleType(h)": "floor METH_O handle type",
        "nanobind getHandleType(h)": "floor METH_O handle type",
        "pybind11 getHandleType(h)": "floor METH_O handle type",
        "ours IAttribute_getType(a)": "floor METH_O attribute type",
        "nanobind getType(a)": "floor METH_O attribute type",
        "pybind11 getType(a)": "floor METH_O attribute type",
        "ours hasAccess(3)": "floor METH_O trivial bool",
        "ours ISolverData_getIteration(d)": "floor METH_VARARGS 1 arg",
        "nanobind getIteration(d)": "floor METH_VARARGS 1 arg",
        "pybind11 getIteration(d)": "floor METH_VARARGS 1 arg",
        "ours ISolverData_getIteration(d, 3)": "floor METH_VARARGS 2 args",
        "nanobind getIteration(d, 3)": "floor METH_VARARGS 2 args",
        "pybind11 getIteration(d, 3)": "floor METH_VARARGS 2 args",
        "ours EntityEditor_getIntValue(e, index, path)": "floor METH_O handle type",
        "ours EntityEditor_getIntValue(e, index, index)": "floor METH_O handle type",
        "ours one-form (editor, index, path)": "floor METH_O handle type",
        "nanobind getIntValue 44, last match": "floor METH_O handle type",
        "pybind11 getIntValue 44, last match": "floor METH_O handle type",
        "nanobind getIntValue 44, (e, index, path)": "floor METH_O handle type",
        "pybind11 getIntValue 44, (e, index, path)": "floor METH_O handle type",
        "ours RuntimeError (library failure)": "floor RuntimeError from C++ exception",
        "nanobind RuntimeError (library failure)": "floor RuntimeError from C++ exception",
        "pybind11 RuntimeError (library failure)": "floor RuntimeError from C++ exception",
        "ours no-match TypeError, 44 forms": "floor RuntimeError from C++ exception",
        "class manager.getIteration()": "floor METH_O handle type",
        "class ISolverData_getIteration(instance)": "floor METH_O handle type",
        "nanobind method d.getIteration()": "floor METH_O handle type",
        "class collection.getEntity(3)": "floor METH_O handle type",
        "nanobind method c.getEntity(3), new instance": "floor METH_O handle type",
        "class editor.getDoubleValue(type, name, path)": "flat EntityEditor_getDoubleValue(e, type, name, path)",
        "flat EntityEditor_getDoubleValue(instance, ...)": "flat EntityEditor_getDoubleValue(e, type, name, path)",
    }
    for c in cases:
        f = floors.get(c.name)
        rel = "%9.2fx" % (t[c.name] / t[f]) if f in t else ""
        print("%-48s %10.1f %10s" % (c.name, t[c.name], rel))
    print("(empty loop iteration subtracted: %.1f ns)" % base)

    print("\nours / peer (same operation, same native work)")
    pairs = [("getHandleType(h)", "ours IHandle_getHandleType(h)", "getHandleType(h)"),
             ("getType(a)", "ours IAttribute_getType(a)", "getType(a)"),
             ("getIteration(d)", "ours ISolverData_getIteration(d)", "getIteration(d)"),
             ("getIteration(d, 3)", "ours ISolverData_getIteration(d, 3)", "getIteration(d, 3)"),
             ("getIntValue(e, index, path)", "ours EntityEditor_getIntValue(e, index, path)",
              "getIntValue 44, (e, index, path)"),
             ("getIntValue 44-form last match", "ours EntityEditor_getIntValue(e, index, path)",
              "getIntValue 44, last match"),
             ("RuntimeError from the library", "ours RuntimeError (library failure)", "RuntimeError (library failure)")]
    print("%-34s %12s %12s" % ("operation", "vs nanobind", "vs pybind11"))
    for label, o, p in pairs:
        if o not in t:
            continue
        print("%-34s %11.3fx %11.3fx" % (label, t[o] / t["nanobind " + p], t[o] / t["pybind11 " + p]))
    for label, o, p in (("method call", "class manager.getIteration()", "nanobind method d.getIteration()"),
                        ("method returning an instance", "class collection.getEntity(3)",
                         "nanobind method c.getEntity(3), new instance")):
        print("%-34s %11.3fx" % (label, t[o] / t[p]))

    # Targets.
    ratio_target("#2 hasAccess(3) / trivial METH_O bool", "ours hasAccess(3)", "floor METH_O trivial bool", 1.3, t)
    ratio_target("#8 IHandle_getHandleType(h) / METH_O floor", "ours IHandle_getHandleType(h)",
                 "floor METH_O handle type", 1.2, t)
    ratio_target("#8 IAttribute_getType(a) / METH_O floor", "ours IAttribute_getType(a)",
                 "floor METH_O attribute type", 1.2, t)
    ratio_target("#8 ISolverData_getIteration(d) / 1-arg VARARGS floor", "ours ISolverData_getIteration(d)",
                 "floor METH_VARARGS 1 arg", 1.2, t)
    ratio_target("#8 getIntValue(e, index, path) / METH_O floor", "ours EntityEditor_getIntValue(e, index, path)",
                 "floor METH_O handle type", 4.0, t)
    ratio_target("#8 pybind11 44-form last match / ours slowest form", "pybind11 getIntValue 44, last match",
                 "ours EntityEditor_getIntValue(e, index, path)", 50.0, t, kind="min")
    ratio_target("#6 getIntValue(e, index, path) / one-form, 3 args", "ours EntityEditor_getIntValue(e, index, path)",
                 "ours one-form (editor, index, path)", 3.0, t)
    ratio_target("#8 library RuntimeError / nanobind's", "ours RuntimeError (library failure)",
                 "nanobind RuntimeError (library failure)", 1.0, t)
    ratio_target("#8 library RuntimeError / pybind11's", "ours RuntimeError (library failure)",
                 "pybind11 RuntimeError (library failure)", 1.0, t)
    ratio_target("#8 no-match TypeError (44 forms) / floor error path", "ours no-match TypeError, 44 forms",
                 "floor RuntimeError from C++ exception", 2.0, t)
    ratio_target("classes: manager.getIteration() / METH_O floor", "class manager.getIteration()",
                 "floor METH_O handle type", 1.6, t)
    ratio_target("classes: manager.getIteration() / nanobind method call", "class manager.getIteration()",
                 "nanobind method d.getIteration()", 1.0, t)
    ratio_target("classes: collection.getEntity(3) / METH_O floor", "class collection.getEntity(3)",
                 "floor METH_O handle type", 6.0, t)
    ratio_target("classes: collection.getEntity(3) / nanobind's new instance", "class collection.getEntity(3)",
                 "nanobind method c.getEntity(3), new instance", 1.0, t)
    ratio_target("classes: editor.getDoubleValue(...) / flat call", "class editor.getDoubleValue(type, name, path)",
                 "flat EntityEditor_getDoubleValue(e, type, name, path)", 1.1, t)
    print("\nclasses: editor.getDoubleValue(...) / the flat call on the same instance: %.2fx"
          % (t["class editor.getDoubleValue(type, name, path)"] / t["flat EntityEditor_getDoubleValue(instance, ...)"]))

    if editor is not None:
        peak = traced_peak(m.EntityEditor_getIntValue, (editor, 0, PATH))
        RESULTS.append(("#6 Python memory allocated while dispatching", "%d B" % peak, "== 0 B", peak == 0))
        large = 20000 if ARGS.quick else 100000
        s = scale(10, large, max(5, ARGS.rounds // 3), ARGS.sample_ms)
        print("\nscale: getIntValue(editor, type, name, path): %.1f ns at 10 entities, %.1f ns at %d entities"
              % (s[10], s[large], large))
        r = s[large] / s[10]
        RESULTS.append(("#8 lookup at %d / at 10 entities" % large, "%.2fx" % r, "<= 1.20x", r <= 1.2))
    else:
        RESULTS.append(("#6 Python memory allocated while dispatching", "skipped", "== 0 B", None))
        RESULTS.append(("#8 lookup at 100000 / at 10 entities", "skipped", "<= 1.20x", None))

    (imp_min, imp_median), (pkg_min, pkg_median), rss = fresh_figures(7 if ARGS.quick else 21)
    print("\nimport in a fresh interpreter: min %.2f ms, median %.2f ms" % (imp_min / 1e6, imp_median / 1e6))
    print("import Varnex2Python (module, helper module and package) in a fresh interpreter: min %.2f ms, "
          "median %.2f ms" % (pkg_min / 1e6, pkg_median / 1e6))
    print("resident memory added by the import: %.0f KiB (median of 5)" % (rss / 1024))
    RESULTS.append(("#8 import time (min of fresh interpreters)", "%.2f ms" % (imp_min / 1e6), "< 5 ms",
                    imp_min < 5e6))
    RESULTS.append(("classes: import Varnex2Python, all of it", "%.2f ms" % (pkg_min / 1e6), "< 2.5 ms",
                    pkg_min < 2.5e6))
    size, fields, align = floor.proxy_layout()
    basic = type(manager).__basicsize__
    padded = (fields + align - 1) // align * align
    print("proxy object: %d bytes (type basicsize %d, getsizeof %d); its fields take %d bytes, %d aligned"
          % (size, basic, sys.getsizeof(manager), fields, padded))
    RESULTS.append(("#8 proxy size / its fields", "%d B / %d B" % (basic, padded), "<=", basic <= padded))

    print("\n%-56s %14s %12s  %s" % ("target", "measured", "limit", "result"))
    failed = 0
    for label, value, limit, ok in RESULTS:
        verdict = "skipped" if ok is None else ("PASS" if ok else "FAIL")
        failed += ok is False
        print("%-56s %14s %12s  %s" % (label, value, limit, verdict))
    for n in NOTES:
        print("note:", n)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
