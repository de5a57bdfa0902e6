"""Python-side iterator functions over the native iterators of the test-only peer module:
stepping, exhaustion, refused comparisons, ownership moves, NotImplemented and messages.
The package tests use them through the SwigPyIterator class (iteration, operators)."""
import pytest

from owned_tools import (arg_message, check_rows, count_message, null_message, overload_message, owned,  # noqa: F401
                         raises)
from proxy_tools import type_name

peer = pytest.importorskip("_Varnex2TestPeer")

IT = "swig::SwigPyIterator *"
CONST_IT = "swig::SwigPyIterator const *"
REF = "swig::SwigPyIterator const &"
ROWS = ["delete_SwigPyIterator"] + ["SwigPyIterator_" + n for n in (
    "value", "incr", "decr", "distance", "equal", "copy", "next", "__next__", "previous", "advance", "__eq__", "__ne__",
    "__iadd__", "__isub__", "__add__", "__sub__", "swigregister")]


def step_message(op):
    return overload_message("SwigPyIterator_" + op, ["swig::SwigPyIterator::%s(size_t)" % op,
                                                     "swig::SwigPyIterator::%s()" % op])


@pytest.fixture
def make(m, owned):
    """make("seq", items) / make("range", a, b) / make("forward", items): owned peer iterators,
    plus make.keep(proxy) for owned results; all are deleted at teardown if still owning."""
    kinds = {"seq": peer.sequence_iterator, "range": peer.range_iterator, "forward": peer.forward_iterator}

    def build(kind, *args):
        return owned(kinds[kind](*args), m.delete_SwigPyIterator)

    build.keep = lambda proxy: owned(proxy, m.delete_SwigPyIterator)
    return build


def test_rows_and_flags(m):
    one = ["SwigPyIterator_" + n for n in ("value", "copy", "next", "__next__", "previous", "swigregister")]
    check_rows(m, ROWS, one + ["delete_SwigPyIterator"], ROWS)  # none has a docstring


@pytest.mark.parametrize("name", ["SwigPyIterator_next", "SwigPyIterator___next__"])
def test_next_walks_then_stops_with_none(m, make, name):
    it = make("seq", [10, "b", None])
    assert [getattr(m, name)(it) for _ in range(3)] == [10, "b", None]
    with pytest.raises(StopIteration) as err:
        getattr(m, name)(it)
    assert err.value.value is None and err.value.args == ()


def test_value_previous_incr_decr(m, make):
    it = make("range", 5, 9)
    assert m.SwigPyIterator_value(it) == 5
    stepped = m.SwigPyIterator_incr(it)
    assert int(stepped) == int(it) and not stepped.own() and type_name(stepped) == IT
    assert m.SwigPyIterator_value(m.SwigPyIterator_incr(it, 2)) == 8
    assert m.SwigPyIterator_value(m.SwigPyIterator_decr(it, 3)) == 5
    m.SwigPyIterator_incr(it, 4)
    assert [m.SwigPyIterator_previous(it) for _ in range(4)] == [8, 7, 6, 5]
    end = make("seq", [1])
    m.SwigPyIterator_incr(end)
    for call in (lambda: m.SwigPyIterator_previous(it), lambda: m.SwigPyIterator_decr(it),
                 lambda: m.SwigPyIterator_incr(it, 5), lambda: m.SwigPyIterator_value(end),
                 lambda: m.SwigPyIterator_incr(end)):
        with pytest.raises(StopIteration) as err:
            call()
        assert err.value.value is None


# A forward-only iterator refuses every decr, so only decr(0) explains advance(0) stopping.
@pytest.mark.parametrize("kind, n, value", [("range", 2, 8), ("range", -1, 5), ("range", 0, 6), ("range", -2**63, None),
                                            ("range", 2**63 - 1, None), ("forward", 0, None), ("forward", 1, 2)])
def test_advance(m, make, kind, n, value):
    it = make(kind, [1, 2]) if kind == "forward" else make("range", 5, 9)
    if kind == "range":
        m.SwigPyIterator_incr(it)
    if value is None:
        with pytest.raises(StopIteration):
            m.SwigPyIterator_advance(it, n)
    else:
        moved = m.SwigPyIterator_advance(it, n)
        assert not moved.own() and int(moved) == int(it) and m.SwigPyIterator_value(it) == value


def test_distance_equal_and_copy(m, make):
    a = make("seq", [1, 2, 3])
    b = make.keep(m.SwigPyIterator_copy(a))
    assert b.own() and int(b) != int(a) and type_name(b) == IT
    m.SwigPyIterator_incr(b, 2)
    assert (m.SwigPyIterator_distance(a, b), m.SwigPyIterator_distance(b, a)) == (2, -2)
    assert (m.SwigPyIterator_equal(a, b), m.SwigPyIterator___eq__(a, b), m.SwigPyIterator___ne__(a, b)) == (
        False, False, True)
    m.SwigPyIterator_decr(b, 2)
    assert m.SwigPyIterator_equal(a, b) and m.SwigPyIterator___eq__(a, b) and not m.SwigPyIterator___ne__(a, b)
    assert m.SwigPyIterator_value(a) == 1


def test_large_distance_and_sub_of_two_iterators(m, make):
    a = make("range", -2**61, 2**62 - 1)
    b = make.keep(m.SwigPyIterator___add__(a, 2**62))
    assert (m.SwigPyIterator_distance(a, b), m.SwigPyIterator___sub__(a, b)) == (2**62, -2**62)
    assert m.SwigPyIterator___sub__(b, a) == 2**62 and m.SwigPyIterator_value(b) == 2**61


@pytest.mark.parametrize("name", ["SwigPyIterator_distance", "SwigPyIterator_equal"])
@pytest.mark.parametrize("pair", ["different ranges", "forward only"])
def test_refused_comparison_raises_a_proxy_of_the_native_exception(m, make, capfd, name, pair):
    a, b = ((make("seq", [1]), make("range", 0, 1)) if pair == "different ranges"
            else (make("forward", [1]), make("forward", [1])))
    with pytest.raises(RuntimeError) as err:
        getattr(m, name)(a, b)
    value = err.value.args[0]
    assert type(err.value) is RuntimeError and len(err.value.args) == 1
    assert type_name(value) == "std::invalid_argument *" and value.own()
    del value, err
    assert capfd.readouterr().out == ""  # the copy is released silently, like the records


def test_other_native_failures_use_the_general_guard(m, make):
    it = make("seq", [1, 2, 3], 1)
    assert m.SwigPyIterator_next(it) == 1
    for fn in (m.SwigPyIterator_value, m.SwigPyIterator_next, m.SwigPyIterator___next__):
        raises(RuntimeError, "peer iterator cannot read position 1", fn, it)
    raises(RuntimeError, "peer iterators over different ranges", m.SwigPyIterator___eq__, it, make("range", 0, 3))
    # A refused distance in a stepping wrapper passes its exhaustion check on to the general guard.
    raises(RuntimeError, "peer iterators over different ranges", m.SwigPyIterator___sub__, it, make("range", 0, 3))
    raises(RuntimeError, "operation not supported", m.SwigPyIterator___sub__, make("forward", [1]), make("forward", [1]))
    m.SwigPyIterator_incr(it)
    assert m.SwigPyIterator_value(it) == 3


# In-place steps move ownership to the result; add and sub move a new copy. A step past the
# end stops: the in-place owner keeps its object, the copy is freed without a leak line.
@pytest.mark.parametrize("name, n, value", [
    ("SwigPyIterator___iadd__", 2, 7), ("SwigPyIterator___isub__", -1, 6), ("SwigPyIterator___isub__", 0, 5),
    ("SwigPyIterator___iadd__", 5, None), ("SwigPyIterator___add__", 2, 8), ("SwigPyIterator___sub__", 1, 5),
    ("SwigPyIterator___sub__", -2, 8), ("SwigPyIterator___add__", 4, None)])
def test_operators_move_ownership(m, make, capfd, name, n, value):
    it = make("range", 5, 9)
    in_place = name.startswith("SwigPyIterator___i")
    if not in_place:
        m.SwigPyIterator_incr(it)
    if value is None:
        with pytest.raises(StopIteration):
            getattr(m, name)(it, n)
        assert it.own() and capfd.readouterr().out == ""
        return
    result = make.keep(getattr(m, name)(it, n))
    assert result.own() and (int(result) == int(it)) is in_place and it.own() is not in_place
    assert m.SwigPyIterator_value(result) == value
    if not in_place:
        assert m.SwigPyIterator_value(it) == 6


# Operands of no form: NotImplemented, so that Python tries the other operand.
@pytest.mark.parametrize("name, args", [
    (name, args) for name in ("__eq__", "__ne__", "__add__", "__sub__")
    for args in ("it, 'x'", "it, 1.5", "it, m.version()", "it,", "it, it, it", "5, it", "m.version(), it")]
    + [("__eq__", "it, 2"), ("__ne__", "it, 2"), ("__sub__", "it, 2**64"), ("__sub__", "it, None")])
def test_operators_answer_not_implemented(m, make, name, args):
    assert eval("m.SwigPyIterator_%s(%s)" % (name, args), {"m": m, "it": make("seq", [1])}) is NotImplemented


# Argument 1 of each function: None, then an object of another type (where that is no
# NotImplemented or a miss of every form); then further arguments. None gives the null message.
FIRST = [("value", (), CONST_IT), ("distance", ("it",), CONST_IT), ("equal", ("it",), CONST_IT), ("copy", (), CONST_IT),
         ("next", (), IT), ("__next__", (), IT), ("previous", (), IT), ("advance", (1,), IT), ("__iadd__", (1,), IT),
         ("__isub__", (1,), IT), ("__add__", (1,), CONST_IT), ("incr", (), IT), ("decr", (1,), IT)]


@pytest.mark.parametrize("op, args, error, position, text", [
    (op, (None,) + more, ValueError, 1, text) for op, more, text in FIRST] + [
    (op, ("V",) + more, TypeError, 1, text) for op, more, text in FIRST if op not in ("incr", "decr", "__add__")] + [
    ("advance", ("it", 2**63), OverflowError, 2, "ptrdiff_t"), ("advance", ("it", 1.0), TypeError, 2, "ptrdiff_t"),
    ("__iadd__", ("it", "1"), TypeError, 2, "ptrdiff_t"),
    ("__isub__", ("it", -2**63 - 1), OverflowError, 2, "ptrdiff_t"),
    ("__add__", ("it", 2**64), OverflowError, 2, "ptrdiff_t"), ("distance", ("it", None), ValueError, 2, REF),
    ("equal", ("it", 5), TypeError, 2, REF), ("__eq__", ("it", None), ValueError, 2, REF),
    ("__ne__", ("it", None), ValueError, 2, REF), ("__eq__", (None, "it"), ValueError, 1, CONST_IT),
    ("__ne__", (None, "it"), ValueError, 1, CONST_IT),
])
def test_argument_errors(m, make, op, args, error, position, text):
    it, name = make("seq", [1]), "SwigPyIterator_" + op
    message = (null_message if error is ValueError else arg_message)(name, position, text)
    raises(error, message, getattr(m, name), *[{"it": it, "V": m.version()}.get(a, a) if isinstance(a, str) else a
                                               for a in args])
    assert it.own()


@pytest.mark.parametrize("op", ["incr", "decr"])
@pytest.mark.parametrize("args", [(-1,), (2**64,), (1.0,), (None,), (), (1, 2)])
def test_step_messages(m, make, op, args):
    it = make("range", 0, 3)
    raises(TypeError, (count_message("SwigPyIterator_" + op, 2, 3) if len(args) == 2 else "") + step_message(op),
           getattr(m, "SwigPyIterator_" + op), *((it,) + args if args != () else ()))


def test_delete(m, capfd):
    it = peer.sequence_iterator([1])
    assert m.delete_SwigPyIterator(it) is None and not it.own()
    with pytest.raises(ValueError):
        m.SwigPyIterator_value(it)
    assert m.delete_SwigPyIterator(None) is None
    raises(TypeError, arg_message("delete_SwigPyIterator", 1, IT), m.delete_SwigPyIterator, m.version())
    del it
    assert capfd.readouterr().out == ""
