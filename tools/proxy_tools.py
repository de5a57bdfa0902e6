"""Test-only access to proxies and method-table entries through ctypes.

No module function makes a proxy of a pointer type such as `float *` or `Tools::IString *`, or
turns an `IAttribute` proxy into one of a derived interface. These helpers do both by writing the
native pointer and type descriptor of a fresh unowned proxy, with the descriptor found in the
runtime's registry capsule by mangled name. They also read a builtin function's flags.
"""
import ctypes
import sys

_GetPointer = ctypes.pythonapi.PyCapsule_GetPointer
_GetPointer.argtypes = [ctypes.py_object, ctypes.c_char_p]
_GetPointer.restype = ctypes.c_void_p

CAPSULE = b"swig_runtime_data4.type_pointer_capsule"


class _ModuleTable(ctypes.Structure):
    _fields_ = [("types", ctypes.POINTER(ctypes.c_void_p)), ("size", ctypes.c_size_t), ("next", ctypes.c_void_p)]


class _Proxy(ctypes.Structure):
    _fields_ = [("refcnt", ctypes.c_ssize_t), ("type", ctypes.c_void_p), ("ptr", ctypes.c_void_p),
                ("ty", ctypes.c_void_p), ("own", ctypes.c_int), ("next", ctypes.c_void_p)]


class _MethodDef(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("meth", ctypes.c_void_p), ("flags", ctypes.c_int),
                ("doc", ctypes.c_char_p)]


class _CFunction(ctypes.Structure):
    _fields_ = [("refcnt", ctypes.c_ssize_t), ("type", ctypes.c_void_p), ("ml", ctypes.POINTER(_MethodDef))]


def descriptor(mangled):
    """Address of the registry's type descriptor with this mangled name."""
    head = _GetPointer(sys.modules["swig_runtime_data4"].type_pointer_capsule, CAPSULE)
    table = head
    while True:
        t = _ModuleTable.from_address(table)
        for i in range(t.size):
            d = t.types[i]
            if d and ctypes.c_char_p.from_address(d).value == mangled.encode():
                return d
        table = t.next
        if not table or table == head:
            raise KeyError(mangled)


def proxy_of(obj):
    """The bare proxy behind an object (itself, or its `this`)."""
    while type(obj).__name__ != "SwigPyObject":
        obj = obj.this
    return obj


def retype(obj, mangled):
    """Makes the proxy of obj claim the given type; the address stays."""
    proxy = proxy_of(obj)
    _Proxy.from_address(id(proxy)).ty = descriptor(mangled)
    return obj


def forge(m, mangled, address):
    """A new unowned proxy of the given type and native address."""
    proxy = proxy_of(m.ISolverManager_instance())
    view = _Proxy.from_address(id(proxy))
    view.ty = descriptor(mangled)
    view.ptr = address
    return proxy


def type_name(obj):
    """The display name of an object's proxy type, as its representation shows it."""
    text = repr(proxy_of(obj))
    return text[len("<Swig Object of type '"):text.index("' at 0x")]


def flags(fn):
    """The calling-convention flags of a builtin function's method-table entry."""
    return _CFunction.from_address(id(fn)).ml.contents.flags


METH_VARARGS, METH_NOARGS, METH_O = 1, 4, 8


class _CastRecord(ctypes.Structure):
    _fields_ = [("type", ctypes.c_void_p), ("converter", ctypes.c_void_p), ("next", ctypes.c_void_p),
                ("prev", ctypes.c_void_p)]


def cast_list(mangled):
    """Mangled names of the source types in the cast list of a registry type, head first."""
    names = []
    record = ctypes.c_void_p.from_address(descriptor(mangled) + 3 * ctypes.sizeof(ctypes.c_void_p)).value
    while record:
        view = _CastRecord.from_address(record)
        names.append(ctypes.c_char_p.from_address(view.type).value.decode())
        record = view.next
    return names
