// Wrappers of the Python-side iterator over native sequences made by other modules of the registry.
#include <memory>
#include "module/table.h"
#include "module/types.h"

namespace v2py {
namespace {
using namespace pyrt;
using It = swig::SwigPyIterator;
using Other = Ref<const It>;

// Exhaustion while stepping or reading: StopIteration with None as its value.
template <class F>
Raw untilExhausted(F&& f) {
  try {
    return {toPython(f())};
  } catch (const swig::stop_iteration&) {
    PyErr_SetObject(PyExc_StopIteration, Py_None);
    return {nullptr};
  }
}

// A refused distance or equality: a copy of the exception, owned by its proxy, becomes the value
// of the class bound to its type, or of RuntimeError when none is bound.
template <class F>
Raw refusingInvalid(F&& f) {
  try {
    return {toPython(f())};
  } catch (const std::invalid_argument& e) {
    TypeDescriptor* ty = TypeOf<std::invalid_argument>::descriptor();
    PyObject* value = newProxy(new std::invalid_argument(e), ty, kOwn);
    if (!value) return {nullptr};
    ClassBinding* binding = ty->clientdata;
    PyErr_SetObject(binding && binding->klass ? binding->klass : PyExc_RuntimeError, value);
    Py_DECREF(value);
    return {nullptr};
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
template <It* (It::*Step)(size_t), size_t N>
constexpr auto stepper(const char* name, Protos<N> p) {
  return overloads(
      name, p, [](Self<It> it) { return untilExhausted([&] { return unowned((it.get()->*Step)(1)); }); },
      [](Self<It> it, Size n) { return untilExhausted([&] { return unowned((it.get()->*Step)(n)); }); });
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
constexpr auto advance_ = single("SwigPyIterator_advance", [](Self<It> it, PtrDiff n) {
  return untilExhausted([&] { return unowned(advanceBy(*it, n, false)); });
});

// The binary operators answer NotImplemented for operands they cannot take.
constexpr auto eq_ = single("SwigPyIterator___eq__", [](Self<const It> it, Other other) { return it->equal(*other); });
constexpr auto ne_ = single("SwigPyIterator___ne__", [](Self<const It> it, Other other) { return !it->equal(*other); });

// In place: the result takes over the native iterator from the argument, once the step succeeded.
template <bool Back>
constexpr auto inPlace(const char* name) {
  return single(name, [](const Disowned<It>& it, PtrDiff n) {
    return untilExhausted([&] {
      It* moved = advanceBy(*it, n, Back);
      it.release();
      return owned(moved);
    });
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
