"""EntityID wrappers: constructors, text form, records, the data view, comparisons, messages."""
import operator
import sys

import pytest

from owned_tools import (arg_message, check_rows, count_message, null_message, overload_message,  # noqa: F401
                         owned, raises, run_same)
from proxy_tools import type_name

ID_PTR = "OrvaneSDK::Model::EntityID *"
ID_CONST_PTR = "OrvaneSDK::Model::EntityID const *"
CTOR = "OrvaneSDK::Model::EntityID::EntityID"
PROTOTYPES = {
    "new_EntityID": [CTOR + f for f in (
        "()", "(std::pair< std::int32_t,std::int32_t > const &)", "(std::int32_t const,std::int32_t const)",
        "(OrvaneSDK::Model::EntityID::data_type const &)", "(OrvaneSDK::Model::CEntityID const &)")],
    "EntityID_data": ["OrvaneSDK::Model::EntityID::data() const", "OrvaneSDK::Model::EntityID::data()"]}
COMPARISONS = {"__eq__": operator.eq, "__ne__": operator.ne, "__lt__": operator.lt, "__le__": operator.le,
               "__gt__": operator.gt, "__ge__": operator.ge}


@pytest.fixture
def ident(m, owned):
    """Makes owned identifiers that are deleted at teardown."""
    return lambda *args: owned(m.new_EntityID(*args), m.delete_EntityID)


def test_rows_flags_and_docstrings(m):
    one = ["EntityID_toCEntityID", "EntityID_fromCEntityID", "EntityID_toString", "EntityID_fromString"]
    check_rows(m, ["new_EntityID", "EntityID_data"] + one + list(COMPARISONS) + [
        "delete_EntityID", "EntityID_swigregister", "EntityID_swiginit"],
        one + ["delete_EntityID", "EntityID_swigregister"], ["delete_EntityID", "EntityID_swigregister",
                                                             "EntityID_swiginit"])
    assert m.EntityID_toString.__doc__.startswith("\n<summary>Get the text form<summary>\n<returns>")


@pytest.mark.parametrize("args, text", [((), "0-0"), ((5, -3), "5--3"), ((2**31 - 1, -2**31), "2147483647--2147483648"),
                                        ((True, False), "1-0")])
def test_constructor_and_text_form(m, ident, args, text):
    made = ident(*args)
    assert m.EntityID_toString(made) == text
    assert made.own() and type_name(made) == ID_PTR


# Parsing is the facade's (tested there): the text passes through, the standard errors come back.
@pytest.mark.parametrize("text, expected, failure", [
    ("12-34", "12-34", None), ("-7", "-7--7", None), ("1-2-3", "1-23", None),
    ("a-1", None, "invalid stoi argument"), ("1-2147483648", None, "stoi argument out of range")])
def test_from_string(m, owned, text, expected, failure):
    if failure:
        raises(RuntimeError, failure, m.EntityID_fromString, text)
    else:
        parsed = owned(m.EntityID_fromString(text), m.delete_EntityID)
        assert parsed.own() and m.EntityID_toString(parsed) == expected


def test_constructor_forms_from_pair_array_and_record(m, ident, owned, capfd):
    peer = pytest.importorskip("_Varnex2TestPeer")  # the module that makes pairs
    from_pair = ident(peer.int_pair(-8, 9))
    source = ident(6, -2)
    from_data = ident(m.EntityID_data(source))
    record = m.EntityID_toCEntityID(source)
    from_record = ident(record)
    back = owned(m.EntityID_fromCEntityID(record), m.delete_EntityID)
    assert [m.EntityID_toString(x) for x in (from_pair, from_data, from_record, back)] == ["-8-9"] + ["6--2"] * 3
    assert type_name(record) == "OrvaneSDK_Model_EntityID *" and record.own() and back.own()
    del record
    assert capfd.readouterr().out == ""  # the record is released silently


# No form fits (the overload message, after the count when there are too many arguments).
@pytest.mark.parametrize("name, args", [("new_EntityID", a) for a in [
    (None,), (2**31, 0), (0, -2**31 - 1), ("1",), ((1, 2),), ([1, 2],), (1.0, 2), (1,), (1, 2, 3)]]
    + [("EntityID_data", (5,)), ("EntityID_data", ()), ("EntityID_data", ("ID", 1))])
def test_no_matching_form(m, ident, name, args):
    most = 2 if name == "new_EntityID" else 1
    args = [ident() if a == "ID" else a for a in args]
    raises(TypeError, (count_message(name, most, len(args)) if len(args) > most else "")
           + overload_message(name, PROTOTYPES[name]), getattr(m, name), *args)


def test_data_view_points_into_the_identifier_and_holds_it_out_of_sight(m, owned, collection):
    made = owned(m.EntityID_fromString("3-4"), m.delete_EntityID)
    before = sys.getrefcount(made)
    view = m.EntityID_data(made)
    assert type_name(view) == "std::array< int,2 > *" and not view.own()
    assert int(view) == int(made) and view.next() is None and repr(view).count("<Swig Object") == 1
    assert sys.getrefcount(made) == before + 1
    # The view is accepted only as itself, never as the identifier it points into.
    assert m.__eq__(view, made) is NotImplemented
    with pytest.raises(TypeError, match="argument 1 of type 'OrvaneSDK::Model::EntityID const \\*'"):
        m.EntityID_toString(view)
    with pytest.raises(TypeError, match="^Wrong number or type of arguments"):
        m.IEntityCollection_getEntity(collection, view)
    assert m.EntityID_toString(owned(m.new_EntityID(view), m.delete_EntityID)) == "3-4"
    del view
    assert sys.getrefcount(made) == before


def test_data_view_keeps_a_dropped_identifier_alive(run_same):
    rc, out, err = run_same(
        "import gc\n"
        "log = []\n"
        "class EntityID:\n"
        "    __swig_destroy__ = staticmethod(lambda p: (log.append('deleted'), m.delete_EntityID(p)))\n"
        "m.EntityID_swigregister(EntityID)\n"
        "view = m.EntityID_data(m.EntityID_fromString('5-6'))\n"
        "gc.collect()\n"
        "copy = m.new_EntityID(view)\n"
        "print(m.EntityID_toString(copy), log)\n"
        "del view\n"
        "print(log)\n"
        "m.delete_EntityID(copy)\n")
    assert (rc, out, err) == (0, "5-6 []\n['deleted']\n", "")


def test_view_of_an_explicitly_deleted_identifier_is_refused(m):
    ident = m.new_EntityID(4, 5)
    view = m.EntityID_data(ident)
    copy = m.new_EntityID(view)
    assert m.EntityID_toString(copy) == "4-5"
    m.delete_EntityID(copy)
    m.delete_EntityID(ident)
    raises(ValueError, null_message("new_EntityID", 1, "OrvaneSDK::Model::EntityID::data_type const &"),
           m.new_EntityID, view)


@pytest.mark.parametrize("pair", [((2, -1), (2, 0)), ((3, 4), (3, 4)), ((-2**31, 2**31 - 1), (2**31 - 1, -2**31))])
@pytest.mark.parametrize("name", sorted(COMPARISONS))
def test_comparisons_order_like_pairs(m, ident, name, pair):
    a, b = pair
    fn = getattr(m, name)
    assert fn(ident(*a), ident(*b)) is COMPARISONS[name](a, b)
    assert fn(ident(*b), ident(*a)) is COMPARISONS[name](b, a)


@pytest.mark.parametrize("name", sorted(COMPARISONS))
def test_comparisons_of_other_operands(m, ident, name):
    fn, made = getattr(m, name), ident(1, 2)
    for args in [(made, 5), (5, made), (made, "x"), (made,), (made, made, made), (), (made, m.version())]:
        assert fn(*args) is NotImplemented
    for args, position in (((None, made), 1), ((made, None), 2)):
        raises(ValueError, null_message(name, position, "OrvaneSDK::Model::EntityID const &"), fn, *args)


@pytest.mark.parametrize("name, wrong, text", [
    ("EntityID_toString", 5, ID_CONST_PTR), ("EntityID_toCEntityID", "1-2", ID_CONST_PTR),
    ("EntityID_fromCEntityID", "1-2", "OrvaneSDK::Model::CEntityID const &"),
    ("EntityID_fromCEntityID", "identifier", "OrvaneSDK::Model::CEntityID const &"),
    ("EntityID_fromString", b"1-2", "std::string const &"), ("delete_EntityID", 5, ID_PTR),
    ("EntityID_data", None, ID_PTR),
])
def test_argument_messages(m, ident, name, wrong, text):
    if name != "delete_EntityID":  # which takes None
        raises(ValueError, null_message(name, 1, text), getattr(m, name), None)
    if wrong is not None:
        raises(TypeError, arg_message(name, 1, text), getattr(m, name), ident(1, 2) if wrong == "identifier" else wrong)


def test_delete_takes_ownership_and_refuses_later_use(m, capfd):
    made = m.new_EntityID(1, 2)
    assert m.delete_EntityID(made) is None and not made.own()
    raises(ValueError, null_message("EntityID_toString", 1, ID_CONST_PTR), m.EntityID_toString, made)
    assert m.delete_EntityID(None) is None
    del made
    assert capfd.readouterr().out == ""


def test_swiginit_sets_this_then_appends(m, ident):
    class Holder:
        pass

    holder = Holder()
    first, second = ident(1, 1), ident(2, 2)
    assert m.EntityID_swiginit(holder, first) is None and holder.this is first
    m.EntityID_swiginit(holder, second)
    assert first.next() is second
    raises(TypeError, "swiginit expected 2 arguments, got 1", m.EntityID_swiginit, holder)
