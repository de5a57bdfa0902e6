"""pytest plugin of the stand-in (entry point ``pytest11``): test coupling scripts offline.

It imports the control package only when a test asks for its fixture, so installing the plugin
loads no library, and a build without the stand-in still starts pytest (the fixture then says
that the stand-in is not installed).

The fixture ``varnex2_standin`` is a ``varnex2_standin.testing.StandinFixture``: the
controls and the runner of the stand-in, reset before and after the test, with the model of
the test's ``varnex2_model`` marker loaded (a path, a dict or JSON text). Relative paths, of
the marker's model and of scripts and models given to the fixture, are looked up next to
the test file first, then in the working directory, so tests pass from any folder::

    from varnex2_standin.testing import StandinFixture

    @pytest.mark.varnex2_model("loop.json")
    def test_pump_reaches_its_target(varnex2_standin: StandinFixture) -> None:
        history = varnex2_standin.run("pump_control.py", monitor=["Pump/Pump1/Speed"])
        assert history.column("Pump/Pump1/Speed")[-1] == pytest.approx(1600.0, rel=1e-3)

Overriding the fixture ``varnex2_model`` (for example with parametrize) gives the model
another way.
"""
import os
from typing import TYPE_CHECKING, Any, Iterator

import pytest

if TYPE_CHECKING:
    from varnex2_standin.testing import StandinFixture


def pytest_configure(config: pytest.Config) -> None:
    config.addinivalue_line("markers", "varnex2_model(source): model the varnex2_standin fixture loads "
                                       "(path relative to the test file, dict or JSON text)")


@pytest.fixture
def varnex2_model(request: pytest.FixtureRequest) -> Any:
    """The model the ``varnex2_standin`` fixture loads: the marker's, or None (built-in
    model). A relative path is looked up as the fixture's paths are."""
    marker = request.node.get_closest_marker("varnex2_model")
    if marker is None:
        return None
    return marker.args[0] if marker.args else marker.kwargs.get("source")


@pytest.fixture
def varnex2_standin(request: pytest.FixtureRequest, varnex2_model: Any) -> Iterator["StandinFixture"]:
    """The stand-in's controls and runner (``StandinFixture``) on a fresh run of the chosen
    model; reset again afterwards, whatever the test did."""
    try:
        from varnex2_standin.testing import StandinFixture
    except ImportError:
        pytest.skip("the stand-in is not installed (a build of Varnex2Python without it)")

    fixture = StandinFixture(os.path.dirname(str(request.node.fspath)))
    fixture.reset()
    try:
        if varnex2_model is not None:
            fixture.load_model(varnex2_model)
        yield fixture
    finally:
        fixture.reset()
