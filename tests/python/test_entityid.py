"""EntityID wrappers: constructors, text form, records, the data view, comparisons, messages."""
import operator
import sys

import pytest

from owned_tools import (count_message, overload_message, owned, run_same, takes_one_object,  # noqa: F401
                         type_name)

ID_PTR = "OrvaneSDK::Model::EntityID *"
ID_CONST_PTR = "OrvaneSDK::Model::EntityID const *"
ID_REF = "OrvaneSDK::Model::EntityID const &"
CTOR = "OrvaneSDK::Model::EntityID::EntityID"
NEW_MESSAGE = overload_message("new_EntityID", [CTOR + f for f in (
    "()", "(std::pair< std::int32_t,std::int32_t > const &)", "(std::int32_t const,std::int32_t const)",
    "(OrvaneSDK::Model::EntityID::data_type const &)", "(OrvaneSDK::Model::CEntityID const &)")])
DATA_MESSAGE = overload_message("EntityID_data", ["OrvaneSDK::Model::EntityID::data() const",
                                                  "OrvaneSDK::Model::EntityID::data()"])
ROWS = ["new_EntityID", "EntityID_data", "EntityID_toCEntityID", "EntityID_fromCEntityID", "EntityID_toString",
        "EntityID_fromString", "__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__", "delete_EntityID",
        "EntityID_swigregister", "EntityID_swiginit"]
COMPARISONS = {"__eq__": operator.eq, "__ne__": operator.ne, "__lt__": operator.lt, "__le__": operator.le,
               "__gt__": operator.gt, "__ge__": operator.ge}


@pytest.fixture
def ident(m, owned):
    """Makes owned identifiers that are deleted at teardown."""
    return lambda *args: owned(m.new_EntityID(*args), m.delete_EntityID)


def test_rows_flags_and_docstrings(m):
    names = list(vars(m))
    start = names.index("new_EntityID")
    assert names[start:start + len(ROWS)] == ROWS
    assert {n for n in ROWS if takes_one_object(getattr(m, n))} == {
        "EntityID_toCEntityID", "EntityID_fromCEntityID", "EntityID_toString", "EntityID_fromString", "delete_EntityID",
        "EntityID_swigregister"}
    assert {n for n in ROWS if getattr(m, n).__doc__ is None} == {
        "delete_EntityID", "EntityID_swigregister", "EntityID_swiginit"}
    assert m.new_EntityID.__doc__.count("\n|\n") == 4 and m.EntityID_data.__doc__.count("\n|\n") == 1
    assert m.EntityID_toString.__doc__.startswith("\n<summary>Get the text form<summary>\n<returns>")


@pytest.mark.parametrize("args, text", [((), "0-0"), ((5, -3), "5--3"), ((2**31 - 1, -2**31), "2147483647--2147483648"),
                                        ((True, False), "1-0")])
def test_constructor_and_text_form(m, ident, args, text):
    made = ident(*args)
    assert m.EntityID_toString(made) == text
    assert made.own() and type_name(made) == ID_PTR


# Parsing is the facade's (tested there): the text passes through, the standard errors come back.
@pytest.mark.parametrize("text, expected", [("12-34", "12-34"), ("-7", "-7--7"), ("1-2-3", "1-23"),
                                            ("a-1", RuntimeError("invalid stoi argument")),
                                            ("1-2147483648", RuntimeError("stoi argument out of range"))])
def test_from_string(m, owned, text, expected):
    if isinstance(expected, str):
        parsed = owned(m.EntityID_fromString(text), m.delete_EntityID)
        assert parsed.own() and m.EntityID_toString(parsed) == expected
        return
    with pytest.raises(RuntimeError) as err:
        m.EntityID_fromString(text)
    assert str(err.value) == str(expected)


def test_constructor_forms_from_pair_array_and_record(m, ident):
    peer = pytest.importorskip("_Varnex2TestPeer")  # the module that makes pairs
    from_pair = ident(peer.int_pair(-8, 9))
    source = ident(6, -2)
    from_data = ident(m.EntityID_data(source))
    record = m.EntityID_toCEntityID(source)
    from_record = ident(record)
    assert [m.EntityID_toString(x) for x in (from_pair, from_data, from_record)] == ["-8-9", "6--2", "6--2"]
    assert type_name(record) == "OrvaneSDK_Model_EntityID *" and record.own()


@pytest.mark.parametrize("args", [(None,), (2**31, 0), (0, -2**31 - 1), ("1",), ((1, 2),), ([1, 2],), (1.0, 2),
                                  (1,), (1, 2, 3)])
def test_constructor_without_a_matching_form(m, args):
    with pytest.raises(TypeError) as err:
        m.new_EntityID(*args)
    assert str(err.value) == (count_message("new_EntityID", 2, 3) if len(args) > 2 else "") + NEW_MESSAGE


def test_data_view_points_into_the_identifier_and_holds_it(m, owned):
    made = owned(m.EntityID_fromString("3-4"), m.delete_EntityID)
    before = sys.getrefcount(made)
    view = m.EntityID_data(made)
    assert type_name(view) == "std::array< int,2 > *" and not view.own()
    assert int(view) == int(made) and view.next() is made
    assert sys.getrefcount(made) == before + 1
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


def test_record_round_trip_is_released_silently(m, ident, owned, capfd):
    record = m.EntityID_toCEntityID(ident(-1, 7))
    back = owned(m.EntityID_fromCEntityID(record), m.delete_EntityID)
    assert back.own() and m.EntityID_toString(back) == "-1-7"
    del record
    assert capfd.readouterr().out == ""


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
        with pytest.raises(ValueError) as err:
            fn(*args)
        assert str(err.value) == "invalid null reference in method '%s', argument %d of type '%s'" % (
            name, position, ID_REF)


def test_shadow_class_comparisons(run_same):
    rc, out, err = run_same(
        "class EntityID:\n"
        "    __swig_destroy__ = m.delete_EntityID\n"
        "    def __init__(self, *args): m.EntityID_swiginit(self, m.new_EntityID(*args))\n"
        "    __eq__ = lambda s, o: m.__eq__(s, o)\n"
        "    __lt__ = lambda s, o: m.__lt__(s, o)\n"
        "m.EntityID_swigregister(EntityID)\n"
        "a = EntityID(1, 2)\n"
        "print(a == EntityID(1, 2), a == 5, a < EntityID(1, 3), type(m.EntityID_fromString('1-2')).__name__)\n"
        "try:\n"
        "    a < 5\n"
        "except TypeError as e:\n"
        "    print(e)\n")
    assert (rc, err) == (0, "")
    assert out == ("True False True EntityID\n"
                   "'<' not supported between instances of 'EntityID' and 'int'\n")


RECORD = "OrvaneSDK::Model::CEntityID const &"


@pytest.mark.parametrize("name, wrong, text", [
    ("EntityID_toString", 5, ID_CONST_PTR), ("EntityID_toCEntityID", "1-2", ID_CONST_PTR),
    ("EntityID_fromCEntityID", "1-2", RECORD), ("EntityID_fromCEntityID", "identifier", RECORD),
    ("EntityID_fromString", b"1-2", "std::string const &"), ("delete_EntityID", 5, ID_PTR),
    ("EntityID_data", None, ID_PTR),
])
def test_argument_messages(m, ident, name, wrong, text):
    message = "in method '%s', argument 1 of type '%s'" % (name, text)
    if name != "delete_EntityID":  # which takes None
        with pytest.raises(ValueError) as err:
            getattr(m, name)(None)
        assert str(err.value) == "invalid null reference " + message
    if wrong is not None:
        with pytest.raises(TypeError) as err:
            getattr(m, name)(ident(1, 2) if wrong == "identifier" else wrong)
        assert str(err.value) == message


def test_data_messages(m, ident):
    for args in [(5,), ()]:
        with pytest.raises(TypeError) as err:
            m.EntityID_data(*args)
        assert str(err.value) == DATA_MESSAGE
    with pytest.raises(TypeError) as err:
        m.EntityID_data(ident(), 1)
    assert str(err.value) == count_message("EntityID_data", 1, 2) + DATA_MESSAGE


def test_delete_takes_ownership_and_refuses_later_use(m, capfd):
    made = m.new_EntityID(1, 2)
    assert m.delete_EntityID(made) is None and not made.own()
    with pytest.raises(ValueError) as err:
        m.EntityID_toString(made)
    assert str(err.value) == ("invalid null reference in method 'EntityID_toString', argument 1 of type '%s'"
                              % ID_CONST_PTR)
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
    with pytest.raises(TypeError) as err:
        m.EntityID_swiginit(holder)
    assert str(err.value) == "swiginit expected 2 arguments, got 1"


def test_view_of_an_explicitly_deleted_identifier_is_refused(m):
    ident = m.new_EntityID(4, 5)
    view = m.EntityID_data(ident)
    copy = m.new_EntityID(view)
    assert m.EntityID_toString(copy) == "4-5"
    m.delete_EntityID(copy)
    m.delete_EntityID(ident)
    with pytest.raises(ValueError) as err:
        m.new_EntityID(view)
    assert str(err.value) == ("invalid null reference in method 'new_EntityID', argument 1 of type "
                              "'OrvaneSDK::Model::EntityID::data_type const &'")
