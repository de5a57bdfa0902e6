"""The offline runner from Python: events in the solver's order, the two kinds of scripts,
stops, errors, monitored attributes and the history. Runs in a child interpreter (the
runner imports Varnex2Python)."""
import importlib.util
import math
import sys
import textwrap

import pytest

pytest.importorskip("varnex2_standin")  # runs scripts against the stand-in

from child_tests import CHILD, only_in_child

if CHILD:
    import Varnex2Python as vx
    import varnex2_standin
    from Varnex2Python.enums import EventType
    from varnex2_standin import runner
    from varnex2_standin import history as history_module
    from varnex2_standin.history import History, PlotUnavailable, read_csv, split_unit


def small_model(**run):
    """One network with a solution control and a temperature; never converges by itself."""
    settings = {"numberOfIterations": 3, "tolerance": 0.0}
    settings.update(run)
    return {"run": settings, "entities": [
        {"name": "Net", "type": "Network", "attributes": [
            {"name": "Ctl", "kind": "entity", "type": "SolutionControl", "attributes": [
                {"name": "Convergence", "kind": "composite", "attributes": [
                    {"name": "Residual", "kind": "double", "value": 1.0}]}]},
            {"name": "Heater", "kind": "entity", "type": "Heater", "attributes": [
                {"name": "Power", "kind": "double", "unit": "kW", "value": 5.0},
                {"name": "On", "kind": "bool", "value": True},
                {"name": "Mode", "kind": "string", "value": "auto"},
                {"name": "Curve", "kind": "composite", "attributes": [
                    {"name": "Points", "kind": "int", "value": 4}]}]}]}]}


@pytest.fixture
def write_script(tmp_path):
    def write(text, name="script.py"):
        path = tmp_path / name
        path.write_text(textwrap.dedent(text))
        return str(path)

    return write


@pytest.fixture
def fresh():
    varnex2_standin.reset()
    yield varnex2_standin
    varnex2_standin.reset()


def names(history):
    return [(EventType(event).name, iteration) for event, iteration in history.events]


ITERATION = ("IterationStart", "ControllerUpdate", "IterationEnd")
STEADY = [("Initialize", 1)] + [(e, i) for i in (1, 2, 3) for e in ITERATION] + [("Finished", 3)]
TRANSIENT = [("Initialize", 1)] + [
    pair for first, second in ((1, 2), (3, 4)) for pair in (
        [("TimeStepStart", first)] + [(e, first) for e in ITERATION] + [(e, second) for e in ITERATION] +
        [("TimeStepEnd", second)])] + [("Finished", 4)]


@pytest.mark.parametrize("model, expected", [
    (small_model(), STEADY),
    (small_model(transient=True, numberOfIterations=2, timeStep=1.0, totalTime=2.0), TRANSIENT),
], ids=["steady", "transient"])
def test_events_come_in_the_solvers_order(fresh, model, expected):
    seen = []
    manager = vx.ISolverManager.instance()
    history = runner.run(lambda event: seen.append((event.name, manager.getIteration())), model=model,
                         at=[e.name for e in runner.RAISED_EVENTS])
    assert seen == expected
    assert names(history) == expected
    assert history.outcome == "finished"
    assert [row["iteration"] for row in history.rows] == sorted({i for _, i in expected})


def test_rows_hold_the_run_data_at_the_end_of_each_iteration(fresh):
    states = []
    history = runner.run(lambda event: states.append(varnex2_standin.run_state()),
                         model=small_model(transient=True, numberOfIterations=2, timeStep=0.5, totalTime=1.0))
    assert len(history.rows) == len(states) == 4
    for row, state in zip(history.rows, states):
        assert row == {"iteration": state["iteration"], "time": state["time"], "timeStep": state["timeStep"],
                       "residual": state["residual"], "converged": state["converged"]}
    assert history.transient and history.columns[:5] == ["iteration", "time", "timeStep", "residual", "converged"]


def test_a_plain_script_runs_anew_at_each_chosen_event(fresh, write_script):
    path = write_script("""
        import Varnex2Python as vx
        count = globals().get("count", 0) + 1   # a fresh namespace every time: always 1
        vx.ISolverManager.instance().showMessage("%s %d %s" % (EVENT.name, count, __name__))
        """)
    history = runner.run(path, model=small_model(), at=["Initialize", "IterationEnd"])
    assert [text for _, text in history.messages] == \
        ["Initialize 1 __main__"] + ["IterationEnd 1 __main__"] * 3


def test_an_event_function_script_is_loaded_once_and_keeps_its_globals(fresh, write_script):
    path = write_script("""
        import Varnex2Python as vx
        manager = vx.ISolverManager.instance()
        calls = []
        manager.showMessage("loaded")

        def on_initialize():
            calls.append("init")

        def on_iteration_end():
            calls.append(str(manager.getIteration()))

        def on_finished():
            manager.showMessage(" ".join(calls) + " " + EVENT.name)
        """)
    history = runner.run(path, model=small_model())
    assert [text for _, text in history.messages] == ["loaded", "init 1 2 3 Finished"]


def test_on_event_receives_every_event(fresh, write_script):
    path = write_script("""
        import Varnex2Python as vx
        def on_event(event):
            vx.ISolverManager.instance().showMessage(event.name)
        """)
    history = runner.run(path, model=small_model(numberOfIterations=1))
    assert [text for _, text in history.messages] == ["Initialize", "IterationStart", "ControllerUpdate",
                                                      "IterationEnd", "Finished"]


@pytest.mark.parametrize("text", ["IterationEnd", "EventType_IterationEnd", "iteration_end", "on_iteration_end",
                                  "iterationend", 11, "11"])
def test_events_are_named_in_every_usual_way(text):
    assert runner.parse_event(text) is EventType.IterationEnd


@pytest.mark.parametrize("text", ["Iteration", "VarnexGeneration", 99])
def test_unknown_events_list_the_raised_ones(text):
    with pytest.raises(ValueError) as raised:
        runner.parse_event(text)
    assert "the runner raises CFDGenerationStart, CFDGenerationEnd, Initialize, Continue, TimeStepStart, " \
           "IterationStart, ControllerUpdate, IterationEnd" in str(raised.value)


def test_stopping_the_solve_cancels_the_run(fresh):
    manager = vx.ISolverManager.instance()

    def script(event):
        if manager.getIteration() == 2:
            manager.solveStop()

    history = runner.run(script, model=small_model(numberOfIterations=10))
    assert history.outcome == "cancelled"
    assert names(history)[-1] == ("Cancelled", 2) and len(history.rows) == 2


def test_iterations_stop_the_run_early_with_finished(fresh):
    history = runner.run(lambda event: None, model=small_model(numberOfIterations=50), iterations=4)
    assert (history.outcome, len(history.rows), names(history)[-1]) == ("finished", 4, ("Finished", 4))


@pytest.mark.parametrize("kind", ["plain", "functions"])
def test_a_script_error_raises_error_and_keeps_the_history(fresh, write_script, kind):
    body = "1 / (vx.ISolverManager.instance().getIteration() - 2)\n"
    if kind == "plain":
        path = write_script("import Varnex2Python as vx\n" + body)
    else:
        path = write_script("import Varnex2Python as vx\n"
                            "def on_iteration_end():\n    " + body +
                            "def on_error():\n    vx.ISolverManager.instance().showMessage('error seen')\n")
    with pytest.raises(runner.ScriptError) as raised:
        runner.run(path, model=small_model())
    error = raised.value
    assert str(error) == "the script raised ZeroDivisionError at IterationEnd of iteration 2: division by zero"
    assert isinstance(error.__cause__, ZeroDivisionError)
    history = error.history
    assert history.outcome == "error" and names(history)[-1] == ("Error", 2) and len(history.rows) == 1
    assert history.messages == ([("message", "error seen")] if kind == "functions" else [])
    trace = error.script_traceback()
    assert path in trace and "ZeroDivisionError" in trace and "runner.py" not in trace


def test_an_error_while_loading_an_event_function_script_is_reported_at_initialize(fresh, write_script):
    path = write_script("def on_finished():\n    pass\nraise KeyError('setup')\n")
    with pytest.raises(runner.ScriptError, match="KeyError at Initialize of iteration 1"):
        runner.run(path, model=small_model())


@pytest.mark.parametrize("monitor", ["Net/Heater/Power", "Heater/Heater/Power"])
def test_monitors_by_full_path_or_type_name_path_record_current_values(fresh, monitor):
    editor = vx.EntityEditor(vx.ISolverManager.instance())

    def script(event):
        editor.setDoubleValue("Heater", "Heater", "Power", 5.0 + vx.ISolverManager.instance().getIteration(),
                              vx.Chronology.Current)

    history = runner.run(script, model=small_model(), monitor=[monitor, "Net/Heater/On", "Net/Heater/Mode",
                                                               "Net/Heater/Curve/Points"])
    assert history.column(monitor) == [6.0, 7.0, 8.0]
    assert history.column("Net/Heater/On") == [True] * 3
    assert history.column("Net/Heater/Mode") == ["auto"] * 3
    assert history.column("Net/Heater/Curve/Points") == [4] * 3


@pytest.mark.parametrize("monitor, message", [
    ("Net/Heater/Powr", "monitor 'Net/Heater/Powr': no attribute has that full path or Type/Name/path; "
                        "closest: Net/Heater/Power"),
    ("Net/Heater/Curve", "monitor 'Net/Heater/Curve': the attribute is a composite, not a value"),
])
def test_monitors_that_name_no_value_are_refused(fresh, monitor, message):
    with pytest.raises(ValueError) as raised:
        runner.run(lambda event: None, model=small_model(), monitor=[monitor])
    assert str(raised.value).startswith(message)


def test_the_csv_holds_the_rows_exactly(fresh, tmp_path):
    history = runner.run(lambda event: None, model=small_model(), monitor=["Net/Heater/On", "Net/Heater/Power"])
    history.rows[1]["Net/Heater/Power"] = None  # a value that could not be read
    history.to_csv(tmp_path / "h.csv")
    rows = read_csv(tmp_path / "h.csv")
    assert list(rows[0]) == history.columns
    assert [float(r["residual"]) for r in rows] == history.column("residual")
    assert [r["Net/Heater/Power"] for r in rows] == ["5.0", "", "5.0"]
    assert {r["Net/Heater/On"] for r in rows} == {"true"} and {r["converged"] for r in rows} == {"false"}


def test_plots_without_matplotlib_say_how_to_get_it(fresh, tmp_path, monkeypatch):
    history = runner.run(lambda event: None, model=small_model())
    monkeypatch.setitem(sys.modules, "matplotlib", None)
    with pytest.raises(PlotUnavailable, match=r"pip install 'Varnex2Python\[plot\]'"):
        history.plot(tmp_path / "h.png")


# The history's outputs: CSV with units read back, float columns, arrays and the plot.

def stopped_at_two(event):
    manager = vx.ISolverManager.instance()
    if manager.getIteration() == 2:
        manager.solveStop()


def test_a_written_history_reads_back_equal_with_units_in_the_headers(fresh, tmp_path):
    monitors = ["Net/Heater/Power", "Net/Heater/On", "Net/Heater/Mode", "Net/Heater/Curve/Points"]
    history = runner.run(lambda event: None, model=small_model(transient=True, timeStep=0.1, totalTime=0.2),
                         monitor=monitors)
    history.units = {"Net/Heater/Power": "kW", "time": "s"}
    history.rows[1].update({"Net/Heater/Power": None, "residual": float("inf"), "Net/Heater/Mode": "a, \"b\""})
    history.to_csv(tmp_path / "h.csv")
    with open(tmp_path / "h.csv") as stream:
        assert stream.readline().rstrip() == ("iteration,time [s],timeStep,residual,converged,Net/Heater/Power [kW],"
                                              "Net/Heater/On,Net/Heater/Mode,Net/Heater/Curve/Points")
    back = History.from_csv(tmp_path / "h.csv")
    assert (back.columns, back.monitors, back.units, back.transient) == (
        history.columns, monitors, history.units, True)
    assert back.rows == history.rows and back.outcome == "unknown"
    assert [type(v) for v in back.rows[0].values()] == [int, float, float, float, bool, float, bool, str, int]
    assert [r["time"] for r in read_csv(tmp_path / "h.csv")] == [repr(r["time"]) for r in history.rows]


@pytest.mark.parametrize("header, expected", [
    ("Pump/Pump1/Speed [rpm]", ("Pump/Pump1/Speed", "rpm")),
    ("Pump/Pump1/Speed", ("Pump/Pump1/Speed", None)),
    ("HX/Fouling [m2K/W]", ("HX/Fouling", "m2K/W")),
    ("Curve/Points[2]", ("Curve/Points[2]", None)),
    ("Efficiency [1] [%]", ("Efficiency [1]", "%")),
    ("[rpm]", ("[rpm]", None)),
])
def test_headers_split_into_name_and_unit(header, expected):
    assert split_unit(header) == expected


@pytest.mark.parametrize("text, message", [
    ("", "empty file, not a history CSV"),
    ("iteration,residual\n1,1.0\n", "not a history CSV: the first columns must be iteration, time, timeStep"),
    ("iteration,time,timeStep,residual,converged\n1,0.0,0.5\n", "line 2: 3 values for 5 columns"),
])
def test_files_that_are_no_history_are_refused(tmp_path, text, message):
    (tmp_path / "h.csv").write_text(text)
    with pytest.raises(ValueError, match=message):
        History.from_csv(tmp_path / "h.csv")


def test_columns_by_name_as_values_floats_and_arrays(fresh, monkeypatch):
    history = runner.run(lambda event: None, model=small_model(), monitor=["Net/Heater/Power", "Net/Heater/Mode"])
    history.rows[1]["Net/Heater/Power"] = None
    with pytest.raises(KeyError) as raised:
        history.column("Net/Heater/Powr")
    assert "no column 'Net/Heater/Powr'; the columns are iteration, time, timeStep, residual, converged, " \
           "Net/Heater/Power, Net/Heater/Mode" in str(raised.value)
    power = history.column_float("Net/Heater/Power")
    assert power[0] == power[2] == 5.0 and math.isnan(power[1])
    assert all(math.isnan(v) for v in history.column_float("Net/Heater/Mode"))
    numpy = pytest.importorskip("numpy")
    arrays = history.to_numpy()
    assert list(arrays) == history.columns
    assert {name: a.dtype.kind for name, a in arrays.items()} == {
        "iteration": "f", "time": "f", "timeStep": "f", "residual": "f", "converged": "b",
        "Net/Heater/Power": "f", "Net/Heater/Mode": "O"}
    assert numpy.isnan(arrays["Net/Heater/Power"][1])
    if importlib.util.find_spec("pandas"):
        frame = history.to_frame()
        assert list(frame.columns) == history.columns and len(frame) == 3
        assert frame["residual"].tolist() == history.column("residual")
    for module, method in (("numpy", history.to_numpy), ("pandas", history.to_frame)):
        monkeypatch.setitem(sys.modules, module, None)
        with pytest.raises(ImportError, match="needs %s, which is not installed: pip install %s" % (module, module)):
            method()


def plotted(panel):
    """(x data, y data, line style) of each line of a panel."""
    return [(list(line.get_xdata()), list(line.get_ydata()), line.get_linestyle()) for line in panel.get_lines()]


def test_plots_are_drawn_against_the_time_of_a_transient_run(fresh):
    pytest.importorskip("matplotlib")
    history = runner.run(lambda event: None, model=small_model(transient=True, timeStep=0.5, totalTime=1.0,
                                                               numberOfIterations=2),
                         monitor=["Net/Heater/Power"])
    history.units = {"Net/Heater/Power": "kW/m2"}
    residual, power = history.figure().axes
    times = [0.5, 0.5, 1.0, 1.0]
    assert power.get_xlabel() == "time [s]" and plotted(power)[0][:2] == (times, [5.0] * 4)
    assert plotted(residual)[0][0] == times
    assert (power.get_title("left"), power.get_ylabel()) == ("Net/Heater/Power [kW/m2]", "Power [kW/m2]")


def test_plots_mark_the_stop_the_set_points_and_the_tolerance(fresh, tmp_path):
    pytest.importorskip("matplotlib")
    long_path = "Net/Heater/Curve/Points"
    history = runner.run(stopped_at_two, model=small_model(numberOfIterations=10),
                         monitor=["Net/Heater/Power", long_path])
    residual, power, points = history.figure(setpoints={"Net/Heater/Power": 6.0}, tolerance=1e-3).axes
    assert history.outcome == "cancelled" and points.get_xlabel() == "iteration"
    stop = ([2.0, 2.0], [0, 1], ":")
    assert plotted(residual)[1:] == [([0, 1], [1e-3, 1e-3], "--"), stop]
    assert plotted(power)[1:] == [([0, 1], [6.0, 6.0], "--"), stop]
    assert plotted(points)[1:] == [stop]
    assert [t.get_text() for t in power.get_legend().get_texts()] == ["set-point 6", "stopped by the script"]
    with pytest.raises(KeyError, match="set-points for Net/Heater/Powr: not a plotted monitor"):
        history.plot(tmp_path / "h.png", setpoints={"Net/Heater/Powr": 1.0})
    history.plot(tmp_path / "h.png")
    assert (tmp_path / "h.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


@pytest.mark.parametrize("name, width, expected", [
    ("Pump/Pump1/Speed", 60, "Pump/Pump1/Speed"),
    ("Plant/CoolingLoop/Secondary/Pump1/Performance/Speed", 30, "Plant/…/Performance/Speed"),
    ("Plant/" + "x" * 40, 30, "…" + "x" * 29),
])
def test_long_labels_keep_their_first_and_last_parts(name, width, expected):
    assert history_module._shorten(name, width) == expected


def test_script_output_and_messages_make_way_for_the_bar(fresh):
    import io
    import re
    from varnex2_standin.progress import Progress

    terminal = io.StringIO()
    manager = vx.ISolverManager.instance()

    def script(event):
        print("printed at", manager.getIteration())
        manager.showMessage("shown at %d" % manager.getIteration())

    runner.run(script, model=small_model(numberOfIterations=2), progress=Progress(terminal, bar=True))
    # What stays on screen after each carriage return, without tqdm's clock.
    frames = [f.rstrip(" ") for f in re.sub(r"\[\d\d:\d\d<[^]]*\]", "[t]", terminal.getvalue()).split("\r")]
    first = " 50%|#####     | 1/2 [t] iteration 1/2  residual 1.00e+00"
    assert [f for f in frames if f] == [
        "printed at 1\n[message] shown at 1\n", first, "printed at 2\n", first, "[message] shown at 2\n", first,
        "100%|##########| 2/2 [t] iteration 2/2  residual 8.00e-01\n"]


def test_the_package_offers_run_history_and_script_error():
    assert varnex2_standin.run is runner.run
    assert varnex2_standin.ScriptError is runner.ScriptError
    assert varnex2_standin.History.__name__ == "History"
    with pytest.raises(AttributeError):
        varnex2_standin.runn  # noqa: B018


only_in_child(globals(), __file__)
