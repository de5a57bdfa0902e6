"""The object the pytest fixture ``varnex2_standin`` gives a test: the stand-in's controls
and runner, typed, with relative paths of scripts and models taken from the test's folder.

Annotate the fixture argument to have calls through it type-checked::

    from varnex2_standin.testing import StandinFixture

    def test_pump(varnex2_standin: StandinFixture) -> None:
        history = varnex2_standin.run("pump_control.py", monitor=["Pump/Pump1/Speed"])
"""
import os
from types import ModuleType
from typing import Any, Callable, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple, Union

import varnex2_standin as _standin
from varnex2_standin.history import History as _History
from varnex2_standin.progress import Progress
from varnex2_standin.runner import Plant, ScriptError

__all__ = ["StandinFixture"]

ModelSource = Union[Dict[str, Any], str, bytes, "os.PathLike[str]"]
ScriptSource = Union[str, "os.PathLike[str]", Callable[[Any], Any]]


class StandinFixture:
    """The control package of the stand-in for one test. ``folder`` is where relative paths
    are looked up first (the test file's folder), then the working directory."""

    History = _History
    ScriptError = ScriptError
    ModelError = _standin.ModelError
    RUNTIME_ERROR: int = _standin.RUNTIME_ERROR
    LOGIC_ERROR: int = _standin.LOGIC_ERROR
    OUT_OF_RANGE: int = _standin.OUT_OF_RANGE
    GENERIC: int = _standin.GENERIC
    UNKNOWN: int = _standin.UNKNOWN

    def __init__(self, folder: str) -> None:
        self.folder = folder
        self.package: ModuleType = _standin  # every other control, untyped

    def __repr__(self) -> str:
        return "<StandinFixture for tests in %s>" % self.folder

    def path(self, name: Union[str, "os.PathLike[str]"]) -> str:
        """``name`` next to the test file when it is there, else as given (relative to the
        working directory); FileNotFoundError when it is in neither place."""
        text = os.fspath(name)
        if os.path.isabs(text):
            return text
        for candidate in (os.path.join(self.folder, text), text):
            if os.path.exists(candidate):
                return candidate
        raise FileNotFoundError("no file %r next to the test (%s) nor in the working directory (%s)"
                                % (text, self.folder, os.getcwd()))

    def _model(self, source: ModelSource) -> ModelSource:
        """A model path resolved as ``path`` does; dicts and JSON text as they are."""
        if isinstance(source, (str, os.PathLike)) and not str(source).lstrip().startswith("{"):
            return self.path(source)
        return source

    # The runner.

    def run(self, script: ScriptSource, model: Optional[ModelSource] = None, iterations: Optional[int] = None,
            at: Optional[Iterable[Union[str, int]]] = None, monitor: Union[str, Sequence[str]] = (),
            progress: Union[bool, Progress] = False, echo: Optional[bool] = None, *,
            plant: Optional[Union[str, "os.PathLike[str]", Plant]] = None, inputs: Any = None,
            set: Optional[Mapping[str, Any]] = None, define: Optional[Mapping[str, Any]] = None,
            replay: Optional[Union[str, "os.PathLike[str]"]] = None, continue_from: Optional[ModelSource] = None,
            generation: bool = False, fresh: bool = True) -> _History:
        """``varnex2_standin.run`` with the files it is given (script, model, plant, inputs,
        replayed trace, saved state) taken from the test's folder."""
        if isinstance(script, (str, os.PathLike)):
            script = self.path(script)
        if isinstance(plant, (str, os.PathLike)):
            file, sep, function = os.fspath(plant).rpartition(":")
            plant = self.path(file) + sep + function if sep and function.isidentifier() else self.path(plant)
        if isinstance(inputs, (str, os.PathLike)):
            inputs = self.path(inputs)
        return _standin.run(script, model=None if model is None else self._model(model), iterations=iterations,
                            at=at, monitor=monitor, progress=progress, echo=echo, plant=plant, inputs=inputs,
                            set=set, define=define, replay=None if replay is None else self.path(replay),
                            continue_from=None if continue_from is None else self._model(continue_from),
                            generation=generation, fresh=fresh)

    # The model and the run.

    def reset(self) -> None:
        """Back to the built-in model with a fresh run (as before and after every test)."""
        _standin.reset()

    def load_model(self, source: ModelSource) -> None:
        """Loads a model: a dict, JSON text or a path (from the test's folder)."""
        _standin.load_model(self._model(source))

    def dump_model(self) -> Dict[str, Any]:
        return _standin.dump_model()

    def run_state(self) -> Dict[str, Any]:
        return _standin.run_state()

    def step(self, iterations: int = 1) -> int:
        """Runs up to ``iterations`` iterations; how many ran."""
        return _standin.step(iterations)

    def messages(self) -> List[Tuple[str, str]]:
        return _standin.messages()

    def clear_messages(self) -> None:
        _standin.clear_messages()

    # Failures and recorded calls.

    def address_of(self, full_path: str) -> Optional[int]:
        return _standin.address_of(full_path)

    def fail_next(self, address: Optional[int], slot: int, status: int, message: Union[str, bytes] = "",
                  count: int = 1, message_fails: bool = False, write_out: bool = False) -> None:
        _standin.fail_next(address, slot, status, message, count, message_fails, write_out)

    def clear_failures(self) -> None:
        _standin.clear_failures()

    def record_calls(self, flag: bool = True) -> None:
        _standin.record_calls(flag)

    def calls(self) -> List[Tuple[int, int, Tuple[Any, ...]]]:
        return _standin.calls()

    def clear_calls(self) -> None:
        _standin.clear_calls()

    def set_manager_available(self, flag: bool) -> None:
        _standin.set_manager_available(flag)
