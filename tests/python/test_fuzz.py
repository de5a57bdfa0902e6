"""A short fuzzing run: random calls never crash, never raise SystemError."""
import pytest

import fuzz


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_random_calls_fail_cleanly(m, standin, seed):
    outcomes = fuzz.run(m, standin, calls=20000, seed=seed)
    assert outcomes["ok"] > 0
