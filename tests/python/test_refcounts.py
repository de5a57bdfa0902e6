"""No reference leaks: argument reference counts stay put and allocated blocks stay flat over
repeated succeeding and failing calls of every function."""
import gc
import random
import sys

import pytest

import _Varnex2Python
import fuzz

pytestmark = pytest.mark.controls  # drives the stand-in through varnex2_standin

REPEAT = 10000


def argument_sets(m, objs, name, count=6):
    rng = random.Random(name)
    return [tuple(fuzz.random_value(rng, objs) for _ in range(rng.choice([0, 1, 2, 2, 3, 4])))
            for _ in range(count)]


def call(fn, args):
    try:
        fuzz.dispose(_Varnex2Python, fn(*args))
    except fuzz.ALLOWED:
        pass


@pytest.fixture(scope="module")
def pool(m):
    import varnex2_standin

    varnex2_standin.reset()
    objs = fuzz.gather_objects(m, varnex2_standin)
    yield objs
    for obj in objs:
        fuzz.dispose(m, obj)


def pytest_generate_tests(metafunc):
    if "name" in metafunc.fixturenames:
        metafunc.parametrize("name", fuzz.functions(_Varnex2Python))


def test_no_leaks(m, pool, name):
    fn = getattr(m, name)
    sets = argument_sets(m, pool, name) + [(o,) for o in pool[:4]]
    for args in sets:
        for _ in range(50):  # warm caches (type cache, UTF-8 forms, messages)
            call(fn, args)
    gc.collect()
    # Shared singletons (None, small ints, interned text) move with unrelated code: watch the rest.
    watched = [a for args in sets for a in args if sys.getrefcount(a) < 50]
    counts = [sys.getrefcount(a) for a in watched]
    blocks = sys.getallocatedblocks()
    for args in sets:
        for _ in range(REPEAT // len(sets)):
            call(fn, args)
    gc.collect()
    assert [sys.getrefcount(a) for a in watched] == counts
    assert sys.getallocatedblocks() - blocks < 50
