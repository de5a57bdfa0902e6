"""Attributes as the interface their kind names, so links, lists, arrays and shortcuts can be followed.
The package tests call downcast() as a method of the attribute classes."""
import pytest

from owned_tools import raises
from proxy_tools import type_name

KINDS = {7: "ILinkAttribute", 8: "IListAttribute", 10: "IArrayAttribute", 9: "IShortcutAttribute",
         5: "ICompositeAttribute", 6: "IEntity", 11: "IAttribute", 1: "IAttribute", 3: "IAttribute"}


@pytest.fixture
def downcast():
    import _Varnex2Downcast

    return _Varnex2Downcast.downcast


def attributes(m, collection):
    for i in range(m.IEntityCollection_getNumberOfEntities(collection)):
        entity = m.IEntityCollection_getEntity(collection, i)
        for j in range(m.ICompositeAttribute_getNumberOfAttributes(entity, True)):
            yield m.ICompositeAttribute_getAttribute(entity, j, True)


def test_every_kind_becomes_its_interface(m, collection, downcast):
    seen = set()
    for attribute in attributes(m, collection):
        kind = m.IAttribute_getAttributeType(attribute)
        cast = downcast(attribute)
        assert type_name(cast) == "OrvaneSDK::Model::%s *" % KINDS.get(kind, "IAttribute")
        assert int(cast) == int(attribute) and cast.own() is False
        seen.add(kind)
    assert {5, 7, 8, 9, 10} <= seen


def test_links_and_shortcuts_can_be_followed(m, standin, collection, downcast):
    link = downcast(m.ICompositeAttribute_getAttribute(m.IEntityCollection_getEntity(collection, "Pipe", 0),
                                                       "Upstream"))
    assert m.IEntity_getName(m.ILinkAttribute_getEntity(link), True) == "CoolingLoop/Pump1"
    for attribute in attributes(m, collection):
        if m.IAttribute_getAttributeType(attribute) == 9:
            target = m.IShortcutAttribute_getFirstValidShortcut(downcast(attribute))
            assert m.IAttribute_getAttributeType(target) != 9


@pytest.mark.parametrize("bad", [None, 5, "x"])
def test_refuses_what_is_not_an_attribute(m, manager, downcast, bad):
    for value in (bad, manager):
        raises(TypeError, "downcast() takes an attribute object", downcast, value)


def test_library_failure_is_reported(m, standin, collection, downcast):
    entity = m.IEntityCollection_getEntity(collection, 0)
    standin.fail_next(int(entity), 3, -3, "kind unknown")
    raises(RuntimeError, "kind unknown", downcast, entity)
