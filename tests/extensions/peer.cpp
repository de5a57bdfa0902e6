// _Varnex2TestPeer: a test-only module of the same runtime generation as _Varnex2Python. It shares
// two mangled names with that module's type table, adds one type of its own that derives from
// IHandle, and makes the native iterators that no operation of _Varnex2Python makes.
#include <Python.h>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include "pyruntime/dispatch.h"
#include "pyruntime/iterator.h"
#include "sdk/handle.h"

namespace peer {

/// A library-style object known only to this module; other modules reach it as an IHandle
/// through the cast record this module adds to the shared IHandle descriptor.
class Widget final : public OrvaneSDK::IHandle {
 protected:
  int do_getHandleType(OrvaneSDK::HandleType& type) const override {
    type = OrvaneSDK::HandleType_Functor;
    return 0;
  }
  int do_getLastExceptionMessage(OrvaneSDK::Tools::IString& message) const override {
    static const char text[] = "peer widget message";
    message.assign(text, sizeof text - 1);
    return 0;
  }
  int do_getLastExceptionType(OrvaneSDK::ExceptionType& type) const override {
    type = OrvaneSDK::ExceptionType_Logic_Error;
    return 0;
  }
};
Widget theWidget;

/// Positions first..last of a Python sequence, or the integers first..last when there is none.
/// Stepping past either end throws stop_iteration; reading at `failAt` throws runtime_error.
constexpr Py_ssize_t kNever = PY_SSIZE_T_MIN;
class SequenceIterator : public swig::SwigPyIterator {
 public:
  SequenceIterator(PyObject* seq, Py_ssize_t first, Py_ssize_t last, Py_ssize_t failAt)
      : seq_(seq), first_(first), last_(last), pos_(first), failAt_(failAt) {
    Py_XINCREF(seq_);
  }
  SequenceIterator(const SequenceIterator& o)
      : swig::SwigPyIterator(o), seq_(o.seq_), first_(o.first_), last_(o.last_), pos_(o.pos_), failAt_(o.failAt_) {
    Py_XINCREF(seq_);
  }
  SequenceIterator& operator=(const SequenceIterator&) = delete;
  ~SequenceIterator() override { Py_XDECREF(seq_); }

  PyObject* value() const override {
    if (pos_ == last_) throw swig::stop_iteration();
    if (pos_ == failAt_) throw std::runtime_error("peer iterator cannot read position " + std::to_string(pos_));
    return seq_ ? PySequence_GetItem(seq_, pos_) : PyLong_FromSsize_t(pos_);
  }
  // A step past an end stops there and throws, as stepping one position at a time would.
  SwigPyIterator* incr(size_t n) override {
    if (n > static_cast<size_t>(last_ - pos_)) {
      pos_ = last_;
      throw swig::stop_iteration();
    }
    pos_ += static_cast<Py_ssize_t>(n);
    return this;
  }
  SwigPyIterator* decr(size_t n) override {
    if (n > static_cast<size_t>(pos_ - first_)) {
      pos_ = first_;
      throw swig::stop_iteration();
    }
    pos_ -= static_cast<Py_ssize_t>(n);
    return this;
  }
  std::ptrdiff_t distance(const SwigPyIterator& other) const override { return sameRange(other).pos_ - pos_; }
  bool equal(const SwigPyIterator& other) const override { return sameRange(other).pos_ == pos_; }
  SwigPyIterator* copy() const override { return new SequenceIterator(*this); }

 private:
  const SequenceIterator& sameRange(const SwigPyIterator& other) const {
    auto* o = dynamic_cast<const SequenceIterator*>(&other);
    if (!o || o->seq_ != seq_ || o->first_ != first_ || o->last_ != last_)
      throw std::invalid_argument("peer iterators over different ranges");
    return *o;
  }
  PyObject* seq_;
  Py_ssize_t first_, last_, pos_, failAt_;
};

/// Forward only: value, incr and copy; decr, distance and equal keep the interface's defaults.
class ForwardIterator : public swig::SwigPyIterator {
 public:
  explicit ForwardIterator(SequenceIterator inner) : inner_(std::move(inner)) {}
  PyObject* value() const override { return inner_.value(); }
  SwigPyIterator* incr(size_t n) override {
    inner_.incr(n);
    return this;
  }
  SwigPyIterator* copy() const override { return new ForwardIterator(*this); }

 private:
  SequenceIterator inner_;
};

}  // namespace peer

// This module's table: sorted by mangled name, three names shared with _Varnex2Python.
namespace peer {
using pyrt::CastRecord;
using pyrt::TypeDescriptor;
enum : int { P_IHandle = 0, P_Widget, P_Pair, P_Iterator, kCount };
TypeDescriptor d[kCount] = {
    {"_p_OrvaneSDK__IHandle", "OrvaneSDK::IHandle *", nullptr, nullptr, nullptr, 0},
    {"_p_peer__Widget", "peer::Widget *", nullptr, nullptr, nullptr, 0},
    {"_p_std__pairT_int_int_t", "std::pair< int,int > *", nullptr, nullptr, nullptr, 0},
    {"_p_swig__SwigPyIterator", "swig::SwigPyIterator *", nullptr, nullptr, nullptr, 0},
};
void* widgetToHandle(void* p, int*) { return static_cast<OrvaneSDK::IHandle*>(static_cast<Widget*>(p)); }
CastRecord c_IHandle[] = {{&d[P_IHandle], nullptr, nullptr, nullptr},
                          {&d[P_Widget], widgetToHandle, nullptr, nullptr},
                          {nullptr, nullptr, nullptr, nullptr}};
CastRecord c_Widget[] = {{&d[P_Widget], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastRecord c_Pair[] = {{&d[P_Pair], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastRecord c_Iterator[] = {{&d[P_Iterator], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
TypeDescriptor* initialTypes[kCount] = {&d[P_IHandle], &d[P_Widget], &d[P_Pair], &d[P_Iterator]};
CastRecord* initialCasts[kCount] = {c_IHandle, c_Widget, c_Pair, c_Iterator};
TypeDescriptor* types[kCount + 1];
pyrt::ModuleTypeTable table = {types, kCount, nullptr, initialTypes, initialCasts, nullptr};

/// Index of a mangled name in this module's table, or -1.
int indexOf(const std::string& name) {
  for (int i = 0; i < kCount; ++i)
    if (name == d[i].name) return i;
  return -1;
}
}  // namespace peer

#define PEER_TYPE(Native, Index, Name)                                            \
  template <>                                                                      \
  struct pyrt::TypeOf<Native> {                                                    \
    static pyrt::TypeDescriptor* descriptor() { return peer::types[peer::Index]; } \
    static constexpr const char* name = Name;                                      \
  }
PEER_TYPE(OrvaneSDK::IHandle, P_IHandle, "OrvaneSDK::IHandle");
PEER_TYPE(peer::Widget, P_Widget, "peer::Widget");
PEER_TYPE(swig::SwigPyIterator, P_Iterator, "swig::SwigPyIterator");
using PeerIntPair = std::pair<std::int32_t, std::int32_t>;
PEER_TYPE(PeerIntPair, P_Pair, "std::pair< std::int32_t,std::int32_t >");

namespace peer {
namespace {
using namespace pyrt;

// Sequence argument: anything with a length and items by position.
Raw iterate(PyObject* seq, Py_ssize_t failAt, bool forward) {
  if (!PySequence_Check(seq)) {
    PyErr_SetString(PyExc_TypeError, "a sequence is required");
    return {nullptr};
  }
  Py_ssize_t size = PySequence_Size(seq);
  if (size < 0) return {nullptr};
  SequenceIterator it(seq, 0, size, failAt);
  if (forward) return {toPython(owned<swig::SwigPyIterator>(new ForwardIterator(it)))};
  return {toPython(owned<swig::SwigPyIterator>(new SequenceIterator(it)))};
}

constexpr auto widget_ = single("widget", []() { return unowned(&theWidget); });
constexpr auto handleType_ =
    single("handle_type", [](Self<const OrvaneSDK::IHandle> h) { return static_cast<int>(h->getHandleType()); });
constexpr auto descriptorIsOwn_ = single("descriptor_is_own", [](const String& name) {
  int i = indexOf(name);
  if (i < 0) throw std::invalid_argument("no such type in the peer table: " + std::string(name));
  return types[i] == &d[i];
});
constexpr auto sameDescriptor_ = single("same_descriptor", [](AnyObject obj, const String& name) {
  int i = indexOf(name);
  SwigPyObject* sp = findProxy(obj);
  if (i < 0 || !sp) throw std::invalid_argument("a proxy and a name of the peer table are required");
  return sp->ty == types[i];
});
constexpr auto sequenceIterator_ = overloads(
    "sequence_iterator", protos("peer::sequence_iterator(PyObject *)", "peer::sequence_iterator(PyObject *,ptrdiff_t)"),
    [](AnyObject seq) { return iterate(seq, kNever, false); },
    [](AnyObject seq, PtrDiff failAt) { return iterate(seq, failAt, false); });
// No module function makes a pair; owned ones are released by the destroy bound at import.
constexpr auto intPair_ = single("int_pair", [](Int<std::int32_t> first, Int<std::int32_t> second) {
  return owned(new PeerIntPair(first, second));
});
PyObject* deletePair(PyObject*, PyObject* arg) {
  void* p = nullptr;
  if (convertPointer(arg, &p, types[P_Pair], kDisown, nullptr) < 0) {
    PyErr_SetString(PyExc_TypeError, "pair expected");
    return nullptr;
  }
  delete static_cast<PeerIntPair*>(p);
  Py_RETURN_NONE;
}
constexpr auto rangeIterator_ = single("range_iterator", [](PtrDiff first, PtrDiff last) {
  if (last < first || first < -(PY_SSIZE_T_MAX / 2) || last > PY_SSIZE_T_MAX / 2)
    throw std::invalid_argument("range_iterator needs first <= last within half the ptrdiff_t range");
  return owned<swig::SwigPyIterator>(new SequenceIterator(nullptr, first, last, kNever));
});
constexpr auto forwardIterator_ =
    single("forward_iterator", [](AnyObject seq) { return iterate(seq, kNever, true); });

const Row rows[] = {
    def<widget_>("The peer's static widget, an IHandle of a type only this module knows"),
    def<handleType_>("IHandle::getHandleType through this module's conversion"),
    def<descriptorIsOwn_>("True when this module uses its own descriptor for the mangled name"),
    def<sameDescriptor_>("True when the object's proxy has the descriptor this module uses for the name"),
    def<sequenceIterator_>("Owned iterator over a sequence; reading at fail_at raises a native error"),
    def<intPair_>("Owned std::pair of two 32-bit ints"),
    def<rangeIterator_>("Owned iterator over the integers first..last-1"),
    def<forwardIterator_>("Owned iterator over a sequence without decr, distance and equal"),
    kEndOfRows,
};
PyModuleDef moduleDef = {PyModuleDef_HEAD_INIT, "_Varnex2TestPeer", "Test-only peer of _Varnex2Python", -1,
                         nullptr, nullptr, nullptr, nullptr, nullptr};
}  // namespace
}  // namespace peer

PyMODINIT_FUNC PyInit__Varnex2TestPeer() {
  if (!pyrt::initSingletons()) return nullptr;
  const pyrt::Row* const runs[] = {peer::rows};
  PyObject* module = pyrt::createModule(&peer::moduleDef, runs, 1, PYTHON_API_VERSION);
  if (!module) return nullptr;
  pyrt::installTypeTable(&peer::table);
  pyrt::bindNativeDestroy(peer::types[peer::P_Pair], peer::deletePair, "delete_pair");
  return module;
}
