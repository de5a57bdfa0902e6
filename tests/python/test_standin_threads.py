"""The stand-in's controls called from one thread while others use the module. Each run is a
child interpreter, so that a crash shows as a failed run rather than ending the test session."""
import pytest

pytestmark = pytest.mark.controls

RACE = """
import threading, time
import _Varnex2Python as m
import varnex2_standin as v

MODEL = {"entities": [{"name": "E%d" % i, "type": "Pipe", "attributes": [
    {"name": "T", "kind": "double", "value": 1.0}]} for i in range(2000)]}
stop = threading.Event()
done = {"module": 0, "controls": 0}

def module_user():
    while not stop.is_set():
        try:
            manager = m.ISolverManager_instance()
            m.ISolverManager_showMessage(manager, "hello from a worker")
            m.ISolverData_getIteration(manager)
            collection = m.ISolverData_getEntityCollection(manager)
            for index in range(0, 2000, 50):
                entity = m.IEntityCollection_getEntity(collection, index)
                m.IAttribute_getDoubleValue(m.ICompositeAttribute_getAttribute(entity, 0))
        except Exception:
            pass  # an armed failure or an object of a replaced model
        done["module"] += 1

def controls():
    while not stop.is_set():
        {CONTROLS}
        done["controls"] += 1

threads = [threading.Thread(target=module_user) for _ in range(3)] + [threading.Thread(target=controls)]
for t in threads:
    t.start()
time.sleep(1.5)
stop.set()
for t in threads:
    t.join()
assert done["module"] > 0 and done["controls"] > 0, done
print("ok")
"""


@pytest.mark.parametrize("controls", [
    "v.reset(); v.load_model(MODEL); v.dump_model(); v.run_state(); v.step()",
    "v.messages(); v.clear_messages()",
    "v.record_calls(True); v.calls(); v.clear_calls()",
    "v.fail_next(v.manager_address(), 3, v.RUNTIME_ERROR, 'armed', count=2); v.clear_failures()",
], ids=["model", "messages", "calls", "failures"])
def test_controls_race_module_calls(run_python, controls):
    rc, out, err = run_python(RACE.replace("{CONTROLS}", controls))
    assert (rc, out) == (0, "ok\n"), err[-2000:]
