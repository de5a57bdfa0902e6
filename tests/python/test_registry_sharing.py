"""Two modules of the same runtime generation share one type registry: the first module's
descriptor serves both, proxies made by either convert in both, cast records and class
bindings added by one are seen by the other."""
import pytest

from owned_tools import arg_message, owned, raises, run_same  # noqa: F401
from proxy_tools import cast_list

peer = pytest.importorskip("_Varnex2TestPeer")

SHARED = ["_p_OrvaneSDK__IHandle", "_p_std__pairT_int_int_t", "_p_swig__SwigPyIterator"]


def test_the_first_module_descriptors_serve_both(m, owned):
    assert [peer.descriptor_is_own(name) for name in SHARED] == [False] * 3
    assert peer.descriptor_is_own("_p_peer__Widget")
    copy = owned(m.SwigPyIterator_copy(owned(peer.range_iterator(0, 2), m.delete_SwigPyIterator)),
                 m.delete_SwigPyIterator)
    assert peer.same_descriptor(copy, "_p_swig__SwigPyIterator")


def test_peer_proxy_converts_here_through_the_cast_record_it_added(m):
    widget = peer.widget()
    assert type(widget) is not type(m.version()) and type(widget).__name__ == "SwigPyObject"
    assert repr(widget).startswith("<Swig Object of type 'peer::Widget *' at 0x")
    assert (m.IHandle_getHandleType(widget), m.IHandle_getLastExceptionType(widget),
            m.IHandle_getLastExceptionMessage(widget)) == (202, -3, "peer widget message")


def test_peer_type_is_no_other_interface_here(m):
    raises(TypeError, arg_message("ISolverManager_versionString", 1, "OrvaneSDK::ISolverManager const *"),
           m.ISolverManager_versionString, peer.widget())


def test_proxies_made_here_convert_in_the_peer(m, manager, collection):
    assert (peer.handle_type(manager), peer.handle_type(collection)) == (2, 6)
    raises(TypeError, arg_message("handle_type", 1, "OrvaneSDK::IHandle const *"), peer.handle_type, m.version())


# The peer founds the registry; a class bound through this module then wraps the peer's proxies,
# so the binding went to the shared descriptor, not to one of this module's own.
def test_peer_imported_first_founds_the_registry(run_same):
    rc, out, err = run_same(
        "import _Varnex2TestPeer as peer\n"
        "import _Varnex2Python as m\n"
        "print([peer.descriptor_is_own(n) for n in %r])\n"
        "mgr = m.ISolverManager_instance()\n"
        "it = peer.range_iterator(3, 5)\n"
        "copy = m.SwigPyIterator_copy(it)\n"
        "print(peer.same_descriptor(copy, '_p_swig__SwigPyIterator'), m.SwigPyIterator_value(copy))\n"
        "print(m.IHandle_getHandleType(mgr), peer.handle_type(mgr), m.IHandle_getHandleType(peer.widget()))\n"
        "m.delete_SwigPyIterator(copy)\n"
        "m.delete_SwigPyIterator(it)\n"
        "class Iterator:\n"
        "    __swig_destroy__ = m.delete_SwigPyIterator\n"
        "m.SwigPyIterator_swigregister(Iterator)\n"
        "it = peer.sequence_iterator('ab')\n"
        "print(type(it).__name__, type(it.this).__name__, it.this.own(), m.SwigPyIterator_next(it))\n"
        "del it\n" % SHARED, preamble="")
    assert (rc, err) == (0, "")
    assert out == "[True, True, True]\nTrue 3\n2 2 202\nIterator SwigPyObject True a\n"


# A conversion leaves the source's record at the front of the target's cast list, also when the
# derived type is taken as remembered from an earlier call, after another module or another
# argument of this one moved another record there.
@pytest.mark.parametrize("mover", ["here", "peer"])
def test_a_remembered_source_goes_back_to_the_front(m, manager, collection, mover):
    handle = "_p_OrvaneSDK__IHandle"
    for _ in range(2):  # the second time found in front, so remembered
        assert m.IHandle_getHandleType(manager) == m.HandleType_SolverManager
    assert cast_list(handle)[0] == "_p_OrvaneSDK__ISolverManager"
    assert (m.IHandle_getHandleType if mover == "here" else peer.handle_type)(collection) == 6
    assert cast_list(handle)[0] == "_p_OrvaneSDK__Model__IEntityCollection"
    assert m.IHandle_getHandleType(manager) == m.HandleType_SolverManager
    assert cast_list(handle)[:2] == ["_p_OrvaneSDK__ISolverManager", "_p_OrvaneSDK__Model__IEntityCollection"]
