"""The stand-in library's Python controls (the package varnex2_standin), loaded from the
library the conftest names. Raw-slot behaviour is covered by the C++ tests; these cover the
control path and that the controls reach the instance the module uses."""
import json
import os
import pathlib

import pytest

pytestmark = pytest.mark.controls  # drives the stand-in through varnex2_standin

SMALL = {
    "run": {"numberOfIterations": 3, "residualReduction": 0.5, "tolerance": 0.01},
    "entities": [
        {"name": "Net", "type": "Network", "attributes": [
            {"name": "Ctl", "kind": "entity", "type": "SolutionControl", "attributes": [
                {"name": "Convergence", "kind": "composite", "attributes": [
                    {"name": "Residual", "kind": "double", "value": 1.0}]}]},
            {"name": "T", "kind": "double", "unit": "K", "values": {"Current": 300.0, "Next": 310.0}},
            {"name": "Label", "kind": "string", "value": "caf\u00e9"},
        ]},
    ],
}


def nested(levels):
    """A model whose entity A holds `levels` composites nested in one another, the innermost
    an int (levels + 1 below A)."""
    inner = [{"name": "v", "kind": "int", "value": 7}]
    for _ in range(levels):
        inner = [{"name": "c", "kind": "composite", "attributes": inner}]
    return {"entities": [{"name": "A", "type": "T", "attributes": inner}]}


def attribute(model, *names):
    """The attribute dict at names below the first root entity of a dumped model."""
    node = model["entities"][0]
    for name in names:
        node = next(a for a in node["attributes"] if a["name"] == name)
    return node


def test_library_is_the_one_named(standin):
    if os.environ.get("VARNEX2_LIBRARY"):
        assert standin.library_path() == os.path.abspath(os.environ["VARNEX2_LIBRARY"])


@pytest.mark.parametrize("form", ["dict", "text", "bytes", "path", "pathlike", "bom text", "bom bytes", "bom file"])
def test_load_model_accepts_each_form(standin, tmp_path, form):
    text = json.dumps(SMALL)
    file = tmp_path / "model.json"
    file.write_text(("\ufeff" if form == "bom file" else "") + text, encoding="utf-8")
    standin.load_model({"dict": SMALL, "text": "  " + text, "bytes": text.encode(), "path": str(file),
                        "pathlike": file, "bom text": "\ufeff" + text, "bom bytes": b"\xef\xbb\xbf " + text.encode(),
                        "bom file": file}[form])
    dumped = standin.dump_model()
    assert [e["name"] for e in dumped["entities"]] == ["Net"] and dumped["solutionControl"] == "Net/Ctl"
    assert attribute(dumped, "Label")["values"]["Current"] == "caf\u00e9"
    assert standin.run_state()["numberOfIterations"] == 3


# The library's tests pin every rule's message; here the message reaches ModelError.
@pytest.mark.parametrize("source, message", [
    ({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "b", "kind": "bool", "value": 1}]}]},
     "entities[0].attributes[0] ('b').value: expected true or false"),
    ('{"entities": [', "not valid JSON"), (pathlib.Path("/nonexistent/absent.json"), "cannot read model file"),
    (42, None),  # no model source at all
    ({"format": 1}, "format: expected the text 'varnex2-standin-model/1'"),
    ({"format": "x"}, "format: unsupported format 'x' (this library reads 'varnex2-standin-model/1')"),
    ({"run": {"timeStep": "inf"}}, "run.timeStep: must be a finite number"),
    ({"run": {"totalTime": "-inf"}}, "run.totalTime: must be a finite number"),
    ('{"run": {"timeStep": 1e999}}', "not valid JSON: line 1, column 22: number out of range: '1e999'"),
    ('{"entities": ["\ud800"]}', "not valid JSON: [json.exception.parse_error.101] parse error at line 1, column 17"),
    ("/dev/zero", "cannot read model file '/dev/zero': not a regular file"),
    ("/dev/null\0/etc/passwd", "the path contains a NUL character"),
    ("/tmp/\ud800.json", "the path cannot be encoded"),
    (nested(256), "attributes[0] ('v'): nested more than 256 levels below its root entity"),
    (nested(500), "JSON nested more than 520 levels deep"),  # deeper than json.dumps goes
])
def test_rejected_models_name_the_place_and_keep_the_model(standin, source, message):
    with pytest.raises(standin.ModelError if message else TypeError) as raised:
        standin.load_model(source)
    assert (message or "") in str(raised.value)
    assert [e["name"] for e in standin.dump_model()["entities"]] == ["CoolingLoop", "Environment"]


@pytest.mark.parametrize("model", [SMALL, nested(255)], ids=["small", "deepest"])
def test_dump_round_trip_keeps_values_and_run(standin, model):
    standin.load_model(model)
    standin.step()
    first = standin.dump_model()
    standin.load_model(first)
    assert standin.dump_model() == first
    assert first["run"]["iteration"] == 2
    if model is SMALL:
        assert attribute(first, "T")["values"] == {"Current": 310.0}
    else:
        assert attribute(first, *["c"] * 255 + ["v"])["values"]["Current"] == 7


def test_step_reports_the_steps_made_and_the_run_state(standin):
    standin.load_model(SMALL)
    assert standin.run_state()["firstIteration"] is True
    assert standin.step(10) == 2  # up to numberOfIterations
    state = standin.run_state()
    assert (state["iteration"], state["lastIteration"], state["converged"], state["residual"]) == (3, True, False, 0.25)
    assert standin.step() == 0
    with pytest.raises(ValueError, match="must not be negative"):
        standin.step(-1)


# Steady: the first iteration is the one the run started at, not iteration 1; a limit of
# exactly 0 iterations (allowed, unlike a negative one) ends the run at once.
def test_steady_run_rules_at_a_later_start_and_a_limit_of_zero(m, standin):
    standin.load_model({"run": {"iteration": 5, "numberOfIterations": 8, "tolerance": 0.0}})
    manager = m.ISolverManager_instance()
    first = m.ISolverData_isFirstIteration
    assert (m.ISolverData_getIteration(manager), first(manager), first(manager, m.Chronology_Next)) == (5, True, False)
    assert standin.step() == 1
    assert (first(manager), first(manager, m.Chronology_Initial)) == (False, True)
    m.ISolverData_setNumberOfIterations(manager, 0, m.Chronology_Current)
    assert (m.ISolverData_getNumberOfIterations(manager), m.ISolverData_isLastIteration(manager)) == (0, True)
    assert standin.step(3) == 0 and m.ISolverData_getIteration(manager) == 6


def test_reset_restores_the_default_state(standin):
    standin.load_model(SMALL)
    standin.set_manager_available(False)
    standin.record_calls(True)
    standin.fail_next(standin.manager_address(), 3, standin.RUNTIME_ERROR, "x")
    assert standin.manager_available() is False
    standin.reset()
    assert standin.manager_available() is True and standin.dump_model()["solutionControl"] == "CoolingLoop/Solver"
    assert standin.calls() == [] and standin.messages() == [] and standin.run_state()["iteration"] == 1


def test_addresses(standin):
    pump = standin.address_of("CoolingLoop/Pump1")
    assert pump and pump == standin.address_of("CoolingLoop/Pump1")
    assert standin.address_of("CoolingLoop/Pump1/Speed") not in (None, pump)
    assert standin.address_of("CoolingLoop/Nope") is None
    assert 0 != standin.manager_address() != standin.collection_address() != 0
    standin.reset()  # objects of a replaced model are not reused
    assert standin.address_of("CoolingLoop/Pump1") != pump


@pytest.mark.parametrize("address, count, message", [
    (None, 1, "not None"), ("manager", 0, "count must be at least 1, got 0"), ("manager", -3, "got -3"),
    (0, 1, "0 is not an object"), (1, 1, "0x1 is not an object"), (-1, 1, "-0x1 is not an object"),
    (2**64, 1, "0x10000000000000000 is not an object"), ("python object", 1, "is not an object of the current model"),
    ("replaced", 1, "is not an object of the current model")])
def test_fail_next_rejects_bad_arms(standin, address, count, message):
    target = {"manager": standin.manager_address(), "python object": id(SMALL),
              "replaced": standin.address_of("CoolingLoop/Pump1")}.get(address, address)
    standin.reset()
    with pytest.raises(ValueError, match=message.replace("(", "\\(")):
        standin.fail_next(target, 3, standin.RUNTIME_ERROR, count=count)


# A lone surrogate that stands for no byte is refused by name; one that stands for a byte
# (as os.fsdecode makes them) passes as that byte.
@pytest.mark.parametrize("control, text, refused", [
    ("address_of", "CoolingLoop/\ud800", "full_path"), ("fail_next", "bad \udfff end", "message"),
    ("address_of", "CoolingLoop/\udc80", None), ("fail_next", "byte \udcff", None)])
def test_text_arguments_with_surrogates(standin, control, text, refused):
    def call():
        if control == "address_of":
            return standin.address_of(text)
        return standin.fail_next(standin.manager_address(), 3, standin.RUNTIME_ERROR, text)

    if refused is None:
        assert call() is None
        return
    with pytest.raises(ValueError, match=r"^%s: %s '.*' cannot be encoded as UTF-8 \(lone surrogate at position \d+\)$"
                       % (control, refused)):
        call()


# The record keeps the calls in order with arguments of every kind: texts (non-ASCII, with a
# NUL), reals, flags, identifier pairs, sizes (unsigned) and chronologies.
def test_calls_are_recorded_in_order_with_their_arguments(m, collection, traced):
    pump = m.IEntityCollection_getEntity(collection, "Pump", "Pump1")

    def calls():
        speed = m.ICompositeAttribute_getAttribute(pump, "Speed")
        m.IAttribute_setDoubleValue(speed, -1.5e300)
        m.ICompositeAttribute_getAttribute(pump, "Sp\u00e9ed\0x")
        m.IEntityCollection_getEntity(collection, m.new_EntityID(-5, 7))
        m.IEntity_getName(pump, True)
        with pytest.raises(RuntimeError, match="entity index 18446744073709551615 is out of range"):
            m.IEntityCollection_getEntity(collection, 2**64 - 1)
        m.IAttribute_getDoubleValue(speed, 2)
        return int(speed)

    speed, recorded = traced(calls)
    assert [(address, args) for address, _, args in recorded if args] == [
        (int(pump), ("Speed",)), (speed, (-1.5e300, 4)), (int(pump), ("Sp\u00e9ed\0x",)),
        (int(collection), ((-5, 7),)), (int(pump), (True,)), (int(collection), (2**64 - 1,)), (speed, (2,))]


# A model named by VARNEX2_MODEL is served; an unusable one withholds the manager until a
# model is loaded.
@pytest.mark.parametrize("text, out, err", [
    (json.dumps(SMALL), "Net True\n", ""),
    ('{"entities": 5}', "CoolingLoop False\n", "entities: expected a list"),
    (None, "CoolingLoop False\n", "m.json': not a regular file"),  # a FIFO: refused, not waited on
    ('{"entities": [{"name": "A", "type": "T", "attributes": [' + '{"name": "c", "kind": "entity", "attributes": ['
     * 100000, "CoolingLoop False\n", "JSON nested more than 520 levels deep")],
    ids=["model", "unusable", "fifo", "too deep"])
def test_model_named_by_the_environment(run_python, tmp_path, text, out, err):
    file = tmp_path / "m.json"
    if text is None:
        os.mkfifo(str(file))
    else:
        file.write_text(text)
    rc, stdout, stderr = run_python("import varnex2_standin as v\n"
                                    "print(v.dump_model()['entities'][0]['name'], v.manager_available())\n"
                                    "v.load_model({'entities': []})\n"
                                    "import _Varnex2Python as m\n"
                                    "assert int(m.ISolverManager_instance()) == v.manager_address()",
                                    VARNEX2_MODEL=str(file))
    assert (rc, stdout) == (0, out), stderr
    assert err in stderr and ("VARNEX2_MODEL" in stderr) is bool(err)


def test_a_library_already_loaded_wins_over_the_environment(standin, run_python, tmp_path):
    """As when the extension module has loaded its library before the package is imported."""
    here = standin.library_path()
    other = tmp_path / "libVarnex2.so"
    other.write_bytes(pathlib.Path(here).read_bytes())
    rc, out, err = run_python("import ctypes, warnings; first = ctypes.CDLL(%r); warnings.simplefilter('always')\n"
                              "import varnex2_standin as v; print(v.library_path())" % here, VARNEX2_LIBRARY=str(other))
    assert (rc, out) == (0, os.path.abspath(here) + "\n"), err
    assert "is already loaded; its instance is used" in err


# The module's tests inject failures by address and read raw calls through these controls;
# fail_next also takes the proxy itself.
def test_fail_next_takes_a_proxy(m, standin):
    manager = m.ISolverManager_instance()
    standin.fail_next(manager, 3, standin.OUT_OF_RANGE, "injected")
    with pytest.raises(RuntimeError, match="^injected$"):
        m.ISolverData_getIteration(manager)
    assert m.ISolverData_getIteration(manager) == 1
