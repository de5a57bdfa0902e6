// Scalar values of value attributes and the conversions between the five value kinds.
#pragma once

#include <cstdint>
#include <string>

namespace varnex2_standin {

// Status codes of raw calls (the exchange failure kinds).
enum Status : int {
    kOk = 0,
    kRuntimeError = -2,
    kLogicError = -3,
    kOutOfRange = -4,
    kGeneric = -5,
    kUnknown = -6
};

// Value kinds, numbered like the SDK's attribute kinds.
enum class ValueKind : int { Int = 1, Bool = 2, String = 3, Float = 4, Double = 11 };

const char* kindName(ValueKind kind);

// One value of a value attribute. Numbers of every kind are kept in `number` (an int32
// and a float are both exact in a double); text is kept in `text`.
struct Scalar {
    double number = 0.0;
    std::string text;
};

// Outcome of a conversion: kOk, or a failure status with the reason.
struct Conversion {
    int status = kOk;
    std::string reason;
    explicit operator bool() const { return status == kOk; }
};

// Shortest decimal text that reads back to the same float/double.
std::string formatDouble(double value);
std::string formatFloat(float value);

// Reading a stored value as another kind.
Conversion toInt(ValueKind kind, const Scalar& value, int& out);
Conversion toBool(ValueKind kind, const Scalar& value, bool& out);
Conversion toFloat(ValueKind kind, const Scalar& value, float& out);
Conversion toDouble(ValueKind kind, const Scalar& value, double& out);
void toText(ValueKind kind, const Scalar& value, std::string& out);

// Storing a value given as one kind into an attribute of kind `target`.
Conversion fromInt(ValueKind target, int value, Scalar& out);
Conversion fromBool(ValueKind target, bool value, Scalar& out);
Conversion fromFloat(ValueKind target, float value, Scalar& out);
Conversion fromDouble(ValueKind target, double value, Scalar& out);
Conversion fromText(ValueKind target, const std::string& value, Scalar& out);

}  // namespace varnex2_standin
