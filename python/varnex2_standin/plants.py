"""Plants for closed-loop tests of a controller: what the solver would compute from the
values a script writes.

A plant is any callable taking the run state (``RunState``). The runner calls it once per
iteration where the solver computes: after the writes made at Next have applied and after
``IterationStart``, before ``IterationEnd``. It reads the model and writes its outputs at
``Chronology_Current`` through the same API as scripts, so the script reads the plant's
answer at ``IterationEnd``. Its state lasts for the run.

The ready blocks here are built from attribute paths (a full path such as
``CoolingLoop/HX1/OutletTemperature`` or ``Type/Name/path`` such as
``HeatExchanger/HX1/OutletTemperature``) and numbers, and compose: a block's input may be
another block, and ``combine`` (or ``+``) runs several in order::

    from varnex2_standin import plants

    plant = plants.Limiter(
        plants.Lag("Pump/Pump1/Speed", gain=0.02, time_constant=5, delay=2, offset=270.0),
        output="HeatExchanger/HX1/OutletTemperature", low=280.0, high=330.0)

Time in a steady run is counted in iterations (a time constant of 5 means five
iterations); in a transient run it is the solver's time in seconds, and the blocks advance
once per time step: the iterations of one time step recompute the same step from the
latest inputs, as a solver's inner iterations do.
"""
import math
from collections import deque
from dataclasses import dataclass
from typing import Any, Callable, Deque, Dict, List, Optional, Tuple, Union

__all__ = ["RunState", "Block", "Lag", "Integrator", "Limiter", "Combined", "combine"]


@dataclass(frozen=True)
class RunState:
    """The run at the moment a plant is called."""

    iteration: int
    time: float
    time_step: float
    time_step_index: int  # 1 for the first time step; steady runs count iterations here
    transient: bool


Source = Union[str, "Block"]


class Block:
    """One plant element: an input (attribute path or block), an optional output path.

    ``value`` is the block's output after its last call. Subclasses implement ``compute``.
    """

    def __init__(self, input: Source, output: Optional[str] = None) -> None:
        if not isinstance(input, (str, Block)):
            raise TypeError("a block's input is an attribute path or another block, not %s"
                            % type(input).__name__)
        if output is not None and not isinstance(output, str):
            raise TypeError("a block's output is an attribute path, not %s" % type(output).__name__)
        self.input = input
        self.output = output
        self.value: Optional[float] = None
        self._bound: Dict[str, Any] = {}
        self._evaluated: Optional[RunState] = None

    def _attribute(self, path: str) -> Any:
        # Found by path on first use, and again after the model was replaced.
        from varnex2_standin.paths import Bound

        bound = self._bound.get(path)
        if bound is None:
            bound = self._bound[path] = Bound(path, "plant path")
        return bound

    def _read(self, path: str) -> float:
        return float(self._attribute(path).use(lambda attribute: attribute.getDoubleValue()))

    def _write(self, path: str, value: float) -> None:
        from Varnex2Python.enums import AttributeType

        from varnex2_standin import signals

        def write(attribute: Any) -> None:
            kind = signals.value_kind(attribute)
            # An int output takes the nearest integer; other kinds convert as a double would.
            signals.write(attribute, kind, int(round(value)) if kind == AttributeType.Int else
                          signals.convert(kind, value, "plant output %r" % path))

        self._attribute(path).use(write)

    def read_input(self, state: RunState) -> float:
        if isinstance(self.input, Block):
            return self.input.evaluate(state)
        return self._read(self.input)

    def evaluate(self, state: RunState) -> float:
        """The output for this iteration, computed once however many blocks read it."""
        if self._evaluated is not state or self.value is None:
            self.value = self.compute(state, self.read_input(state))
            self._evaluated = state
            if self.output is not None:
                self._write(self.output, self.value)
        return self.value

    def compute(self, state: RunState, u: float) -> float:
        raise NotImplementedError

    def __call__(self, state: RunState) -> None:
        self.evaluate(state)

    def __add__(self, other: Callable[[RunState], Any]) -> "Combined":
        return combine(self, other)

    def _initial_output(self, fallback: float) -> float:
        """The output's value in the model when it has one, else ``fallback``."""
        if self.output is not None:
            try:
                return self._read(self.output)
            except RuntimeError:
                pass
        return fallback


class _Stepper(Block):
    """A block with state that advances once per iteration (steady) or time step (transient)."""

    def __init__(self, input: Source, output: Optional[str]) -> None:
        super().__init__(input, output)
        self._clock: Optional[int] = None
        self._committed = 0.0  # the state at the end of the last step
        self._state = 0.0

    @staticmethod
    def _dt(state: RunState) -> float:
        return state.time_step if state.transient else 1.0

    def _advance(self, state: RunState) -> bool:
        """Commits the last step's state when a new step begins; True on the first call."""
        clock = state.time_step_index if state.transient else state.iteration
        first = self._clock is None
        if clock != self._clock and not first:
            self._committed = self._state
        self._clock = clock
        return first


class Lag(_Stepper):
    """First-order lag with dead time: ``tau dy/dt + y = gain * u(t - delay) + offset``.

    ``time_constant`` and ``delay`` are in iterations (steady) or seconds (transient); the
    delay is rounded to whole iterations or time steps. The output starts at the output
    attribute's value when it has one (else at the steady state of the first input), and the
    delay line is filled with the first input. Implicit Euler, so any step size is stable.
    """

    def __init__(self, input: Source, output: Optional[str] = None, *, gain: float = 1.0,
                 time_constant: float = 0.0, delay: float = 0.0, offset: float = 0.0) -> None:
        super().__init__(input, output)
        for name, value in (("gain", gain), ("time_constant", time_constant), ("delay", delay),
                            ("offset", offset)):
            if isinstance(value, bool) or not isinstance(value, (int, float)) or not math.isfinite(value):
                raise ValueError("Lag %s must be a finite number, got %r" % (name, value))
        if time_constant < 0 or delay < 0:
            raise ValueError("Lag time_constant and delay must not be negative")
        self.gain, self.offset = float(gain), float(offset)
        self.time_constant, self.delay = float(time_constant), float(delay)
        self._samples: Deque[Tuple[Optional[int], float]] = deque()  # (step, input), oldest first

    def compute(self, state: RunState, u: float) -> float:
        dt = self._dt(state)
        steps = int(round(self.delay / dt))
        if self._advance(state):
            self._samples.extend([(None, u)] * steps)
            self._committed = self._initial_output(self.gain * u + self.offset)
        if self._samples and self._samples[-1][0] == self._clock:
            self._samples[-1] = (self._clock, u)  # another iteration of the same time step
        else:
            self._samples.append((self._clock, u))
        while len(self._samples) > steps + 1:
            self._samples.popleft()
        target = self.gain * self._samples[0][1] + self.offset
        self._state = self._committed + dt / (self.time_constant + dt) * (target - self._committed)
        return self._state


class Integrator(_Stepper):
    """``y = initial + gain * integral of u dt`` (steady: the sum over iterations).

    ``initial`` None starts from the output attribute's value (0 when it has none).
    """

    def __init__(self, input: Source, output: Optional[str] = None, *, gain: float = 1.0,
                 initial: Optional[float] = None) -> None:
        super().__init__(input, output)
        self.gain = float(gain)
        self.initial = initial

    def compute(self, state: RunState, u: float) -> float:
        if self._advance(state):
            self._committed = float(self.initial) if self.initial is not None else self._initial_output(0.0)
        self._state = self._committed + self.gain * u * self._dt(state)
        return self._state


class Limiter(Block):
    """Clamps its input to ``[low, high]``."""

    def __init__(self, input: Source, output: Optional[str] = None, *, low: float = -math.inf,
                 high: float = math.inf) -> None:
        super().__init__(input, output)
        if not low <= high:
            raise ValueError("Limiter low (%r) must not exceed high (%r)" % (low, high))
        self.low, self.high = float(low), float(high)

    def compute(self, state: RunState, u: float) -> float:
        return min(max(u, self.low), self.high)


class Combined:
    """Several plants called in order (the outputs of one may be inputs of the next)."""

    def __init__(self, parts: List[Callable[[RunState], Any]]) -> None:
        self.parts = parts

    def __call__(self, state: RunState) -> None:
        for part in self.parts:
            part(state)

    def __add__(self, other: Callable[[RunState], Any]) -> "Combined":
        return combine(self, other)


def combine(*plants: Callable[[RunState], Any]) -> Combined:
    """One plant that calls each of ``plants`` in order."""
    parts: List[Callable[[RunState], Any]] = []
    for plant in plants:
        if not callable(plant):
            raise TypeError("combine() takes plants (callables), not %s" % type(plant).__name__)
        parts.extend(plant.parts if isinstance(plant, Combined) else [plant])
    return Combined(parts)
