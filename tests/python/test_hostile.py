"""Python code that runs in the middle of a call: `this` properties that drop earlier arguments,
destroy functions that keep what they are given, views into freed identifiers. Each case must end
in a documented result or exception; under the sanitizer build any use of freed memory aborts."""
import gc

import pytest

from owned_tools import PACKAGE_CHILD, run_in_a_package_child

if PACKAGE_CHILD:
    import Varnex2Python as vx
probe = pytest.importorskip("_Varnex2Probe")


def tuple_entry(fn, *args):
    return probe.call_row(fn, args)


def vector_entry(fn, *args):
    return fn(*args)


ENTRIES = [pytest.param(vector_entry, id="vectorcall"), pytest.param(tuple_entry, id="tuple")]


def dropper(victim, then):
    """An object whose `this` drops the victim's proxy the first time it is read, then answers
    the proxy of `then`."""
    reads = []

    class Evil:
        @property
        def this(self):
            reads.append(1)
            if len(reads) == 1:
                victim.__dict__.pop("this", None)
            return then.this
    return Evil()


@pytest.mark.parametrize("entry", ENTRIES)
@pytest.mark.parametrize("name, result", [("__eq__", True), ("__ne__", False), ("__lt__", False)])
def test_comparison_keeps_the_first_identifier_alive(m, entry, name, result):
    a, keep = vx.EntityID(1, 2), vx.EntityID(1, 2)
    assert entry(getattr(m, name), a, dropper(a, keep)) is result
    gc.collect()
    assert "this" not in a.__dict__ and m.EntityID_toString(keep) == "1-2"


@pytest.mark.parametrize("entry", ENTRIES)
def test_editor_dispatch_keeps_the_editor_alive(m, manager, entry):
    ed = vx.EntityEditor(manager)
    pump = ed.getEntity("Pump", "Pump1")
    assert entry(m.EntityEditor_getEntityName, ed, dropper(ed, pump)) == "Pump1"
    # Typed values go through the same dispatcher shape with more arguments.
    ed2 = vx.EntityEditor(manager)
    speed = entry(m.EntityEditor_getDoubleValue, ed2, dropper(ed2, pump), "Speed")
    assert isinstance(speed, float)


@pytest.mark.parametrize("entry", ENTRIES)
def test_single_form_keeps_a_dropped_self(m, manager, entry):
    ed = vx.EntityEditor(manager)
    holder = type("Holder", (), {})()
    holder.this = ed.this
    del ed
    # The editor's only proxy is held by `holder`; the `this` of the second argument drops it.
    assert entry(m.EntityEditor_getEntity, holder, dropper(holder, vx.EntityID(9, 9))) is None


def test_delete_acts_on_the_proxy_it_converted(m):
    first, second = m.new_EntityID(1, 1), m.new_EntityID(2, 2)
    answers = iter([first, second, second])

    class Shifty:
        @property
        def this(self):
            return next(answers)
    m.delete_EntityID(Shifty())
    # The first identifier is gone and its proxy refuses further use; the second is untouched.
    assert int(first) == 0 and first.own() is False
    assert second.own() is True and m.EntityID_toString(second) == "2-2"
    m.delete_EntityID(second)


def test_fresh_this_is_held_for_the_call(m):
    class Fresh:
        @property
        def this(self):
            return m.new_EntityID(7, 8)  # nothing else holds it
    assert m.EntityID_toString(Fresh()) == "7-8"


@pytest.mark.parametrize("keeper", ["list.append", "collections.deque.append"])
def test_foreign_destroy_function_never_gets_the_dying_proxy(run_python, keeper):
    rc, out, err = run_python(
        "import collections, gc, _Varnex2Python as m\n"
        "kept = %s()\n"
        "class EntityID:\n"
        "    __swig_destroy__ = kept.%s\n"
        "m.EntityID_swigregister(EntityID)\n"
        "e = m.new_EntityID(3, 4)\n"
        "del e\n"
        "gc.collect()\n"
        "(p,) = kept\n"
        "print(p.own(), m.EntityID_toString(p))\n"
        "m.delete_EntityID(p)\n" % tuple(keeper.rsplit(".", 1)))
    assert (rc, out) == (0, "False 3-4\n"), err


def test_view_outlives_its_identifiers_name_and_is_refused_after_delete(m):
    ident = m.new_EntityID(4, 5)
    view = m.EntityID_data(ident)
    del ident
    gc.collect()
    copy = m.new_EntityID(view)
    assert m.EntityID_toString(copy) == "4-5" and view.next() is None
    m.delete_EntityID(copy)


def test_downcast_works_from_a_finaliser_at_shutdown(run_python):
    rc, out, err = run_python(
        "import Varnex2Python as vx\n"
        "a = vx.ISolverManager.instance().getEntityCollection().getEntity('Pump', 'Pump1').getAttribute(0)\n"
        "class Late:\n"
        "    def __del__(self):\n"
        "        print(type(a.downcast()).__name__ in ('IAttribute', 'SwigPyObject', 'IShortcutAttribute',\n"
        "              'ICompositeAttribute', 'ILinkAttribute', 'IListAttribute', 'IArrayAttribute'))\n"
        "late = Late()\n"
        "late.cycle = late\n")
    assert (rc, out) == (0, "True\n"), err


def test_module_definition_holds_the_method_table(m):
    table = probe.method_table(m)
    assert len(table) == 335 and table[0] == "delete_SwigPyIterator"
    assert all(callable(getattr(m, name)) for name in table)


@pytest.mark.parametrize("action", [lambda c: delattr(c, "lastChronology"), lambda c: setattr(c, "nothing", 1),
                                    lambda c: setattr(c, "lastChronology", 5)])
def test_cvar_refusals_are_attribute_errors(m, action):
    with pytest.raises(AttributeError):
        action(m.cvar)


run_in_a_package_child(globals(), __file__)
