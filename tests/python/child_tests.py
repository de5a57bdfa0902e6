"""Runs a test file's tests in a child pytest: importing Varnex2Python binds its classes for
the whole process, which the other tests (on bare proxies) must not see."""
import os
import subprocess
import sys

CHILD = os.environ.get("VARNEX2_PACKAGE_TESTS") == "child"


def run_in_child(path):
    env = dict(os.environ, VARNEX2_PACKAGE_TESTS="child")
    proc = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", path],
                          cwd=os.path.dirname(path), env=env, capture_output=True, text=True, timeout=600)
    assert proc.returncode == 0, proc.stdout[-8000:] + proc.stderr[-2000:]


def only_in_child(namespace, path):
    """Outside the child: replaces the file's tests by one test that runs them in a child."""
    if CHILD:
        return
    for name in [name for name in namespace if name.startswith("test_")]:
        del namespace[name]
    namespace["test_in_a_fresh_interpreter"] = lambda: run_in_child(path)
