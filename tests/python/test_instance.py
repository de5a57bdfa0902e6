"""Class instances keep their proxy in a slot and make their dict on request.

What Python code sees must be what a plain class shows with `this` set first in the instance
dict: each case runs the same statements on a class instance and on such a plain object (a class
of the same name) and compares the outcome, errors and their texts included.
"""
import copy
import gc
import pickle
import weakref

import pytest

from child_tests import CHILD, only_in_child

if CHILD:
    import _Varnex2Python as V
    import Varnex2Python as vx


def outcome(code, obj, other):
    space = dict(obj=obj, other=other, copy=copy)
    try:
        exec(code, space)
        return "ok", space.get("result")
    except Exception as error:
        return type(error), str(error)


@pytest.mark.parametrize("code", [
    "result = vars(obj)",
    "result = obj.this",
    "obj.x = 1; result = vars(obj)",
    "obj.x = 1; obj.this = 7; result = vars(obj)",
    "obj.x = 1; del obj.this; obj.this = 7; result = vars(obj)",
    "del obj.this; result = vars(obj)",
    "del obj.this; result = obj.this",
    "del obj.this; del obj.this",
    "obj.__dict__['y'] = 2; del obj.this; result = vars(obj)",
    "obj.__dict__ = {'y': 2}; result = obj.this",
    "obj.__dict__ = {'y': 2, 'this': other}; result = (obj.this, vars(obj))",
    "obj.__dict__ = 5",
    "del obj.__dict__; result = vars(obj)",
    "del obj.__dict__; result = obj.this",
    "obj.this = other; result = (obj.this, list(vars(obj)))",
    "result = type(obj).this",
    "result = hasattr(type(obj), 'this')",
    "result = sorted(set(dir(obj)) & {'this', 'x', '__dict__', '__weakref__'})",
    "d = vars(obj); obj.z = 3; result = d",  # the dict handed out is the live one
    "result = vars(copy.copy(obj))",
    "obj.x = [1]; twin = copy.copy(obj); result = (vars(twin), twin.x is obj.x)",
])
def test_attributes_as_with_this_first_in_the_dict(collection, code):
    entity, other = collection.getEntity(3), collection.getEntity(4).this
    plain = type(type(entity).__name__, (), {})()
    plain.this = entity.this
    assert outcome(code, entity, other) == outcome(code, plain, other)


def test_pickling_stops_at_the_proxy(collection):
    with pytest.raises(TypeError, match="^cannot pickle 'SwigPyObject' object$"):
        pickle.dumps(collection.getEntity(3))


def test_calls_follow_this_through_every_change(collection):
    pump, pipe = collection.getEntity("Pump", "Pump1"), collection.getEntity(4)
    assert pump.getName(True) == "CoolingLoop/Pump1"
    vars(pump)  # moves `this` into the dict: calls read it from there
    assert V.IEntity_getName(pump, True) == pump.getName(True) == "CoolingLoop/Pump1"
    pump.this = pipe.this
    assert pump.getName(True) == pipe.getName(True)
    del pump.this
    with pytest.raises(TypeError, match="^Wrong number or type of arguments for overloaded function 'IEntity_getName'"):
        pump.getName(True)


def test_instances_are_collected_and_weakly_referenced(collection):
    entity = collection.getEntity(3)
    entity.me = entity  # a cycle through the dict
    ref = weakref.ref(entity)
    del entity
    gc.collect()
    assert ref() is None


@pytest.mark.parametrize("extra", [
    {"__del__": lambda self: self.log.append(self.getName(True))},
    {"__slots__": ("kept",)},
])
def test_bound_classes_that_add_to_the_base_are_freed_as_they_say(collection, extra):
    log = []
    Cls = type("Entity", (vx.IEntity,), dict(extra, log=log))
    V.IEntity_swigregister(Cls)
    try:
        entity = collection.getEntity(3)
        assert type(entity) is Cls
        if "__slots__" in extra:
            entity.kept = entity.this
        name = entity.getName(True)
        del entity
        gc.collect()
        assert log == ([name] if "__del__" in extra else [])
    finally:
        V.IEntity_swigregister(vx.IEntity)


def test_freed_instances_come_back_as_new_ones(collection):
    # Freed instances are reused for later results: each must start tracked, empty and of the
    # class its result asks for, whatever it was before.
    root = collection.getRootEntity(0)
    for _ in range(3):
        made = [collection.getEntity(i % 4) for i in range(40)] + [root.getAttribute("Pump1/Stages")]
        for obj in made:
            obj.left = obj  # a dict and a cycle on every one
        del made
        gc.collect()
    for obj in (collection.getEntity(2), root.getAttribute("Pump1/Stages")):
        assert gc.is_tracked(obj) and vars(obj) == {"this": obj.this} and weakref.ref(obj)() is obj
    assert type(collection.getEntity(2)) is vx.IEntity


def test_a_finalised_instance_is_not_reused(collection):
    kept = []
    Cls = type("Entity", (vx.IEntity,), {"__del__": lambda self: kept.append(self)})  # brought back
    V.IEntity_swigregister(Cls)
    try:
        collection.getEntity(3)
    finally:
        V.IEntity_swigregister(vx.IEntity)
    revived = kept.pop()
    revived.__class__ = vx.IEntity  # no finaliser now: freed through the class dealloc
    del revived
    seen = []
    Later = type("Entity", (vx.IEntity,), {"__del__": lambda self: seen.append(1)})
    V.IEntity_swigregister(Later)
    try:
        for _ in range(40):
            collection.getEntity(3)
    finally:
        V.IEntity_swigregister(vx.IEntity)
    assert seen == [1] * 40


def test_finaliser_added_after_binding_runs(collection):
    Cls = type("Entity", (vx.IEntity,), {})
    V.IEntity_swigregister(Cls)
    try:
        seen = []
        name = collection.getEntity(3).getName(True)  # freed the direct way
        Cls.__del__ = lambda self: seen.append(self.getName(True))
        collection.getEntity(3)
        gc.collect()
        assert seen == [name]
    finally:
        V.IEntity_swigregister(vx.IEntity)


def test_subclass_of_a_bound_class_is_freed_through_the_interpreter(collection):
    log = []

    class Sub(vx.IEntity):
        __slots__ = ("kept",)

        def __del__(self):
            log.append((self.kept, self.getName(True)))

    obj = Sub.__new__(Sub)
    obj.this, obj.kept = collection.getEntity(3).this, 5
    del obj
    gc.collect()
    assert log == [(5, collection.getEntity(3).getName(True))]


class _Collider(str):
    """A key equal to 'this' in hash only, whose comparison runs Python code."""

    def __hash__(self):
        return hash("this")

    def __eq__(self, other):
        if self.target is not None:
            target, self.target = self.target, None
            target.this = self.replacement
        return str.__eq__(self, other)


def test_dict_made_while_code_sets_this_again(collection):
    entity, other = collection.getEntity(3), collection.getEntity(4).this
    key = _Collider("thus")
    key.target, key.replacement = entity, other
    setattr(entity, key, 1)  # goes into the dict; the slot keeps `this`
    d = vars(entity)  # moving `this` in front compares the keys, which sets `this` again
    assert d["this"] is other and d[key] == 1 and entity.this is other
    assert entity.getName(True) == V.IEntity_getName(other, True)


def test_the_base_refuses_foreign_objects():
    this = vars(vx._Instance)["this"]
    with pytest.raises(TypeError, match="doesn't apply to a 'int' object"):
        this.__get__(5)
    with pytest.raises(TypeError, match="doesn't apply to a 'int' object"):
        this.__set__(5, None)



# Methods take over a builtin's entry: a call through an instance behaves as the builtin called
# with the instance first, whatever kind of builtin it is.
@pytest.mark.parametrize("function, base, value, args", [
    (len, list, [1, 2], ""),
    (len, list, [1, 2], "1"),  # count error, with the builtin's own text
    (len, list, [1, 2], "x=1"),  # keywords refused, same text
    (isinstance, int, 3, "int"),  # fast call
    (max, int, 3, "-5, key=abs"),  # argument tuple with keywords: called the general way
    (dict.fromkeys, list, [1, 2], "0"),  # a class's builtin, bound to the class
    (getattr, int, 3, "'real'"),
    (str.upper, str, "ab", ""),  # not a builtin function: called the general way
])
def test_methods_call_any_builtin_as_itself(function, base, value, args):
    from _Varnex2Downcast import method
    obj = type("C", (base,), {"f": method(function)})(value)

    def run(code):
        space = dict(function=function, obj=obj)
        try:
            exec("result = " + code, space)
            return "ok", space["result"]
        except Exception as error:
            return type(error), str(error)
    assert run("obj.f(%s)" % args) == run("function(obj%s)" % (", " + args if args else ""))


# The method descriptor is made of exactly one callable, given by position.
@pytest.mark.parametrize("args, kwargs, message", [
    ((len,), {"x": 1}, "_Varnex2Downcast.method() takes no keyword arguments"),
    ((), {"function": len}, "_Varnex2Downcast.method() takes no keyword arguments"),
    ((), {}, "_Varnex2Downcast.method expected 1 argument, got 0"),
    ((len, len), {}, "_Varnex2Downcast.method expected 1 argument, got 2"),
    ((1,), {}, "_Varnex2Downcast.method() needs a callable, not 'int'"),
])
def test_method_descriptor_takes_one_callable_by_position(args, kwargs, message):
    from _Varnex2Downcast import method
    with pytest.raises(TypeError) as raised:
        method(*args, **kwargs)
    assert str(raised.value) == message


only_in_child(globals(), __file__)
