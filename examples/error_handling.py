"""What goes wrong, and how a script sees it.

Argument mistakes raise TypeError, OverflowError or ValueError before anything reaches the
library; failures reported by the library raise RuntimeError with the library's message.
A coupling script usually lets argument errors surface (they are bugs) and decides per
call what to do about RuntimeError. Each case below prints the exception it gets.
"""
from typing import Callable, Optional

import Varnex2Python as vx
import varnex2_standin


def attempt(label: str, action: Callable[[], object]) -> Optional[BaseException]:
    """Runs ``action`` and prints its result or the exception it raised."""
    try:
        result = action()
    except (TypeError, ValueError, OverflowError, RuntimeError) as error:
        first, _, rest = str(error).partition("\n")
        print("%-44s %s: %s" % (label, type(error).__name__, first))
        for line in rest.splitlines():
            print("%-44s   %s" % ("", line))
        return error
    print("%-44s -> %r" % (label, result))
    return None


def read_or(default: float, read: Callable[[], float]) -> float:
    """A library failure is not fatal for an optional value: fall back and say so."""
    try:
        return read()
    except RuntimeError as error:
        print("  (using %g: %s)" % (default, error))
        return default


def main() -> None:
    varnex2_standin.reset()
    manager = vx.ISolverManager.instance()
    collection = manager.getEntityCollection()
    assert collection is not None
    editor = vx.EntityEditor(collection)
    pump = collection.getEntity("Pump", "Pump1")
    assert pump is not None

    print("Argument errors:")
    attempt("hasAccess('read')", lambda: vx.hasAccess("read"))  # type: ignore[arg-type]
    attempt("hasAccess(2**40)", lambda: vx.hasAccess(2 ** 40))
    attempt("manager.getIteration(1.5)", lambda: manager.getIteration(1.5))  # type: ignore[call-overload]
    attempt("manager.getIteration(3, 4)", lambda: manager.getIteration(3, 4))  # type: ignore[call-overload]
    attempt("manager.showMessage(None)", lambda: manager.showMessage(None))  # type: ignore[arg-type]

    print("Failures reported by the library:")
    attempt("collection.getEntity(99)", lambda: collection.getEntity(99))
    print("%-44s -> %r" % ("  collection.getLastExceptionMessage()", collection.getLastExceptionMessage()))
    attempt("write the read-only Pump1/Stages", lambda: editor.setIntValue("Pump", "Pump1", "Stages", 3))
    attempt("read the write-only Pump1/SetPoint", lambda: editor.getDoubleValue("Pump", "Pump1", "SetPoint"))
    attempt("toString(12345)", lambda: vx.toString(12345))

    print("A failure injected into the stand-in (raw slot 12 reads a double):")
    speed = pump.getAttribute("Speed")
    assert speed is not None
    varnex2_standin.fail_next(int(speed.this), 12, varnex2_standin.RUNTIME_ERROR, "sensor offline")
    print("  speed = %g" % read_or(1450.0, speed.getDoubleValue))
    print("  speed = %g" % read_or(1450.0, speed.getDoubleValue))

    print("No solver manager:")
    varnex2_standin.set_manager_available(False)
    attempt("ISolverManager.instance()", vx.ISolverManager.instance)
    attempt("versionString()", vx.versionString)
    varnex2_standin.set_manager_available(True)
    attempt("versionString() once it is back", vx.versionString)


if __name__ == "__main__":
    main()
