"""Sweeps: the same cases on the process pool and on a Dask cluster, cases that fail in their
own process, malformed grids and case files, and the command line with its CSV, PNG and Ctrl-C.
Runs in a child interpreter (a sweep's table holds histories, which import Varnex2Python)."""
import csv
import json
import os
import signal
import subprocess
import sys
import time

import pytest

pytest.importorskip("varnex2_standin")  # a build with the stand-in
pytestmark = pytest.mark.controls

from child_tests import CHILD, only_in_child  # noqa: E402

if CHILD:
    import varnex2_standin.sweep as sweeping

ITERATIONS = 4
SPEED = "Pump/Pump1/Speed"
# KP steers the pump speed; KP 2 kills its process in iteration 2, KP 3 raises, KP 9 waits
# (after saying so in the file READY) until it is interrupted.
SCRIPT = """\
import os
import time
import Varnex2Python as vx

KP = globals().get("KP", 0.5)
manager = vx.ISolverManager.instance()
editor = vx.EntityEditor(manager)
speed = editor.getDoubleValue("Pump", "Pump1", "Speed")
editor.setDoubleValue("Pump", "Pump1", "Speed", speed + KP * 10.0, vx.Chronology.Next)
print("iteration", manager.getIteration())
if KP == 2 and manager.getIteration() == 2:
    os._exit(3)
if KP == 3:
    raise ZeroDivisionError("no gain")
if KP == 9:
    open(os.environ["READY"], "w").close()
    time.sleep(60)
"""


@pytest.fixture
def script(tmp_path):
    path = tmp_path / "gain.py"
    path.write_text(SCRIPT)
    return str(path)


def gains(*values):
    return [{"define": {"KP": value}} for value in values]


@pytest.fixture(scope="module")
def pool():
    executor = sweeping.process_pool(2)
    yield executor
    executor.shutdown()


def test_process_pool_and_dask_cluster_give_identical_rows(script, pool):
    distributed = pytest.importorskip("distributed")
    cases = gains(0.1, 0.4) + [{"name": "faster", "set": {SPEED: "1500"}, "define": {"KP": 1.0}}]
    local = sweeping.sweep(script, cases, iterations=ITERATIONS, monitor=SPEED, executor=pool)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=40) as cluster, distributed.Client(cluster) as client:
        remote = sweeping.sweep(script, cases, iterations=ITERATIONS, monitor=SPEED, executor=client.get_executor())
    assert remote.rows == local.rows
    assert [row["case"] for row in local.rows] == ["KP=0.1", "KP=0.4", "faster"]
    assert local.column("outcome") == ["finished"] * 3 and local.column("iterations") == [ITERATIONS] * 3
    # Each case ran on its own start values: the gains and the start speed show in the monitor.
    first, second, third = (history.column(SPEED) for history in local.histories)
    assert first[1] - first[0] == pytest.approx(1.0) and second[1] - second[0] == pytest.approx(4.0)
    assert third[0] == 1500.0
    assert local.rows[2][SPEED + ":min"] == 1500.0 and local.rows[2][SPEED + ":max"] == third[-1]


def test_a_case_whose_process_dies_loses_no_other_row(script, pool):
    result = sweeping.sweep(script, gains(0.5, 2, 3, 1.0), iterations=ITERATIONS, monitor=SPEED, executor=pool)
    assert result.column("outcome") == ["finished", "died", "error", "finished"]
    assert result.column("iterations") == [ITERATIONS, 0, 0, ITERATIONS]
    died, raised = result.rows[1]["reason"], result.rows[2]["reason"]
    assert died == "the case's process exited with status 3 before it reported (last output: iteration 1 | iteration 2)"
    assert raised.startswith("the script raised ZeroDivisionError at IterationEnd of iteration 1: no gain")
    assert result.histories[1] is None and isinstance(result.histories[2].error, sweeping.CaseError)
    assert result.summary() == "4 cases: 2 finished, 1 died, 1 error"
    # The pool took no harm: the next sweep on it runs every case.
    again = sweeping.sweep(script, gains(0.5, 1.0), iterations=2, executor=pool)
    assert again.column("outcome") == ["finished", "finished"]


@pytest.mark.parametrize("grids, message", [
    (["KP"], "--grid KP: expected NAME=V1,V2,..."),
    (["KP=0.1,,0.2"], "--grid KP=0.1,,0.2: an empty value"),
    (["K-P=1"], "--grid K-P=1: 'K-P' is neither an attribute path (with /) nor a Python name"),
    (["KP=fast"], "--grid KP=fast: 'fast' is not a Python literal"),
    (["KP=1", "KP=2"], "--grid KP=2: KP has a grid already"),
])
def test_a_bad_grid_is_an_error_naming_it(grids, message):
    with pytest.raises(ValueError) as caught:
        sweeping.grid_cases(grids)
    assert str(caught.value).startswith(message)


@pytest.mark.parametrize("name, text, message", [
    ("c.json", '[{"define": {"KP": 1}', "not valid JSON"),
    ("c.json", '{"define": {"KP": 1}}', "expected a list of cases, found a dict"),
    ("c.json", '[{"define": {"KP": 1}}, {"sett": {}}]', "case 2: unknown key sett"),
    ("c.json", '[{"define": {"K P": 1}}]', "case 1: define 'K P' is not a Python name"),
    ("c.csv", "KP,name\n0.1,a\n0.2\n", "line 3: 1 cells for 2 columns"),
    ("c.csv", "KP,KP\n1,2\n", "the header has an empty or repeated column"),
    ("c.csv", "KP\n", "no case below the header"),
    ("c.csv", "KP\nslow\n", "line 2, column KP: 'slow' is not a Python literal"),
    ("missing.csv", None, "No such file"),
])
def test_a_bad_case_file_is_an_error_naming_it(tmp_path, name, text, message):
    path = tmp_path / name
    if text is not None:
        path.write_text(text)
    with pytest.raises(ValueError) as caught:
        sweeping.read_cases(str(path))
    assert str(caught.value).startswith("--cases %s" % path) and message in str(caught.value)


@pytest.mark.parametrize("cases, error, message", [
    ({"define": {"KP": 1}}, TypeError, "sweep() takes the cases as a sequence of mappings"),
    ([], ValueError, "sweep() needs at least one case"),
    ([{"define": {"KP": 1}}, 3], TypeError, "case 2 is a int, not a mapping"),
    ([{"define": {"KP": object()}}], ValueError, "case 1: its values cannot be sent to its process"),
    ([{"define": {"outcome": 1}}], ValueError, "define 'outcome' has the name of another column"),
    ([{"define": {"KP": 1}}], FileNotFoundError, "no script file "),
])
def test_malformed_cases_are_refused_before_any_runs(script, cases, error, message):
    if error is FileNotFoundError:
        script += ".missing"
    with pytest.raises(error) as caught:
        sweeping.sweep(script, cases, executor=object())  # nothing may be submitted
    assert str(caught.value).startswith(message)


def cli(*args, **options):
    return subprocess.Popen([sys.executable, "-m", "varnex2_standin", "sweep"] + [str(a) for a in args],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **options)


def test_cli_writes_the_table_as_csv_and_png(script, tmp_path):
    image = pytest.importorskip("matplotlib.image")
    cases = tmp_path / "cases.csv"
    cases.write_text("name,%s\nslow,1400\nfast,1600\n" % SPEED)
    proc = cli(script, "--cases", cases, "--grid", "KP=0.1,0.4,2", "--iterations", ITERATIONS, "--monitor", SPEED,
               "--workers", 2, "--csv", tmp_path / "t.csv", "--plot", tmp_path / "t.png")
    out, err = proc.communicate(timeout=300)
    assert proc.returncode == 1, err  # a case died
    lines = out.splitlines()
    assert lines[0] == "== sweep of %s: 6 cases on 2 local processes" % script
    assert lines[1].startswith("case slow, KP=2: died: the case's process exited with status 3")
    assert lines[3].startswith("== 6 cases: 4 finished, 2 died in ")
    assert "6/6" in err  # the progress bar counted every case
    with open(tmp_path / "t.csv", newline="") as stream:
        reader = csv.DictReader(stream)
        rows = list(reader)
    assert reader.fieldnames == ["case", SPEED + " [rpm]", "KP", "outcome", "iterations", "residual",  # units as History
                                 SPEED + ":last [rpm]", SPEED + ":min [rpm]", SPEED + ":max [rpm]", "reason"]
    assert [(row["case"], row[SPEED + " [rpm]"], row["KP"], row["outcome"]) for row in rows] == [
        ("slow, KP=0.1", "1400", "0.1", "finished"), ("slow, KP=0.4", "1400", "0.4", "finished"),
        ("slow, KP=2", "1400", "2", "died"), ("fast, KP=0.1", "1600", "0.1", "finished"),
        ("fast, KP=0.4", "1600", "0.4", "finished"), ("fast, KP=2", "1600", "2", "died")]
    assert float(rows[4][SPEED + ":last [rpm]"]) == pytest.approx(1600.0 + 3 * 4.0)
    pixels = image.imread(str(tmp_path / "t.png"))[:, :, :3].reshape(-1, 3)
    assert 0.01 < (pixels < 0.9).any(axis=1).mean() < 0.6  # lines and text on a white ground
    assert len({tuple(p) for p in pixels[::7]}) > 20        # two coloured lines, not a flat fill


@pytest.mark.parametrize("args, message", [
    (["--grid", "KP"], "--grid KP: expected NAME=V1,V2,..."),
    (["--cases", "nowhere.json"], "--cases nowhere.json: No such file or directory"),
    ([], "nothing to sweep: give --grid NAME=V1,V2,... or --cases FILE"),
    (["--grid", "KP=1", "--workers", "0"], "--workers must be at least 1, got 0"),
])
def test_cli_usage_errors_name_the_option(script, args, message):
    out, err = cli(script, *args).communicate(timeout=120)
    assert err.strip() == "varnex2-standin: error: %s" % message


def test_ctrl_c_cancels_the_cases_not_started_and_writes_those_that_ran(script, tmp_path):
    ready = tmp_path / "ready"
    proc = cli(script, "--grid", "KP=0.5,9,1,2", "--iterations", 2, "--workers", 1, "--csv", tmp_path / "t.csv",
               start_new_session=True, env=dict(os.environ, READY=str(ready)))
    deadline = time.monotonic() + 120
    while not ready.exists() and time.monotonic() < deadline:
        time.sleep(0.05)
    os.killpg(proc.pid, signal.SIGINT)  # as a terminal does: the whole process group
    out, err = proc.communicate(timeout=60)
    assert proc.returncode == 130, err
    assert "varnex2-standin: interrupted; the cases not started were cancelled" in err
    with open(tmp_path / "t.csv", newline="") as stream:
        rows = list(csv.DictReader(stream))
    assert [(row["KP"], row["outcome"]) for row in rows] == [
        ("0.5", "finished"), ("9", "interrupted"), ("1", "interrupted"), ("2", "interrupted")]
    assert "== 4 cases: 1 finished, 3 interrupted in " in out


def test_the_table_as_a_frame(script, pool):
    pandas = pytest.importorskip("pandas")
    result = sweeping.sweep(script, gains(0.5, 3), iterations=2, monitor=SPEED, executor=pool)
    frame = result.to_frame()
    assert list(frame.columns) == result.columns == [
        "case", "KP", "outcome", "iterations", "residual", SPEED + ":last", SPEED + ":min", SPEED + ":max", "reason"]
    assert frame.to_dict("records")[0] == result.rows[0]
    assert pandas.isna(frame["residual"][1])
    assert json.loads(json.dumps(result.rows))  # plain data


only_in_child(globals(), __file__)
