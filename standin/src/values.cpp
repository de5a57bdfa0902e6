// Conversions between value kinds. Rules (also in standin/README.md):
// numbers convert among themselves when the value is representable (int needs an exact
// integral value, bool needs 0 or 1, float needs a magnitude within float range); every
// value converts to text; text converts to a number or flag only when the whole text
// (surrounding blanks aside) is one literal of that kind.
#include "values.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <limits>
#include <system_error>

namespace varnex2_standin {

const char* kindName(ValueKind kind) {
    switch (kind) {
    case ValueKind::Int: return "int";
    case ValueKind::Bool: return "bool";
    case ValueKind::String: return "string";
    case ValueKind::Float: return "float";
    case ValueKind::Double: return "double";
    }
    return "unknown";
}

namespace {

Conversion ok() { return {}; }
Conversion fail(int status, std::string reason) { return {status, std::move(reason)}; }

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string numberText(ValueKind kind, double number) {
    if (kind == ValueKind::Float) return formatFloat(static_cast<float>(number));
    if (kind == ValueKind::Int) return std::to_string(static_cast<std::int64_t>(number));
    if (kind == ValueKind::Bool) return number != 0.0 ? "true" : "false";
    return formatDouble(number);
}

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The number conversions take `shown`, a callable giving the value as a failure message shows it:
// the text is made only when a conversion fails, not on every read.

// Number to int32: exact integral values only.
template <class Shown>
Conversion numberToInt(double number, Shown shown, int& out) {
    if (!std::isfinite(number) || std::floor(number) != number)
        return fail(kLogicError, "value " + shown() + " does not convert to int exactly");
    if (number < static_cast<double>(std::numeric_limits<int>::min()) ||
        number > static_cast<double>(std::numeric_limits<int>::max()))
        return fail(kOutOfRange, "value " + shown() + " is outside the range of int");
    out = static_cast<int>(number);
    return ok();
}

template <class Shown>
Conversion numberToBool(double number, Shown shown, bool& out) {
    if (number == 0.0 || number == 1.0) {
        out = number == 1.0;
        return ok();
    }
    return fail(kLogicError, "value " + shown() + " does not convert to bool (only 0 and 1 do)");
}

template <class Shown>
Conversion numberToFloat(double number, Shown shown, float& out) {
    if (std::isfinite(number) && std::fabs(number) > static_cast<double>(FLT_MAX))
        return fail(kOutOfRange, "value " + shown() + " is outside the range of float");
    out = static_cast<float>(number);
    return ok();
}

// Whole-text literals. The digits of a trimmed text, after an optional '+' (from_chars takes
// no '+'); an empty range when nothing is left or the text is "+-...".
void literalRange(const std::string& t, const char*& begin, const char*& end) {
    begin = t.data();
    end = begin + t.size();
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') begin = end;
    }
}

Conversion parseInt(const std::string& text, int& out) {
    std::string t = trimmed(text);
    const char *begin, *end;
    literalRange(t, begin, end);
    if (begin == end) return fail(kLogicError, "text " + quoted(text) + " is not an int literal");
    long long value = 0;
    auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc::result_out_of_range)
        return fail(kOutOfRange, "text " + quoted(text) + " is outside the range of int");
    if (result.ec != std::errc() || result.ptr != end)
        return fail(kLogicError, "text " + quoted(text) + " is not an int literal");
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return fail(kOutOfRange, "text " + quoted(text) + " is outside the range of int");
    out = static_cast<int>(value);
    return ok();
}

Conversion parseBool(const std::string& text, bool& out) {
    std::string t = lowered(trimmed(text));
    if (t == "true" || t == "1") {
        out = true;
        return ok();
    }
    if (t == "false" || t == "0") {
        out = false;
        return ok();
    }
    return fail(kLogicError, "text " + quoted(text) + " is not a bool literal (true, false, 1 or 0)");
}

Conversion parseDouble(const std::string& text, double& out) {
    std::string t = trimmed(text);
    const char *begin, *end;
    literalRange(t, begin, end);
    if (begin == end) return fail(kLogicError, "text " + quoted(text) + " is not a number literal");
    double value = 0.0;
    auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
        // from_chars reports overflow and underflow alike; the C-locale strtod tells them
        // apart. Overflow is out of range, underflow rounds towards zero.
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        double rough = strtod_l(t.c_str(), nullptr, cLocale);
        if (std::isinf(rough))
            return fail(kOutOfRange, "text " + quoted(text) + " is outside the range of double");
        out = rough;
        return ok();
    }
    if (result.ec != std::errc() || result.ptr != end)
        return fail(kLogicError, "text " + quoted(text) + " is not a number literal");
    out = value;
    return ok();
}

}  // namespace

std::string formatDouble(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatFloat(float value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

Conversion toInt(ValueKind kind, const Scalar& value, int& out) {
    if (kind == ValueKind::String) return parseInt(value.text, out);
    return numberToInt(value.number, [&] { return numberText(kind, value.number); }, out);
}

Conversion toBool(ValueKind kind, const Scalar& value, bool& out) {
    if (kind == ValueKind::String) return parseBool(value.text, out);
    return numberToBool(value.number, [&] { return numberText(kind, value.number); }, out);
}

Conversion toFloat(ValueKind kind, const Scalar& value, float& out) {
    if (kind == ValueKind::String) {
        double parsed = 0.0;
        Conversion c = parseDouble(value.text, parsed);
        if (!c) return c;
        return numberToFloat(parsed, [&] { return quoted(value.text); }, out);
    }
    return numberToFloat(value.number, [&] { return numberText(kind, value.number); }, out);
}

Conversion toDouble(ValueKind kind, const Scalar& value, double& out) {
    if (kind == ValueKind::String) return parseDouble(value.text, out);
    out = value.number;
    return ok();
}

void toText(ValueKind kind, const Scalar& value, std::string& out) {
    if (kind == ValueKind::String)
        out = value.text;
    else
        out = numberText(kind, value.number);
}

namespace {
// Stores a number given in kind `given` into an attribute of kind `target`.
Conversion storeNumber(ValueKind target, ValueKind given, double number, Scalar& out) {
    switch (target) {
    case ValueKind::Int: {
        int v = 0;
        Conversion c = numberToInt(number, [&] { return numberText(given, number); }, v);
        if (c) out.number = v;
        return c;
    }
    case ValueKind::Bool: {
        bool v = false;
        Conversion c = numberToBool(number, [&] { return numberText(given, number); }, v);
        if (c) out.number = v ? 1.0 : 0.0;
        return c;
    }
    case ValueKind::Float: {
        float v = 0.0f;
        Conversion c = numberToFloat(number, [&] { return numberText(given, number); }, v);
        if (c) out.number = v;
        return c;
    }
    case ValueKind::Double: out.number = number; return ok();
    case ValueKind::String: out.text = numberText(given, number); return ok();
    }
    return fail(kLogicError, "unknown value kind");
}
}  // namespace

Conversion fromInt(ValueKind target, int value, Scalar& out) {
    return storeNumber(target, ValueKind::Int, value, out);
}
Conversion fromBool(ValueKind target, bool value, Scalar& out) {
    return storeNumber(target, ValueKind::Bool, value ? 1.0 : 0.0, out);
}
Conversion fromFloat(ValueKind target, float value, Scalar& out) {
    return storeNumber(target, ValueKind::Float, value, out);
}
Conversion fromDouble(ValueKind target, double value, Scalar& out) {
    return storeNumber(target, ValueKind::Double, value, out);
}

Conversion fromText(ValueKind target, const std::string& value, Scalar& out) {
    switch (target) {
    case ValueKind::String: out.text = value; return ok();
    case ValueKind::Int: {
        int v = 0;
        Conversion c = parseInt(value, v);
        if (c) out.number = v;
        return c;
    }
    case ValueKind::Bool: {
        bool v = false;
        Conversion c = parseBool(value, v);
        if (c) out.number = v ? 1.0 : 0.0;
        return c;
    }
    case ValueKind::Float: {
        float v = 0.0f;
        Conversion c = toFloat(ValueKind::String, Scalar{0.0, value}, v);
        if (c) out.number = v;
        return c;
    }
    case ValueKind::Double: {
        double v = 0.0;
        Conversion c = parseDouble(value, v);
        if (c) out.number = v;
        return c;
    }
    }
    return fail(kLogicError, "unknown value kind");
}

}  // namespace varnex2_standin
