"""The runner as a closed-loop bench: plants, input signals, start values, script parameters,
recorded runs replayed, continued runs and the generation phase. Runs in a child interpreter
(the runner imports Varnex2Python)."""
import json
import math
import os
import textwrap
import warnings

import pytest

pytest.importorskip("varnex2_standin")

from child_tests import CHILD, only_in_child

if CHILD:
    import Varnex2Python as vx
    import varnex2_standin
    from Varnex2Python import capture
    from Varnex2Python.enums import EventType, SolvePhase
    from varnex2_standin import plants, runner

EXAMPLES = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "examples")


def model(**run):
    """A heater whose power a controller sets and whose temperature a plant computes."""
    settings = {"numberOfIterations": 6, "tolerance": 0.0}
    settings.update(run)
    return {"run": settings, "entities": [
        {"name": "Net", "type": "Network", "attributes": [
            {"name": "Ctl", "kind": "entity", "type": "SolutionControl", "attributes": [
                {"name": "Convergence", "kind": "composite", "attributes": [
                    {"name": "Residual", "kind": "double", "access": "ReadOnly", "value": 1.0}]}]},
            {"name": "Heater", "kind": "entity", "type": "Heater", "attributes": [
                {"name": "Power", "kind": "double", "unit": "kW", "value": 0.0},
                {"name": "Temperature", "kind": "double", "unit": "K", "access": "ReadOnly", "value": 280.0},
                {"name": "Steps", "kind": "int", "value": 0},
                {"name": "On", "kind": "bool", "value": False},
                {"name": "Label", "kind": "string", "value": "a"},
                {"name": "Watch", "kind": "shortcut", "target": "Net/Heater/Label"}]}]}]}


TRANSIENT = dict(transient=True, numberOfIterations=2, timeStep=1.0, totalTime=3.0)
POWER, TEMPERATURE = "Heater/Heater/Power", "Net/Heater/Temperature"


@pytest.fixture
def fresh():
    varnex2_standin.reset()
    yield varnex2_standin
    varnex2_standin.reset()


@pytest.fixture
def write(tmp_path):
    def write(text, name="script.py"):
        path = tmp_path / name
        path.write_text(textwrap.dedent(text))
        return str(path)

    return write


def editor():
    return vx.EntityEditor(vx.ISolverManager.instance())


def test_the_plant_computes_between_iteration_start_and_end_with_the_run_state(fresh):
    seen = []
    manager = vx.ISolverManager.instance()
    runner.run(lambda event: seen.append(event.name), model=model(**TRANSIENT),
               at=["IterationStart", "ControllerUpdate", "IterationEnd"],
               plant=lambda state: seen.append((state.iteration, state.time, state.time_step_index,
                                                manager.getIteration())))
    assert seen[:8] == ["IterationStart", (1, 1.0, 1, 1), "ControllerUpdate", "IterationEnd",
                        "IterationStart", (2, 1.0, 1, 2), "ControllerUpdate", "IterationEnd"]
    assert seen[9] == (3, 2.0, 2, 3)


def test_a_pi_controller_settles_on_its_plant_and_takes_its_gains_from_define(fresh):
    script, plant = (os.path.join(EXAMPLES, name) for name in ("pi_controller.py", "cooling_plant.py"))
    monitors = ["HeatExchanger/HX1/HotSide/OutletTemperature", "Pump/Pump1/Speed"]
    history = runner.run(script, plant=plant, monitor=monitors)
    temperatures = history.column(monitors[0])
    assert temperatures[0] == pytest.approx(303.15) and temperatures[-1] == pytest.approx(300.0, abs=0.02)
    slow = runner.run(script, plant=plant, monitor=monitors, define={"KI": 0.0})
    # Without the integral a proportional controller keeps an offset.
    assert slow.column(monitors[0])[-1] > 300.5


def test_a_plant_keeps_its_state_and_a_raising_plant_ends_the_run_naming_it(fresh, write):
    path = write("""
        import Varnex2Python as vx
        calls = []
        def plant(state):
            calls.append(state.iteration)
            if len(calls) == 3:
                raise ZeroDivisionError("plant broke after %s" % calls)
        """, "heater_plant.py")
    with pytest.raises(runner.ScriptError) as raised:
        runner.run(lambda event: None, model=model(), plant=path, at=["IterationEnd", "Error"])
    assert str(raised.value) == ("the plant heater_plant.py:plant raised ZeroDivisionError in iteration 3: "
                                 "plant broke after [1, 2, 3]")
    assert raised.value.history.outcome == "error" and len(raised.value.history.rows) == 2
    assert raised.value.history.events[-1] == (int(EventType.Error), 3)


@pytest.mark.parametrize("given, message", [
    ("heater_plant.py:plnt", "plant: {path} has no function 'plnt'; closest: plant"),
    ("heater_plant.py", None),
    ("absent_plant.py", "plant: no file absent_plant.py"),
])
def test_plant_files_are_named_by_file_and_function(fresh, write, given, message):
    path = write("def plant(state):\n    pass\n", "heater_plant.py")
    given = given.replace("heater_plant.py", path) if "absent" not in given else given
    if message is None:
        runner.run(lambda event: None, model=model(), plant=given)
    else:
        with pytest.raises(ValueError) as raised:
            runner.run(lambda event: None, model=model(), plant=given)
        assert str(raised.value) == message.format(path=path)


def lag_run(transient=False, **lag):
    """The temperature a Lag gives for a power stepped from 0 to 5 from the second iteration on."""
    def script(event):
        editor().setDoubleValue("Heater", "Heater", "Power", 5.0)  # at Next

    plant = plants.Lag(POWER, TEMPERATURE, **dict({"offset": 280.0}, **lag))
    history = runner.run(script, model=model(**(TRANSIENT if transient else {})), plant=plant, monitor=[TEMPERATURE])
    return history.column(TEMPERATURE)


@pytest.mark.parametrize("lag, expected", [
    ({"gain": 2.0}, [280.0] + [290.0] * 5),                           # a pure gain
    ({"gain": 2.0, "delay": 2}, [280.0, 280.0, 280.0, 290.0, 290.0, 290.0]),   # the delay line starts full
    ({"gain": 2.0, "time_constant": 1.0}, [280.0, 285.0, 287.5, 288.75, 289.375, 289.6875]),
    # The output starts from the model's 280 K, not from the steady state 270 K of the first input.
    ({"gain": 2.0, "time_constant": 1.0, "offset": 270.0}, [275.0, 277.5, 278.75, 279.375, 279.6875, 279.84375]),
], ids=["gain", "dead time", "lag", "lag from the model's value"])
def test_a_steady_lag_counts_iterations(fresh, lag, expected):
    values = lag_run(**lag)
    assert values == pytest.approx(expected)


def test_a_transient_lag_advances_per_time_step_and_inner_iterations_agree(fresh):
    values = lag_run(transient=True, gain=2.0, time_constant=1.0, delay=1.0)
    # Per time step (two iterations each): one step of delay, then the lag of dt / (tau + dt) = 1/2.
    assert values == pytest.approx([280.0, 280.0, 285.0, 285.0, 287.5, 287.5])


def test_blocks_compose(fresh):
    chain = plants.Limiter(plants.Integrator(POWER, gain=3.0, initial=0.0), TEMPERATURE, low=0.0, high=10.0)
    power = plants.Lag(POWER, "Net/Heater/Steps", gain=1.0)  # an int written as a double: converted
    history = runner.run(lambda event: editor().setDoubleValue("Heater", "Heater", "Power", 1.5),
                         model=model(), plant=chain + power, monitor=[TEMPERATURE, "Net/Heater/Steps"])
    assert history.column(TEMPERATURE) == [0.0, 4.5, 9.0, 10.0, 10.0, 10.0]
    assert history.column("Net/Heater/Steps") == [0, 2, 2, 2, 2, 2]
    # In a transient run the integral is over time (steps of 0.5 s), once per time step.
    chain = plants.Integrator(POWER, TEMPERATURE, gain=2.0, initial=1.0)
    history = runner.run(lambda event: None, model=model(**dict(TRANSIENT, timeStep=0.5, totalTime=1.5)),
                         set={POWER: 3.0}, plant=chain, monitor=[TEMPERATURE])
    assert history.column(TEMPERATURE) == [4.0, 4.0, 7.0, 7.0, 10.0, 10.0]
    with pytest.raises(ValueError, match="Limiter low"):
        plants.Limiter(POWER, low=2.0, high=1.0)
    with pytest.raises(ValueError, match="time_constant and delay must not be negative"):
        plants.Lag(POWER, delay=-1.0)


def test_input_signals_hold_per_iteration_and_interpolate_in_time(fresh, tmp_path):
    steady = tmp_path / "steady.csv"
    steady.write_text("iteration,Heater/Heater/Power [kW],Net/Heater/On,Net/Heater/Label\n"
                      "2,1.5,true,b\n4,3,,c\n")
    history = runner.run(lambda event: None, model=model(), inputs=str(steady),
                         monitor=[POWER, "Net/Heater/On", "Net/Heater/Label"])
    assert history.column(POWER) == [1.5, 1.5, 1.5, 3.0, 3.0, 3.0]
    assert history.column("Net/Heater/On") == [True] * 6
    assert history.column("Net/Heater/Label") == ["b", "b", "b", "c", "c", "c"]
    timed = {"time": [1.0, 3.0], POWER: [0.0, 4.0], TEMPERATURE: [300.0, 300.0]}  # a read-only one too
    history = runner.run(lambda event: None, model=model(**TRANSIENT), inputs=timed, monitor=[POWER, TEMPERATURE])
    assert history.column(POWER) == [0.0, 0.0, 2.0, 2.0, 4.0, 4.0]
    assert set(history.column(TEMPERATURE)) == {300.0}


@pytest.mark.parametrize("table, message", [
    ({"iteration": [1], "Heater/Heater/Powr": [1.0]},
     "inputs column 'Heater/Heater/Powr': no attribute has that full path or Type/Name/path; closest: Net/Heater/Power"),
    ({"iteration": [1, 2], "Net/Heater/Steps": [1, 2.5]},
     "inputs column 'Net/Heater/Steps', row 2: 2.5 is not an integer (the attribute is an int)"),
    ({"time": [1.0], POWER: [1.0]}, "inputs: a 'time' column needs a transient run"),
    ({POWER: [1.0]}, "inputs: needs a 'time' or an 'iteration' column"),
    ({"iteration": [2, 1], POWER: [1.0, 2.0]}, "inputs: row 2: iteration 1 comes before 2"),
    ({"iteration": [1], "Net/Heater": [1.0]}, "inputs column 'Net/Heater': the attribute is an entity, not a value"),
])
def test_input_signals_that_do_not_fit_are_refused_naming_the_place(fresh, table, message):
    with pytest.raises(ValueError) as raised:
        runner.run(lambda event: None, model=model(), inputs=table)
    assert str(raised.value).startswith(message)


def test_start_values_are_set_at_initial_and_current_converted_by_kind(fresh):
    manager = vx.ISolverManager.instance()
    seen = {}

    def script(event):
        seen["power"] = editor().getDoubleValue("Heater", "Heater", "Power", vx.Chronology.Initial)
        seen["steps"] = editor().getIntValue("Heater", "Heater", "Steps")
        seen["label"] = editor().getStringValue("Heater", "Heater", "Label")
        seen["on"] = editor().getBoolValue("Heater", "Heater", "On")
        seen["iteration"] = manager.getIteration()

    runner.run(script, model=model(), at=["Initialize"], iterations=1,
               set={POWER: "2.5", "Net/Heater/Steps": 2 ** 31 - 1, "Net/Heater/Watch": "z", "Net/Heater/On": "1",
                    TEMPERATURE: 300})
    assert seen == {"power": 2.5, "steps": 2 ** 31 - 1, "label": "z", "on": True, "iteration": 1}


@pytest.mark.parametrize("values, message", [
    ({"Net/Heater/Steps": "2.5"}, "set Net/Heater/Steps: '2.5' is not an integer (the attribute is an int)"),
    ({"Net/Heater/On": "maybe"}, "set Net/Heater/On: 'maybe' is not true or false (the attribute is a bool)"),
    ({"Net/Heater/Steps": 2 ** 31}, "set Net/Heater/Steps: 2147483648 is not within the int range"),
    ({"Net/Heater/Stps": 1}, "set 'Net/Heater/Stps': no attribute has that full path or Type/Name/path; "
                             "closest: Net/Heater/Steps, "),
])
def test_start_values_that_do_not_fit_are_refused_naming_the_path(fresh, values, message):
    with pytest.raises(ValueError) as raised:
        runner.run(lambda event: None, model=model(), set=values)
    assert str(raised.value).startswith(message)


@pytest.mark.parametrize("functions", [False, True], ids=["plain", "event functions"])
def test_definitions_are_globals_of_the_script(fresh, write, functions):
    body = "vx.ISolverManager.instance().showMessage('%s %s' % (KP, globals().get('KI', 'none')))"
    text = "import Varnex2Python as vx\nKP = globals().get('KP', 0.5)\n"
    text += ("def on_initialize():\n    " + body + "\n") if functions else body + "\n"
    path = write(text)
    history = runner.run(path, model=model(), at=["Initialize"], iterations=1)
    assert history.messages == [("message", "0.5 none")]
    history = runner.run(path, model=model(), at=["Initialize"], iterations=1, define={"KP": 2, "KI": [1]})
    assert history.messages == [("message", "2 [1]")]
    with pytest.raises(ValueError, match="a callable script has none"):
        runner.run(lambda event: None, define={"KP": 1})


def test_a_run_recorded_with_a_plant_replays_without_it(fresh, tmp_path):
    def controller(event):
        temperature = editor().getDoubleValue("Heater", "Heater", "Temperature")
        editor().setDoubleValue("Heater", "Heater", "Power", (300.0 - temperature) * 0.5)

    lag = plants.Lag(POWER, TEMPERATURE, gain=4.0, time_constant=2.0, offset=280.0)
    recorded = runner.run(controller, model=model(), plant=lag, monitor=[POWER, TEMPERATURE])
    recorded.to_csv(tmp_path / "trace.csv")
    replayed = runner.run(controller, model=model(), replay=str(tmp_path / "trace.csv"), monitor=[POWER, TEMPERATURE])
    for column in (POWER, TEMPERATURE, "residual", "iteration"):
        assert replayed.column(column) == recorded.column(column)
    # The script's own writes win over the trace's values; the recorded residual is replayed.
    rows = [line.split(",") for line in (tmp_path / "trace.csv").read_text().splitlines()]
    power = rows[0].index(POWER + " [kW]")
    for row in rows[1:]:
        row[3], row[power] = "0.5", "99.0"
    (tmp_path / "edited.csv").write_text("\n".join(",".join(row) for row in rows) + "\n")
    edited = runner.run(lambda event: editor().setDoubleValue("Heater", "Heater", "Power", 7.0), model=model(),
                        replay=str(tmp_path / "edited.csv"), monitor=[POWER])
    assert edited.column(POWER) == [99.0] + [7.0] * 5 and edited.column("residual") == [0.5] * 6
    # Past the trace's end the run goes on by itself: the replayed values hold.
    longer = runner.run(lambda event: None, model=model(numberOfIterations=9), replay=str(tmp_path / "trace.csv"),
                        monitor=[TEMPERATURE], iterations=8)
    assert longer.column(TEMPERATURE)[6:] == [recorded.column(TEMPERATURE)[-1]] * 2


@pytest.mark.parametrize("header, row, message", [
    ("iteration,residual,Net/Heater/Gone", "1,1.0,2", "replay {path} column 'Net/Heater/Gone': no attribute"),
    ("time,residual", "1,1.0", "replay {path}: not a run history (no 'iteration' column)"),
    ("iteration,time,residual", "1,1.0,1.0\n2,2.0,0.5", "replay {path}: the trace is of a transient run, the model's"),
])
def test_a_trace_of_another_model_is_refused(fresh, tmp_path, header, row, message):
    path = tmp_path / "trace.csv"
    path.write_text(header + "\n" + row + "\n")
    with pytest.raises(ValueError) as raised:
        runner.run(lambda event: None, model=model(), replay=str(path))
    assert str(raised.value).startswith(message.format(path=path))


def normalised(dumped):
    """A dump with the shortcut targets the API cannot name made alike."""
    text = json.dumps(dumped)
    return json.loads(text.replace('"CoolingLoop/Chiller/HotSide/OutletTemperature"', '"%s"' % capture.UNRESOLVED))


@pytest.mark.parametrize("transient", [False, True], ids=["built-in", "transient"])
def test_a_snapshot_loads_back_to_an_equal_model(fresh, tmp_path, transient):
    if transient:  # the built-in model (links, lists, arrays, shortcuts) in a transient run
        document = varnex2_standin.dump_model()
        document["run"].update(transient=True, numberOfIterations=3, timeStep=0.25, totalTime=5.0,
                               residualReduction=0.5, tolerance=1e-3)
        varnex2_standin.load_model(document)
    editor().setDoubleValue("Pump", "Pump1", "Speed", 1500.0, vx.Chronology.Next)  # a pending write
    varnex2_standin.step(2)
    before = varnex2_standin.dump_model()
    hidden = {k: before["run"][k] for k in ("residualReduction", "tolerance")}  # not shown by the API
    capture.snapshot(tmp_path / "snap.json", run_settings=hidden)
    varnex2_standin.load_model(str(tmp_path / "snap.json"))
    assert normalised(varnex2_standin.dump_model()) == normalised(before)


def test_a_trace_recorded_by_a_script_replays(fresh, write, tmp_path):
    trace = tmp_path / "trace.csv"
    path = write("""
        from Varnex2Python import capture
        capture.record(TRACE, ["Net/Heater/Temperature", "Heater/Heater/Power"])
        """)
    recorded = runner.run(path, model=model(), plant=plants.Lag(POWER, TEMPERATURE, gain=1.0, offset=290.0),
                          set={POWER: 2.0}, define={"TRACE": str(trace)}, monitor=[TEMPERATURE])
    header = trace.read_text().splitlines()[0]
    assert header == "iteration,time,timeStep,residual,converged,Net/Heater/Temperature [K],Heater/Heater/Power [kW]"
    replayed = runner.run(lambda event: None, model=model(), replay=str(trace), monitor=[TEMPERATURE])
    assert replayed.column(TEMPERATURE) == recorded.column(TEMPERATURE) == [292.0] * 6


def test_a_continued_run_raises_continue_and_goes_on_from_the_saved_state(fresh, tmp_path):
    first = runner.run(lambda event: None, model=model(numberOfIterations=3))
    state = tmp_path / "state.json"
    state.write_text(json.dumps(varnex2_standin.dump_model()))
    seen = []
    manager = vx.ISolverManager.instance()
    history = runner.run(lambda event: seen.append((event.name, manager.getIteration(),
                                                    manager.getIteration(vx.Chronology.Continue))),
                         continue_from=str(state), iterations=2, at=["Initialize", "Continue", "IterationEnd"])
    assert seen == [("Continue", 3, 3), ("IterationEnd", 4, 3), ("IterationEnd", 5, 3)]
    assert history.column("residual")[0] == pytest.approx(first.column("residual")[-1] * 0.8)
    varnex2_standin.load_model(model(**TRANSIENT))
    runner.run(lambda event: None)
    state.write_text(json.dumps(varnex2_standin.dump_model()))
    history = runner.run(lambda event: None, continue_from=str(state), iterations=3)
    # The saved state ended iteration 6 at 3 s: three more iterations, room made for them.
    assert [(row["iteration"], row["time"]) for row in history.rows] == [(7, 4.0), (8, 4.0), (9, 5.0)]
    with pytest.raises(ValueError, match="continue_from= takes the place of model="):
        runner.run(lambda event: None, model=model(), continue_from=str(state))


def test_assignments_split_at_the_first_equals_sign():
    from varnex2_standin.options import assignment

    assert assignment("Net/Heater/Label=a=b", "--set") == ("Net/Heater/Label", "a=b")
    with pytest.raises(ValueError, match="--set =1: expected NAME=VALUE"):
        assignment("=1", "--set")


def test_a_generation_phase_comes_before_initialize(fresh, write):
    path = write("""
        import Varnex2Python as vx
        def on_event(event):
            if event.name != "ControllerUpdate":
                vx.ISolverManager.instance().showMessage("%s %s" % (event.name, SOLVE_PHASE.name))
        """)
    history = runner.run(path, model=model(numberOfIterations=1), generation=True)
    assert [text for _, text in history.messages] == [
        "CFDGenerationStart CFDGeneration", "CFDGenerationEnd CFDGeneration", "Initialize Solving",
        "IterationStart Solving", "IterationEnd Solving", "Finished Solving"]
    assert SolvePhase.Solving == 2


def test_each_run_starts_afresh_unless_asked_to_go_on(fresh):
    varnex2_standin.load_model(model())
    assert len(runner.run(lambda event: None)) == 6
    assert len(runner.run(lambda event: None)) == 6   # not "finished after 1 iteration"
    assert len(runner.run(lambda event: None, fresh=False)) == 1


@pytest.mark.parametrize("text, warned", [
    ("def on_timestep_end():\n    pass\n", "defines on_timestep_end(), which is no event function; "
                                         "did you mean on_time_step_end?"),
    ("def on_finished():\n    pass\n", "the script runs at IterationEnd, but defines neither on_iteration_end() "
                                         "nor on_event(); nothing runs then"),
])
def test_likely_mistakes_in_event_functions_are_warned_about(fresh, write, text, warned):
    path = write(text)
    with pytest.warns(runner.ScriptWarning) as caught:
        runner.run(path, model=model(), at=["Finished", "IterationEnd"] if "finished" in text else None)
    assert any(warned in str(w.message) for w in caught)


def test_monitors_follow_a_replaced_model_or_end_the_run_naming_themselves(fresh):
    def reload(event):
        if vx.ISolverManager.instance().getIteration() == 2:
            varnex2_standin.load_model(model(iteration=3))

    history = runner.run(reload, model=model(), monitor="Net/Heater/Power")  # one path, as a str
    assert len(history.column("Net/Heater/Power")) == len(history.rows) and history.outcome == "finished"
    other = model()
    other["entities"][0]["attributes"][1]["attributes"] = []

    def replace(event):
        varnex2_standin.load_model(other)

    with pytest.raises(runner.RunError, match=r"monitor 'Net/Heater/Power': no attribute .*model was replaced"):
        runner.run(replace, model=model(), monitor=["Net/Heater/Power"])


@pytest.mark.parametrize("body, outcome", [
    ("import sys\nsys.exit(0)\n", "cancelled"),
    ("import sys\nsys.exit('bad')\n", "error"),
    ("raise GeneratorExit\n", "error"),
    ("import sys\nsys.stdout.close()\nprint('still here')\n", "finished"),
])
def test_how_a_script_leaves_is_defined(fresh, write, body, outcome):
    try:
        history = runner.run(write(body), model=model())
    except runner.ScriptError as error:
        history = error.history
    assert history.outcome == outcome


def test_an_overload_error_prints_its_first_line_and_where_the_forms_are(fresh, write):
    path = write("import Varnex2Python as vx\nvx.EntityEditor(vx.ISolverManager.instance()).getDoubleValue(1.5)\n")
    with pytest.raises(runner.ScriptError) as raised:
        runner.run(path, model=model())
    assert str(raised.value).endswith("Wrong number or type of arguments for overloaded function "
                                      "'EntityEditor_getDoubleValue'.")
    trace = raised.value.script_traceback()
    # The call's line (and, from 3.11, its markers), then two lines instead of the 44 call forms.
    assert len(trace.splitlines()) <= 6 and "help(_Varnex2Python.EntityEditor_getDoubleValue)" in trace
    assert "Possible C/C++ prototypes" not in trace
    assert "Varnex2Python/__init__.py" not in trace  # the class layer's frames are left out


def test_a_tiny_time_step_does_not_break_the_progress(fresh):
    import io
    from varnex2_standin.progress import Progress

    def stop(event):
        if vx.ISolverManager.instance().getIteration() == 2:
            vx.ISolverManager.instance().solveStop()

    history = runner.run(stop, model=model(transient=True, timeStep=5e-324, totalTime=1.0),
                         progress=Progress(io.StringIO(), bar=False))
    assert history.outcome == "cancelled"


def test_the_progress_fraction_counts_the_iterations_asked_for(fresh):
    import io
    from varnex2_standin.progress import Progress

    stream = io.StringIO()
    runner.run(lambda event: None, model=model(numberOfIterations=100), iterations=4,
               progress=Progress(stream, bar=False))
    assert "[ 50%] iteration 2 (2/4)" in stream.getvalue()


def test_defaults_a_callable_script_and_a_shortcut_to_a_string(fresh):
    seen = []
    history = runner.run(seen.append, model=model(numberOfIterations=2), monitor=["Net/Heater/Watch"])
    assert seen == [EventType.IterationEnd] * 2
    assert history.column("Net/Heater/Watch") == ["a", "a"]


only_in_child(globals(), __file__)
