// Wrappers of the Python-side iterator over native sequences made by other modules of the registry.
#include <memory>
#include "module/table.h"
#include "module/types.h"

namespace v2py {
namespace {
using namespace pyrt;
using It = swig::SwigPyIterator;
using Other = Ref<const It>;

// Exhaustion while stepping or reading: StopIteration with None as its value. An iterator of a
// module with its own C++ runtime throws a type of that runtime, matched by name (see caught);
// anything else goes on to the general guard.
template <class F>
Raw untilExhausted(F&& f) {
  try {
    return {toPython(f())};
  } catch (const swig::stop_iteration&) {
  } catch (...) {
    if (!caught<swig::stop_iteration>()) throw;
  }
  PyErr_SetObject(PyExc_StopIteration, Py_None);
  return {nullptr};
}

// A refused distance or equality: a copy of the exception, owned by its proxy, becomes the value
// of the class bound to its type, or of RuntimeError when none is bound.
Raw refused(const std::invalid_argument& e) {
  TypeDescriptor* ty = TypeOf<std::invalid_argument>::descriptor();
  // A copy of this runtime's type, also of a foreign one (its text read through what()).
  PyObject* value = newProxy(new std::invalid_argument(e.what()), ty, kOwn);
  if (!value) return {nullptr};
  ClassBinding* binding = ty->clientdata;
  PyErr_SetObject(binding && binding->klass ? binding->klass : PyExc_RuntimeError, value);
  Py_DECREF(value);
  return {nullptr};
}
template <class F>
Raw refusingInvalid(F&& f) {
  try {
    return {toPython(f())};
  } catch (const std::invalid_argument& e) {
    return refused(e);
  } catch (...) {
    const std::invalid_argument* e = caught<std::invalid_argument>();
    if (!e) throw;
    return refused(*e);
  }
}

// Advances by n, or by -n when `back`: incr when the step is positive, else decr (decr(0) for 0).
// The magnitude is taken unsigned, so the most negative n needs no signed negation.
It* advanceBy(It& it, std::ptrdiff_t n, bool back) {
  const size_t magnitude = n < 0 ? size_t{0} - static_cast<size_t>(n) : static_cast<size_t>(n);
  return (back ? n < 0 : n > 0) ? it.incr(magnitude) : it.decr(magnitude);
}

// Other native exceptions fall through to the general guard of every form.
constexpr auto delete_SwigPyIterator = single("delete_SwigPyIterator", [](const Disowned<It, true>& it) {
  delete it.release();
  it.forget();
});
constexpr auto value_ = single("SwigPyIterator_value", [](Self<const It> it) {
  return untilExhausted([&] { return Raw{it->value()}; });
});
// Steps answer unowned views of the iterator they return, which keep the stepped iterator's
// proxy alive: dropping the iterator then never leaves a view pointing at a freed one.
Raw viewOf(It* stepped, const Viewed<It>& it) { return {newView(stepped, TypeOf<It>::descriptor(), it.source, 0)}; }
template <It* (It::*Step)(size_t), size_t N>
constexpr auto stepper(const char* name, Protos<N> p) {
  return overloads(
      name, p,
      [](const Viewed<It>& it) { return untilExhausted([&] { return viewOf((it.get()->*Step)(1), it); }); },
      [](const Viewed<It>& it, Size n) { return untilExhausted([&] { return viewOf((it.get()->*Step)(n), it); }); });
}
constexpr auto incr_ = stepper<&It::incr>(
    "SwigPyIterator_incr", protos("swig::SwigPyIterator::incr(size_t)", "swig::SwigPyIterator::incr()"));
constexpr auto decr_ = stepper<&It::decr>(
    "SwigPyIterator_decr", protos("swig::SwigPyIterator::decr(size_t)", "swig::SwigPyIterator::decr()"));
constexpr auto distance_ = single("SwigPyIterator_distance", [](Self<const It> it, Other other) {
  return refusingInvalid([&] { return static_cast<long long>(it->distance(*other)); });
});
constexpr auto equal_ = single("SwigPyIterator_equal", [](Self<const It> it, Other other) {
  return refusingInvalid([&] { return it->equal(*other); });
});
constexpr auto copy_ = single("SwigPyIterator_copy", [](Self<const It> it) { return owned(it->copy()); });
constexpr auto next_ = single("SwigPyIterator_next", [](Self<It> it) {
  return untilExhausted([&] { return Raw{it->next()}; });
});
constexpr auto dunderNext_ = single("SwigPyIterator___next__", [](Self<It> it) {
  return untilExhausted([&] { return Raw{it->next()}; });
});
constexpr auto previous_ = single("SwigPyIterator_previous", [](Self<It> it) {
  return untilExhausted([&] { return Raw{it->previous()}; });
});
constexpr auto advance_ = single("SwigPyIterator_advance", [](const Viewed<It>& it, PtrDiff n) {
  return untilExhausted([&] { return viewOf(advanceBy(*it, n, false), it); });
});

// The binary operators answer NotImplemented for operands they cannot take.
constexpr auto eq_ = single("SwigPyIterator___eq__", [](Self<const It> it, Other other) { return it->equal(*other); });
constexpr auto ne_ = single("SwigPyIterator___ne__", [](Self<const It> it, Other other) { return !it->equal(*other); });

// In place: ownership moves from the argument to the result once the step succeeded. The
// argument's proxy keeps the result's proxy alive out of sight, so that an alias of the argument
// stays usable when the result is dropped. An argument that owned nothing hands nothing on: its
// result is a view that keeps the argument alive, so the iterator never gets a second owner.
PyObject* movedOwner(It* moved, const Disowned<It>& it) {
  TypeDescriptor* ty = TypeOf<It>::descriptor();
  if (!it.source || !it.source->own) return newView(moved, ty, it.source, 0);
  PyObject* result = newProxy(moved, ty, kOwn | kNoShadow);
  if (!result) return nullptr;
  it.release();
  Py_INCREF(result);
  Py_XSETREF(it.source->keep, result);  // the result holds the runtime capsule in its stead
  return shadowed(result, ty);
}
template <bool Back>
constexpr auto inPlace(const char* name) {
  return single(name, [](const Disowned<It>& it, PtrDiff n) {
    return untilExhausted([&] { return Raw{movedOwner(advanceBy(*it, n, Back), it)}; });
  });
}
constexpr auto iadd_ = inPlace<false>("SwigPyIterator___iadd__");
constexpr auto isub_ = inPlace<true>("SwigPyIterator___isub__");

// A copy moved by n; the copy is freed again when the step fails.
Proxy<It, kOwn> movedCopy(const It& it, std::ptrdiff_t n, bool back) {
  std::unique_ptr<It> copy(it.copy());
  It* moved = advanceBy(*copy, n, back);
  copy.release();
  return owned(moved);
}
constexpr auto add_ = single("SwigPyIterator___add__", [](Self<const It> it, PtrDiff n) {
  return untilExhausted([&] { return movedCopy(*it, n, false); });
});
constexpr auto sub_ = overloads(
    "SwigPyIterator___sub__",
    protos("swig::SwigPyIterator::operator -(ptrdiff_t) const",
           "swig::SwigPyIterator::operator -(swig::SwigPyIterator const &) const"),
    [](Self<const It> it, Other other) {
      return untilExhausted([&] { return static_cast<long long>(other->distance(*it)); });
    },
    [](Self<const It> it, PtrDiff n) { return untilExhausted([&] { return movedCopy(*it, n, true); }); });

constexpr Custom SwigPyIterator_swigregister{"SwigPyIterator_swigregister", swigregister<T_SwigPyIterator>, METH_O};

}  // namespace

const Row iteratorMethods[] = {
    def<delete_SwigPyIterator>(), def<value_>(),    def<incr_>(),     def<decr_>(),      def<distance_>(),
    def<equal_>(),                def<copy_>(),     def<next_>(),     def<dunderNext_>(), def<previous_>(),
    def<advance_>(),              defOperator<eq_>(), defOperator<ne_>(), def<iadd_>(),     def<isub_>(),
    defOperator<add_>(),          defOperator<sub_>(), def<SwigPyIterator_swigregister>(),
    kEndOfRows,
};

}  // namespace v2py
