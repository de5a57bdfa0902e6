"""pytest plugin of the stand-in (entry point ``pytest11``): test coupling scripts offline.

It imports the control package only when a test asks for its fixture, so installing the plugin
loads no library, and a build without the stand-in still starts pytest (the fixture then says
that the stand-in is not installed).

The fixture ``varnex2_standin`` is the control package, reset before and after the test,
with the model of the test's ``varnex2_model`` marker loaded (a path, relative to the test
file, a dict or JSON text)::

    @pytest.mark.varnex2_model("loop.json")
    def test_pump_reaches_its_target(varnex2_standin):
        history = varnex2_standin.run("pump_control.py", monitor=["Pump/Pump1/Speed"])
        assert history.column("Pump/Pump1/Speed")[-1] == pytest.approx(1600.0, rel=1e-3)

Overriding the fixture ``varnex2_model`` (for example with parametrize) gives the model
another way.
"""
import os
from typing import Any, Iterator

import pytest


def pytest_configure(config: pytest.Config) -> None:
    config.addinivalue_line("markers", "varnex2_model(source): model the varnex2_standin fixture loads "
                                       "(path relative to the test file, dict or JSON text)")


@pytest.fixture
def varnex2_model(request: pytest.FixtureRequest) -> Any:
    """The model the ``varnex2_standin`` fixture loads: the marker's, or None (built-in model)."""
    marker = request.node.get_closest_marker("varnex2_model")
    if marker is None:
        return None
    source = marker.args[0] if marker.args else marker.kwargs.get("source")
    if isinstance(source, (str, os.PathLike)) and not str(source).lstrip().startswith("{"):
        here = os.path.dirname(str(request.node.fspath))
        candidate = os.path.join(here, os.fspath(source))
        if os.path.exists(candidate):
            return candidate
    return source


@pytest.fixture
def varnex2_standin(varnex2_model: Any) -> Iterator[Any]:
    """The stand-in's control package with a fresh run of the chosen model; reset afterwards."""
    try:
        import varnex2_standin
    except ImportError:
        pytest.skip("the stand-in is not installed (a build of Varnex2Python without it)")

    varnex2_standin.reset()
    if varnex2_model is not None:
        varnex2_standin.load_model(varnex2_model)
    yield varnex2_standin
    varnex2_standin.reset()
