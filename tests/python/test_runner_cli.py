"""The command line (python -m varnex2_standin run / info / check), its CSV and PNG, the
progress display and the pytest plugin, each run in a fresh interpreter."""
import io
import json
import os
import re
import subprocess
import sys
import textwrap

import pytest

Progress = pytest.importorskip("varnex2_standin.progress").Progress  # a build with the stand-in

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(ROOT, "examples")


def cli(*args, cwd=EXAMPLES, code=None):
    command = [sys.executable, "-c", code] if code else [sys.executable, "-m", "varnex2_standin"]
    proc = subprocess.run(command + [str(a) for a in args], cwd=cwd, capture_output=True, text=True, timeout=300)
    return proc.returncode, proc.stdout, proc.stderr


def read_rows(path):
    """The rows keyed by plain column names (headers carry units)."""
    return pytest.importorskip("varnex2_standin.history").read_csv(path)


def python_rows(script, *options):
    """The history rows of the same run through varnex2_standin.run() in another interpreter."""
    code = "import json, sys, varnex2_standin as s\n" \
           "h = s.run(sys.argv[1], model=sys.argv[2] if sys.argv[2] != '-' else None, monitor=sys.argv[3:])\n" \
           "print(json.dumps(h.rows))\n"
    status, out, err = cli(script, *options, code=code)
    assert status == 0, err
    return json.loads(out)


def assert_png_drawn(path, width, height):
    image = pytest.importorskip("matplotlib.image").imread(str(path))
    assert image.shape[0] >= height and image.shape[1] >= width
    pixels = image[:, :, :3].reshape(-1, 3)
    inked = (pixels < 0.9).any(axis=1).mean()
    assert 0.01 < inked < 0.6, inked                     # lines and text on a white ground
    assert len({tuple(p) for p in pixels[::7]}) > 20     # more than a flat fill


def test_steady_example_runs_and_its_csv_and_plot_match_the_run(tmp_path):
    pytest.importorskip("matplotlib")
    monitors = ["Pump/Pump1/Speed", "CoolingLoop/Inlet/Temperature"]
    status, out, err = cli("run", "steady_coupling.py", "--monitor", *monitors,
                           "--csv", tmp_path / "h.csv", "--plot", tmp_path / "h.png")
    assert status == 0, err
    assert err == ""
    lines = out.splitlines()
    assert lines[0] == "== steady_coupling.py on the built-in model (steady run): top-level script at IterationEnd"
    assert "[message] converged at iteration 43 with the pump at 1598.6 rpm" in lines
    assert "[100%] iteration 43/100  residual 8.51e-05" in lines
    assert "== finished after 43 iterations (iteration 43): residual 8.51e-05, converged; 5 messages" in lines
    with open(tmp_path / "h.csv") as stream:
        assert stream.readline().rstrip() == ("iteration,time,timeStep,residual,converged,Pump/Pump1/Speed [rpm],"
                                              "CoolingLoop/Inlet/Temperature [K]")
    rows = read_rows(tmp_path / "h.csv")
    expected = python_rows("steady_coupling.py", "-", *monitors)
    assert len(rows) == len(expected) == 43
    for row, want in zip(rows, expected):
        assert int(row["iteration"]) == want["iteration"]
        assert row["converged"] == ("true" if want["converged"] else "false")
        for name in ["time", "timeStep", "residual"] + monitors:
            assert float(row[name]) == want[name], name
    assert_png_drawn(tmp_path / "h.png", 600, 500)


def test_transient_example_gives_each_time_step_its_inlet_temperature(tmp_path):
    status, out, err = cli("run", "transient_coupling.py", "--model", "transient_loop.json",
                           "--monitor", "BoundaryCondition/Inlet/Temperature", "Loop/Heater/Power",
                           "--csv", tmp_path / "t.csv")
    assert status == 0, err
    assert "[message] transient run finished at t = 20 s after 10 time steps" in out.splitlines()
    rows = read_rows(tmp_path / "t.csv")
    times = sorted({float(r["time"]) for r in rows})
    assert times == [2.0 * k for k in range(1, 11)]
    for row in rows:
        time = float(row["time"])
        assert float(row["BoundaryCondition/Inlet/Temperature"]) == min(288.15 + 1.2 * time, 300.0)
        assert float(row["Loop/Heater/Power"]) == 12.5
    # Stop on convergence ends each time step after 7 iterations (0.3 ** 6 < 1e-3).
    assert len(rows) == 70 and rows[6]["converged"] == "true"


def test_a_failing_script_exits_1_with_its_own_traceback(tmp_path):
    script = tmp_path / "broken.py"
    script.write_text("import Varnex2Python as vx\n\nspeed = vx.ISolverManager.instance().getIteration()\n"
                      "ratio = 1 / (speed - 3)\n")
    status, out, err = cli("run", script, "--csv", tmp_path / "h.csv")
    assert status == 1
    assert 'File "%s", line 4, in <module>' % script in err
    assert "ZeroDivisionError: division by zero" in err and "runner.py" not in err
    assert err.rstrip().endswith("the script raised ZeroDivisionError at IterationEnd of iteration 3: division by zero")
    assert "== error after 2 iterations" in out
    assert len(read_rows(tmp_path / "h.csv")) == 2  # the rows before the error are kept


def test_a_script_that_does_not_compile_exits_1_naming_the_line(tmp_path):
    script = tmp_path / "typo.py"
    script.write_text("import Varnex2Python as vx\nif True\n    pass\n")
    status, out, err = cli("run", script)
    assert status == 1
    assert 'File "%s", line 2' % script in err and "SyntaxError" in err


@pytest.mark.parametrize("args, message", [
    (["run", "absent.py"], "no script file absent.py"),
    (["run", "steady_coupling.py", "--at", "Sometime"], "unknown event 'Sometime'; the runner raises CFDGeneration"),
    (["run", "steady_coupling.py", "--monitor", "Pump/Pump1/Sped"],
     "monitor 'Pump/Pump1/Sped': no attribute has that full path or Type/Name/path; closest: CoolingLoop/Pump1/Speed"),
    (["run", "steady_coupling.py", "--model", "absent.json"], "--model: no file absent.json"),
    (["run", "steady_coupling.py", "--iterations", "-3"], "--iterations must be at least 1, got -3"),
    (["run", "steady_coupling.py", "--set", "Pump/Pump1/Sped=3"],
     "set 'Pump/Pump1/Sped': no attribute has that full path or Type/Name/path; closest: CoolingLoop/Pump1/Speed"),
    (["run", "steady_coupling.py", "--set", "Pump/Pump1/Speed=fast"],
     "set Pump/Pump1/Speed: 'fast' is not a number (the attribute is a double)"),
    (["run", "steady_coupling.py", "--set", "Pump/Pump1/Speed"], "--set Pump/Pump1/Speed: expected NAME=VALUE"),
    (["run", "steady_coupling.py", "--define", "KP=fast"], "--define KP=fast: 'fast' is not a Python literal"),
    (["run", "steady_coupling.py", "--plant", "absent.py"], "plant: no file absent.py"),
    (["run", "steady_coupling.py", "--plant", "steady_coupling.py:plnt"],
     "plant: steady_coupling.py has no function 'plnt'"),
    (["run", "steady_coupling.py", "--csv", "."], "--csv .: is a folder, not a file"),
    (["run", "steady_coupling.py", "--setpoint", "Pump/Pump1/Speed=1600", "--plot", "p.png"],
     "--setpoint Pump/Pump1/Speed=1600: Pump/Pump1/Speed is not monitored"),
    (["run", "steady_coupling.py", "--plot", "absent/run.png"], "--plot absent/run.png: no folder "),
    (["info", "steady_coupling.py"], "the model cannot be used: steady_coupling.py: not valid JSON"),
])
def test_wrong_usage_exits_2_with_the_reason(args, message):
    status, out, err = cli(*args)
    assert status == 2 and out == ""  # refused before the run's header
    assert err.startswith("varnex2-standin: error: " + message), err


def test_a_closed_loop_from_the_command_line_replays_to_the_same_columns(tmp_path):
    monitors = ["HeatExchanger/HX1/HotSide/OutletTemperature", "Pump/Pump1/Speed"]
    status, out, err = cli("run", "--monitor", *monitors, "pi_controller.py", "--plant", "cooling_plant.py",
                           "--define", "KP=20.0", "--set", "Pump/Pump1/Speed=1500", "--csv", tmp_path / "run.csv")
    assert status == 0, err
    recorded = read_rows(tmp_path / "run.csv")
    assert float(recorded[0]["Pump/Pump1/Speed"]) == 1500.0
    status, out, err = cli("run", "pi_controller.py", "--replay", tmp_path / "run.csv", "--define", "KP=20.0",
                           "--set", "Pump/Pump1/Speed=1500",
                           "--monitor", *monitors, "--csv", tmp_path / "replayed.csv")
    assert status == 0, err
    assert read_rows(tmp_path / "replayed.csv") == recorded


def test_ctrl_c_writes_the_rows_so_far_and_exits_130(tmp_path):
    script = tmp_path / "slow.py"
    script.write_text("import time\ntime.sleep(0.05)\n")
    proc = subprocess.Popen([sys.executable, "-m", "varnex2_standin", "run", str(script), "--csv",
                             str(tmp_path / "run.csv")], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    import signal
    import time

    time.sleep(2.0)
    proc.send_signal(signal.SIGINT)
    out, err = proc.communicate(timeout=60)
    assert proc.returncode == 130, err
    assert "interrupted" in err and "Traceback" not in err
    rows = read_rows(tmp_path / "run.csv")
    assert 0 < len(rows) < 100 and "== interrupted after %d iterations" % len(rows) in out


def test_an_output_that_cannot_be_written_is_an_error_line(tmp_path):
    status, out, err = cli("run", "steady_coupling.py", "--iterations", "2", "--csv", "/dev/full")
    assert status == 1 and "Traceback" not in err
    assert "varnex2-standin: error: cannot write /dev/full: No space left on device" in err


def test_plot_without_matplotlib_is_refused_before_the_run(tmp_path):
    code = ("import sys\nsys.modules['matplotlib'] = None\nfrom varnex2_standin.__main__ import main\n"
            "sys.exit(main(sys.argv[1:]))\n")
    status, out, err = cli("run", "steady_coupling.py", "--plot", tmp_path / "p.png", code=code)
    assert status == 2 and out == ""
    assert "--plot needs matplotlib, which is not installed: pip install 'Varnex2Python[plot]'" in err


def test_info_check_and_dump_model_agree(tmp_path):
    status, dumped_text, err = cli("info", "--json")
    assert status == 0, err
    dumped = json.loads(dumped_text)
    (tmp_path / "dumped.json").write_text(dumped_text)
    status, info, err = cli("info", tmp_path / "dumped.json")
    assert status == 0, err
    status_builtin, info_builtin, _ = cli("info")
    assert info.splitlines()[1:] == info_builtin.splitlines()[1:]  # the same model either way

    entities, attributes = {}, []

    def walk(node, path):
        for child in node.get("attributes", []):
            if child["kind"] == "entity":
                entities[path + "/" + child["name"]] = child
            else:
                attributes.append(child)
            walk(child, path + "/" + child["name"])

    for root in dumped["entities"]:
        entities[root["name"]] = root
        walk(root, root["name"])
    entity_lines = [line.strip() for line in info.splitlines() if "[entity " in line]
    assert entity_lines == ["%s  [entity %s]  id %d-%d  %s" % (path, e["type"], e["id"][0], e["id"][1], e["access"])
                            for path, e in entities.items()]
    assert len(info.splitlines()) == 3 + len(entities) + len(attributes)
    assert "    Speed  [double, unit rpm, ReadWrite]  = 1450.0" in info.splitlines()
    status, out, err = cli("check", tmp_path / "dumped.json")
    assert (status, out) == (0, "%s: valid model, 2 root entities, 11 entities\n" % (tmp_path / "dumped.json"))


def test_check_lists_every_problem_of_a_file(tmp_path):
    path = tmp_path / "bad.json"
    path.write_text(json.dumps({"run": {"timeStep": 0}, "entities": [
        {"name": "N", "type": "T", "attributes": [{"name": "a", "kind": "int", "value": "1"},
                                                   {"name": "b", "kind": "link", "target": "N/c"}]}]}))
    status, out, err = cli("check", path)
    assert status == 1
    assert out.splitlines() == [
        "%s: run.timeStep: must be positive" % path,
        "%s: entities[0].attributes[0] ('a').value: expected an integer" % path,
        "%s: entities[0].attributes[1] ('b'): no entity named 'N/c'" % path,
        "3 problems in %s" % path,
    ]


def screen(text):
    """What stays visible after each carriage return of a bar's output, without tqdm's clock."""
    frames = re.sub(r"\[(\d+:)?\d\d:\d\d<[^]]*\]", "[t]", text).split("\r")
    return [re.sub(r" +\n", "\n", frame).rstrip(" ") for frame in frames if frame.strip(" ")]


@pytest.mark.parametrize("total, fraction, shown", [
    (None, lambda i: i / 100, "40/100 [t] iteration 40"),        # steady, or --iterations 100
    (None, lambda i: i / 64.5, "40 it [t] iteration 40"),         # a transient run's estimate
    (250, lambda i: i / 100, "40/250 [t] iteration 40"),         # the runner knows the total
])
def test_the_bar_shows_its_latest_state_after_a_message(total, fraction, shown):
    terminal = io.StringIO()
    bar = Progress(terminal, bar=True)
    for i in range(1, 41):  # faster than the bar's redraw interval: most states are not drawn
        bar.update(fraction(i), "iteration %d" % i, total=total)
    bar.line("[message] at 40")
    bar.write("partial")
    bar.update(fraction(41), "iteration 41", total=total)
    bar.close(fraction(41), "iteration 41", total=total)
    frames = screen(terminal.getvalue())
    assert frames[frames.index("[message] at 40\n") + 1].endswith(shown)
    assert "partial\n" in frames                                   # not overwritten by the bar
    assert frames[-1].endswith(shown.replace("40", "41") + "\n")
    assert re.search(r"\[00:00<00:00, +[\d.]+it/s\]", terminal.getvalue())  # elapsed<remaining, rate


def test_progress_lines_at_each_tenth_when_not_on_a_terminal():
    log = io.StringIO()
    plain = Progress(log, bar=False)
    for i in range(1, 101):
        plain.update(i / 100, "iteration %d" % i)
    plain.close(1.0, "iteration 100")
    assert "\r" not in log.getvalue()
    assert log.getvalue().splitlines() == ["[  1%] iteration 1"] + ["[%3d%%] iteration %d" % (k, k)
                                                                   for k in range(10, 101, 10)]


def test_the_pytest_plugin_gives_a_reset_stand_in_with_the_marked_model(tmp_path):
    (tmp_path / "loop.json").write_text(open(os.path.join(EXAMPLES, "transient_loop.json")).read())
    (tmp_path / "test_user.py").write_text(textwrap.dedent("""
        import pytest

        @pytest.mark.varnex2_model("loop.json")
        def test_with_model(varnex2_standin):
            history = varnex2_standin.run(%r, monitor=["Loop/Heater/Power"])
            assert history.outcome == "finished" and history.column("Loop/Heater/Power")[-1] == 12.5

        def test_built_in(varnex2_standin):
            assert varnex2_standin.dump_model()["entities"][0]["name"] == "CoolingLoop"
            varnex2_standin.step(5)

        def test_reset_between_tests(varnex2_standin):
            assert varnex2_standin.run_state()["iteration"] == 1
        """ % os.path.join(EXAMPLES, "transient_coupling.py")))
    env = dict(os.environ, PYTEST_DISABLE_PLUGIN_AUTOLOAD="1")
    proc = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", "-p",
                           "pytest_varnex2", str(tmp_path)], cwd=str(tmp_path), env=env,
                          capture_output=True, text=True, timeout=300)
    assert proc.returncode == 0, proc.stdout + proc.stderr
    assert "3 passed" in proc.stdout


@pytest.mark.skipif(bool(os.environ.get("VARNEX2_BUILD")), reason="a build tree has no installed entry points")
def test_the_command_and_the_plugin_are_installed():
    from importlib import metadata

    points = {(p.group, p.name): p.value for p in metadata.distribution("Varnex2Python").entry_points}
    assert points[("console_scripts", "varnex2-standin")] == "varnex2_standin.__main__:main"
    assert "pytest_varnex2" in points.values()
    command = os.path.join(os.path.dirname(sys.executable), "varnex2-standin")
    proc = subprocess.run([command, "check", os.path.join(EXAMPLES, "transient_loop.json")],
                          capture_output=True, text=True, timeout=120)
    assert proc.returncode == 0 and "valid model, 1 root entity, 5 entities" in proc.stdout


# The command's edges: its version, a reader that goes away, model names that hold escapes.

@pytest.mark.skipif(bool(os.environ.get("VARNEX2_BUILD")), reason="a build tree has no installed metadata")
def test_version_names_the_installed_package():
    from importlib import metadata

    status, out, err = cli("--version")
    assert (status, out, err) == (0, "varnex2-standin %s\n" % metadata.version("Varnex2Python"), "")


@pytest.mark.parametrize("args", [["info", "--json"], ["info"], ["check", "transient_loop.json"]])
def test_a_reader_that_went_away_ends_the_command_quietly(args):
    # The reading end is closed before the command writes: every write meets a broken pipe.
    proc = subprocess.Popen([sys.executable, "-m", "varnex2_standin"] + args, cwd=EXAMPLES,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    proc.stdout.close()
    err = proc.stderr.read().decode()
    assert (proc.wait(timeout=120), err) == (141, "")


def test_control_characters_of_a_model_are_shown_escaped(tmp_path):
    names = {"entity": "Evil\x1b[31m", "type": "T\u202eX", "value": "a\x9b2Jb", "unit": "\x1b]0;title\x07"}
    (tmp_path / "m.json").write_text(json.dumps({"entities": [{
        "name": names["entity"], "type": names["type"], "attributes": [
            {"name": "Note", "kind": "string", "value": names["value"], "unit": names["unit"]}]}]}))
    status, tree, err = cli("info", tmp_path / "m.json")
    assert status == 0, err
    assert tree.splitlines()[3:] == ["Evil\\x1b[31m  [entity T\\u202eX]  id 1-1  ReadOnly",
                                     '  Note  [string, unit \\x1b]0;title\\x07, ReadWrite]  = "a\\x9b2Jb"']
    status, dumped, err = cli("info", "--json", tmp_path / "m.json")
    assert status == 0 and not re.search("[\x00-\x09\x0b-\x1f\x7f-\x9f\u202e]", dumped)
    entity = json.loads(dumped)["entities"][0]
    assert (entity["name"], entity["type"], entity["attributes"][0]["values"]["Current"]) == (
        names["entity"], names["type"], names["value"])


# The pytest plugin from another folder: paths next to the test file, a reset run either side.

def run_pytest(folder, cwd, *options):
    env = dict(os.environ, PYTEST_DISABLE_PLUGIN_AUTOLOAD="1")
    return subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", "-p", "pytest_varnex2",
                           str(folder)] + list(options), cwd=str(cwd), env=env, capture_output=True, text=True,
                          timeout=300)


def test_the_plugin_finds_paths_next_to_the_test_and_resets_around_each_test(tmp_path):
    suite, elsewhere = tmp_path / "suite", tmp_path / "elsewhere"
    suite.mkdir()
    elsewhere.mkdir()
    (suite / "loop.json").write_text(open(os.path.join(EXAMPLES, "transient_loop.json")).read())
    (suite / "script.py").write_text(open(os.path.join(EXAMPLES, "transient_coupling.py")).read())
    (suite / "test_user.py").write_text(textwrap.dedent("""
        import pytest
        import varnex2_standin as package

        def test_steps_without_the_fixture():
            package.step(5)

        @pytest.mark.varnex2_model("loop.json")
        def test_marker_and_script_next_to_the_test(varnex2_standin):
            assert varnex2_standin.run_state()["iteration"] == 1      # reset before
            history = varnex2_standin.run("script.py", monitor=["Loop/Heater/Power"])
            assert history.outcome == "finished" and history.column("Loop/Heater/Power")[-1] == 12.5
            varnex2_standin.load_model("loop.json")
            with pytest.raises(FileNotFoundError, match="no file 'absent.py' next to the test .*suite"):
                varnex2_standin.run("absent.py")
            varnex2_standin.step(3)

        def test_reset_after_the_fixture():
            assert package.run_state()["iteration"] == 1
            assert package.dump_model()["entities"][0]["name"] == "CoolingLoop"
        """))
    proc = run_pytest(suite, elsewhere)
    assert proc.returncode == 0, proc.stdout + proc.stderr
    assert "3 passed" in proc.stdout


@pytest.mark.skipif(bool(os.environ.get("VARNEX2_BUILD")), reason="mypy needs the installed, typed package")
def test_calls_through_the_typed_fixture_are_checked(tmp_path):
    pytest.importorskip("mypy")
    (tmp_path / "test_typed.py").write_text(textwrap.dedent("""
        from varnex2_standin.testing import StandinFixture

        def test_typed(varnex2_standin: StandinFixture) -> None:
            rows: int = len(varnex2_standin.run("script.py", iterations=2).rows)
            varnex2_standin.step("3")
            name: int = varnex2_standin.run("script.py").column_float("residual")[0]
            varnex2_standin.runn("script.py")
        """))
    proc = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--config-file", os.devnull, "--cache-dir",
                           str(tmp_path / "cache"), str(tmp_path / "test_typed.py")],
                          capture_output=True, text=True, timeout=600)
    lines = sorted({int(line.split(":")[1]) for line in proc.stdout.splitlines() if ": error:" in line})
    assert lines == [6, 7, 8], proc.stdout
