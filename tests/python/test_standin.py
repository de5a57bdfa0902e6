"""The stand-in library's Python controls, without the extension module.

The package is loaded from VARNEX2_LIBRARY (set from VARNEX2_BUILD when only a build tree
is at hand). Raw-slot behaviour is covered by the C++ tests; these cover the control path.
"""
import json
import os
import pathlib
import subprocess
import sys

import pytest

_ROOT = pathlib.Path(__file__).resolve().parents[2]
if os.environ.get("VARNEX2_BUILD"):
    os.environ.setdefault("VARNEX2_LIBRARY", os.path.join(os.environ["VARNEX2_BUILD"], "standin", "libVarnex2.so"))
    sys.path.append(os.path.join(os.environ["VARNEX2_BUILD"], "module"))
if os.environ.get("VARNEX2_LIBRARY") and str(_ROOT / "python") not in sys.path:
    sys.path.insert(0, str(_ROOT / "python"))  # the package of this tree, not an installed one

import varnex2_standin  # noqa: E402

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


@pytest.fixture
def ctl():
    varnex2_standin.reset()
    yield varnex2_standin
    varnex2_standin.reset()


def attribute(model, *names):
    """The attribute dict at names below the first root entity of a dumped model."""
    node = model["entities"][0]
    for name in names:
        node = next(a for a in node["attributes"] if a["name"] == name)
    return node


def test_library_is_the_one_named(ctl):
    if os.environ.get("VARNEX2_LIBRARY"):
        assert ctl.library_path() == os.path.abspath(os.environ["VARNEX2_LIBRARY"])


@pytest.mark.parametrize("form", ["dict", "text", "bytes", "path", "pathlike"])
def test_load_model_accepts_each_form(ctl, tmp_path, form):
    text = json.dumps(SMALL)
    file = tmp_path / "model.json"
    file.write_text(text, encoding="utf-8")
    source = {"dict": SMALL, "text": "  " + text, "bytes": text.encode(), "path": str(file), "pathlike": file}[form]
    ctl.load_model(source)
    dumped = ctl.dump_model()
    assert [e["name"] for e in dumped["entities"]] == ["Net"]
    assert dumped["solutionControl"] == "Net/Ctl"
    assert attribute(dumped, "Label")["values"]["Current"] == "caf\u00e9"
    assert ctl.run_state()["numberOfIterations"] == 3


# The library's tests pin every rule's message; here the message reaches ModelError.
@pytest.mark.parametrize("source, message", [
    ({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "b", "kind": "bool", "value": 1}]}]},
     "entities[0].attributes[0] ('b').value: expected true or false"),
    ('{"entities": [', "not valid JSON"),
])
def test_rejected_models_name_the_place_and_keep_the_model(ctl, source, message):
    with pytest.raises(ctl.ModelError) as raised:
        ctl.load_model(source)
    assert message in str(raised.value)
    assert [e["name"] for e in ctl.dump_model()["entities"]] == ["CoolingLoop", "Environment"]


def test_missing_file_and_wrong_type(ctl, tmp_path):
    with pytest.raises(ctl.ModelError, match="cannot read model file"):
        ctl.load_model(tmp_path / "absent.json")
    with pytest.raises(TypeError):
        ctl.load_model(42)


def test_dump_round_trip_keeps_values_and_run(ctl):
    ctl.load_model(SMALL)
    ctl.step()
    first = ctl.dump_model()
    ctl.load_model(first)
    second = ctl.dump_model()
    assert second == first
    assert attribute(second, "T")["values"] == {"Current": 310.0}
    assert second["run"]["iteration"] == 2


def test_step_reports_the_steps_made_and_the_run_state(ctl):
    ctl.load_model(SMALL)
    assert ctl.run_state()["firstIteration"] is True
    assert ctl.step(10) == 2  # up to numberOfIterations
    state = ctl.run_state()
    assert (state["iteration"], state["lastIteration"], state["converged"], state["residual"]) == (3, True, False, 0.25)
    assert ctl.step() == 0
    with pytest.raises(ValueError, match="must not be negative"):
        ctl.step(-1)


def test_reset_restores_the_default_state(ctl):
    ctl.load_model(SMALL)
    ctl.set_manager_available(False)
    ctl.record_calls(True)
    ctl.fail_next(ctl.manager_address(), 3, ctl.RUNTIME_ERROR, "x")
    assert ctl.manager_available() is False
    ctl.reset()
    assert ctl.manager_available() is True
    assert ctl.dump_model()["solutionControl"] == "CoolingLoop/Solver"
    assert ctl.calls() == [] and ctl.messages() == []
    assert ctl.run_state()["iteration"] == 1


def test_addresses(ctl):
    pump = ctl.address_of("CoolingLoop/Pump1")
    assert pump and pump == ctl.address_of("CoolingLoop/Pump1")
    assert ctl.address_of("CoolingLoop/Pump1/Speed") not in (None, pump)
    assert ctl.address_of("CoolingLoop/Nope") is None
    assert ctl.manager_address() and ctl.collection_address()
    assert ctl.manager_address() != ctl.collection_address()
    ctl.reset()  # objects of a replaced model are not reused
    assert ctl.address_of("CoolingLoop/Pump1") != pump


@pytest.mark.parametrize("address, count", [(None, 1), (0, 1), ("manager", 0), ("manager", -3)])
def test_fail_next_rejects_bad_arms(ctl, address, count):
    target = ctl.manager_address() if address == "manager" else address
    with pytest.raises(ValueError):
        ctl.fail_next(target, 3, ctl.RUNTIME_ERROR, count=count)


def _run_python(code, **env):
    package_dir = os.path.dirname(os.path.dirname(os.path.abspath(varnex2_standin.__file__)))
    full = dict(os.environ, PYTHONPATH=package_dir, **env)
    return subprocess.run([sys.executable, "-c", code], env=full, capture_output=True, text=True, timeout=60)


def test_model_named_by_the_environment_is_served(tmp_path):
    file = tmp_path / "m.json"
    file.write_text(json.dumps(SMALL))
    done = _run_python("import varnex2_standin as v; print(v.dump_model()['entities'][0]['name'], v.manager_available())",
                       VARNEX2_MODEL=str(file))
    assert done.returncode == 0, done.stderr
    assert done.stdout.split() == ["Net", "True"]


def test_unusable_environment_model_withholds_the_manager(tmp_path):
    file = tmp_path / "bad.json"
    file.write_text('{"entities": 5}')
    done = _run_python("import varnex2_standin as v; print(v.manager_available(), v.dump_model()['entities'][0]['name'])",
                       VARNEX2_MODEL=str(file))
    assert done.returncode == 0, done.stderr
    assert done.stdout.split() == ["False", "CoolingLoop"]
    assert "VARNEX2_MODEL" in done.stderr and "entities: expected a list" in done.stderr


# With the extension module at hand: the controls reach the instance the module uses.

@pytest.fixture
def module(ctl):
    return pytest.importorskip("_Varnex2Python")


@pytest.mark.parametrize("message_fails, expected", [
    (False, "injected"),
    (True, "Failure to retrieve LastErrorMessage"),
])
def test_injected_failure_reaches_python(module, ctl, message_fails, expected):
    manager = module.ISolverManager_instance()  # fail_next takes the proxy itself
    ctl.fail_next(manager, 3, ctl.OUT_OF_RANGE, "injected", message_fails=message_fails)
    with pytest.raises(RuntimeError) as raised:
        module.ISolverData_getIteration(manager)
    assert str(raised.value) == expected
    assert module.ISolverData_getIteration(manager) == 1


def test_calls_and_messages_through_the_module(module, ctl):
    manager = module.ISolverManager_instance()
    ctl.record_calls(True)
    module.ISolverData_setTimeStep(manager, 0.25)
    module.ISolverData_getIteration(manager, 0)
    module.ISolverManager_showMessage(manager, "caf\u00e9")
    module.ISolverManager_showInformational(manager, "note")
    ctl.record_calls(False)
    address = ctl.manager_address()
    assert ctl.calls() == [(address, 8, (0.25, 4)), (address, 3, (0,)), (address, 27, ("caf\u00e9",)),
                           (address, 28, ("note",))]
    assert ctl.messages() == [("message", "caf\u00e9"), ("informational", "note")]
    assert ctl.step() == 1
    assert module.ISolverData_getTimeStep(manager) == 0.25


def test_a_library_already_loaded_wins_over_the_environment(tmp_path):
    """As when the extension module has loaded its library before the package is imported."""
    here = ctl_path = varnex2_standin.library_path()
    code = ("import ctypes, warnings, sys; first = ctypes.CDLL(sys.argv[1]);"
            "warnings.simplefilter('always');"
            "import varnex2_standin as v; print(v.library_path())")
    package_dir = os.path.dirname(os.path.dirname(os.path.abspath(varnex2_standin.__file__)))
    other = tmp_path / "libVarnex2.so"
    other.write_bytes(pathlib.Path(here).read_bytes())
    env = dict(os.environ, PYTHONPATH=package_dir, VARNEX2_LIBRARY=str(other))
    done = subprocess.run([sys.executable, "-c", code, ctl_path], env=env, capture_output=True, text=True,
                          timeout=60)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip() == os.path.abspath(ctl_path)
    assert "is already loaded; its instance is used" in done.stderr
