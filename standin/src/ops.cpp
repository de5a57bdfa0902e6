// Rules for reading and writing values (also in standin/README.md):
// - only int, bool, float, double and string attributes hold values (a shortcut acts on
//   its first valid target); any other attribute fails with a logic error;
// - a chronology outside 0..4 is out of range (-4);
// - reading needs read access and a value at that chronology (no value: runtime error -2);
// - writing needs write access and is allowed at Current (takes effect at once) and Next
//   (takes effect when the run steps); earlier chronologies are a logic error (-3);
// - a value that does not convert to or from the attribute's kind fails as values.cpp says.
#include "ops.h"

#include <type_traits>

namespace varnex2_standin {

namespace {

constexpr int kMaxShortcutHops = 16;

bool validChronology(int c) { return c >= kInitial && c <= kNext; }

int badChronology(const Node& node, int chronology, ErrorRecord& err) {
    return failWith(err, kOutOfRange,
                    "chronology " + std::to_string(chronology) + " is not one of 0 to 4 (" + node.describe() + ")");
}

template <class T>
const char* typeName() {
    if (std::is_same<T, int>::value) return "int";
    if (std::is_same<T, bool>::value) return "bool";
    if (std::is_same<T, float>::value) return "float";
    if (std::is_same<T, double>::value) return "double";
    return "string";
}

Conversion convertOut(ValueKind kind, const Scalar& s, int& out) { return toInt(kind, s, out); }
Conversion convertOut(ValueKind kind, const Scalar& s, bool& out) { return toBool(kind, s, out); }
Conversion convertOut(ValueKind kind, const Scalar& s, float& out) { return toFloat(kind, s, out); }
Conversion convertOut(ValueKind kind, const Scalar& s, double& out) { return toDouble(kind, s, out); }
Conversion convertOut(ValueKind kind, const Scalar& s, std::string& out) {
    toText(kind, s, out);
    return {};
}

Conversion convertIn(ValueKind kind, int v, Scalar& s) { return fromInt(kind, v, s); }
Conversion convertIn(ValueKind kind, bool v, Scalar& s) { return fromBool(kind, v, s); }
Conversion convertIn(ValueKind kind, float v, Scalar& s) { return fromFloat(kind, v, s); }
Conversion convertIn(ValueKind kind, double v, Scalar& s) { return fromDouble(kind, v, s); }
Conversion convertIn(ValueKind kind, const std::string& v, Scalar& s) { return fromText(kind, v, s); }

}  // namespace

bool solverWrites = false;

Node* firstValidTarget(const ShortcutNode& shortcut) {
    for (Node* t : shortcut.targets) {
        if (t != nullptr) return t;
    }
    return nullptr;
}

const Node* valueTarget(const Node& node, ErrorRecord& err, int& status) {
    const Node* at = &node;
    for (int hop = 0; at->kind == NodeKind::Shortcut; ++hop) {
        const Node* next = hop < kMaxShortcutHops ? firstValidTarget(static_cast<const ShortcutNode&>(*at)) : nullptr;
        if (next == nullptr) {
            status = failWith(err, kRuntimeError,
                              hop < kMaxShortcutHops ? at->describe() + " has no valid target"
                                                     : node.describe() + " leads through too many shortcuts");
            return nullptr;
        }
        at = next;
    }
    status = kOk;
    return at;
}

template <class T>
int getValue(const Node& node, int chronology, T& out, ErrorRecord& err) {
    int status = kOk;
    const Node* n = valueTarget(node, err, status);
    if (n == nullptr) return status;
    if (!n->isValue())
        return failWith(err, kLogicError, n->describe() + " holds no value to read as " + typeName<T>());
    if (!validChronology(chronology)) return badChronology(*n, chronology, err);
    if ((n->access & kReadOnly) == 0)
        return failWith(err, kLogicError,
                        n->describe() + (n->access == kWriteOnly ? " is write-only" : " has no access"));
    const auto& v = static_cast<const ValueNode&>(*n);
    if (!v.has(chronology))
        return failWith(err, kRuntimeError,
                        n->describe() + " has no value at chronology " + chronologyName(chronology));
    Conversion c = convertOut(v.valueKind(), v.value(chronology), out);
    if (!c) return failWith(err, c.status, n->describe() + ": " + c.reason);
    return kOk;
}

template <class T>
int setValue(Node& node, int chronology, const T& value, ErrorRecord& err) {
    int status = kOk;
    Node* n = const_cast<Node*>(valueTarget(node, err, status));
    if (n == nullptr) return status;
    if (!n->isValue())
        return failWith(err, kLogicError, n->describe() + " holds no value to set from " + typeName<T>());
    if (!validChronology(chronology)) return badChronology(*n, chronology, err);
    if (chronology != kCurrent && chronology != kNext)
        return failWith(err, kLogicError,
                        n->describe() + " cannot be written at chronology " + chronologyName(chronology) +
                            ": only Current and Next can be written");
    if ((n->access & kWriteOnly) == 0 && !solverWrites)
        return failWith(err, kLogicError,
                        n->describe() + (n->access == kReadOnly ? " is read-only" : " has no access"));
    auto& v = static_cast<ValueNode&>(*n);
    Scalar converted;
    Conversion c = convertIn(v.valueKind(), value, converted);
    if (!c) return failWith(err, c.status, n->describe() + ": " + c.reason);
    v.store(*v.owner(), chronology, converted);
    v.present |= static_cast<std::uint8_t>(1u << chronology);
    if (chronology == kNext) v.owner()->notePending(&v);
    return kOk;
}

int hasValue(const Node& node, int chronology, bool& out, ErrorRecord& err) {
    if (!validChronology(chronology)) return badChronology(node, chronology, err);
    const Node* n = &node;
    if (node.kind == NodeKind::Shortcut) {
        int status = kOk;
        ErrorRecord ignored;
        n = valueTarget(node, ignored, status);
        if (n == nullptr) {
            out = false;
            return kOk;
        }
    }
    out = n->isValue() && static_cast<const ValueNode*>(n)->has(chronology);
    return kOk;
}

template int getValue<int>(const Node&, int, int&, ErrorRecord&);
template int getValue<bool>(const Node&, int, bool&, ErrorRecord&);
template int getValue<float>(const Node&, int, float&, ErrorRecord&);
template int getValue<double>(const Node&, int, double&, ErrorRecord&);
template int getValue<std::string>(const Node&, int, std::string&, ErrorRecord&);
template int setValue<int>(Node&, int, const int&, ErrorRecord&);
template int setValue<bool>(Node&, int, const bool&, ErrorRecord&);
template int setValue<float>(Node&, int, const float&, ErrorRecord&);
template int setValue<double>(Node&, int, const double&, ErrorRecord&);
template int setValue<std::string>(Node&, int, const std::string&, ErrorRecord&);

}  // namespace varnex2_standin
