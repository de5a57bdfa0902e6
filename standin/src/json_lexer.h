// A pull reader of JSON text for the model reader: the caller walks the document as it
// expects it (objects key by key, arrays item by item) and skips what it does not need,
// so that a model is built straight from the text, without a document in between.
//
// The grammar is strict RFC 8259 with UTF-8 checked in strings, as the library's JSON
// parser has it; any fault throws JsonFault with its byte offset and the caller words
// the message. Nothing recurses: skipping a value keeps its own stack of containers.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace varnex2_standin {

// Where the text stops being valid JSON (a number beyond the range of double included).
struct JsonFault {
    std::size_t offset;
};

// JSON types of a value as the model reader tells them apart.
enum class JsonType : std::uint8_t { Null, Bool, Integer, Unsigned, Real, String, Array, Object };

// One value read from the text. Arrays and objects are skipped and only typed; a string is
// a view of the text unless it had escapes, which are decoded into `own`.
struct JsonValue {
    JsonType type = JsonType::Null;
    bool flag = false;
    std::int64_t integer = 0;  // Integer: negative numbers
    std::uint64_t unsignedInteger = 0;  // Unsigned: the others
    double real = 0.0;                  // Real, and every number as a double
    std::string own;

    std::string_view text() const { return owned_ ? std::string_view(own) : view_; }
    bool isNumber() const { return type == JsonType::Integer || type == JsonType::Unsigned || type == JsonType::Real; }
    bool isInteger() const { return type == JsonType::Integer || type == JsonType::Unsigned; }

private:
    friend class JsonLexer;
    std::string_view view_;
    bool owned_ = false;
};

class JsonLexer {
public:
    explicit JsonLexer(std::string_view text) : begin_(text.data()), p_(begin_), end_(begin_ + text.size()) {
        if (text.size() >= 3 && std::memcmp(begin_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;  // a byte order mark
    }

    std::size_t offset() const { return static_cast<std::size_t>(p_ - begin_); }
    void seek(std::size_t offset) { p_ = begin_ + offset; }

    // The next character after blanks, without taking it (0 at the end).
    char peek() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
        return p_ < end_ ? *p_ : '\0';
    }
    // Takes '{' or '[' when it comes next.
    bool open(char bracket) {
        if (peek() != bracket) return false;
        ++p_;
        return true;
    }
    // The next key of an open object; false at its end. `first` starts true for each object.
    // The key stays valid until the next key is read.
    bool key(bool& first, std::string_view& out) { return key(first, out, keyScratch_); }
    // Whether an open array has one more item (then read or skip it).
    bool item(bool& first) {
        char c = peek();
        if (c == ']' && first) return ++p_, false;
        if (!first) {
            if (c == ']') return ++p_, false;
            if (c != ',') fail();
            ++p_;
        }
        first = false;
        return true;
    }
    // A value; arrays and objects are skipped.
    void read(JsonValue& v) {
        char c = peek();
        switch (c) {
        case '"':
            v.type = JsonType::String;
            v.view_ = string(v.own, v.owned_);
            return;
        case '{':
        case '[':
            v.type = c == '{' ? JsonType::Object : JsonType::Array;
            skip();
            return;
        case 't': literal("true"), v.type = JsonType::Bool, v.flag = true; return;
        case 'f': literal("false"), v.type = JsonType::Bool, v.flag = false; return;
        case 'n': literal("null"), v.type = JsonType::Null; return;
        default: number(v);
        }
    }
    // Skips a value of any kind, checking it.
    void skip() {
        stack_.clear();
        bool owned = false;
        while (true) {
            char c = peek();
            if (c == '{' || c == '[') {
                ++p_;
                bool object = c == '{';
                bool first = true;
                std::string_view k;
                if (object ? !key(first, k, scratch_) : !item(first)) {
                    if (stack_.empty()) return;
                } else {
                    stack_.push_back(object);
                    continue;
                }
            } else if (c == '"') {
                string(scratch_, owned);
            } else {
                scratch_value_.type = JsonType::Null;
                if (c == 't' || c == 'f' || c == 'n') literal(c == 't' ? "true" : c == 'f' ? "false" : "null");
                else number(scratch_value_);
            }
            // After a value: close containers until one goes on with a further value.
            while (true) {
                if (stack_.empty()) return;
                bool first = false;
                std::string_view k;
                if (stack_.back() ? key(first, k, scratch_) : item(first)) break;
                stack_.pop_back();
            }
        }
    }
    // Nothing but blanks is left.
    void end() {
        if (peek() != '\0' || p_ != end_) fail();
    }
    [[noreturn]] void fail() const { throw JsonFault{offset()}; }

private:
    bool key(bool& first, std::string_view& out, std::string& scratch) {
        char c = peek();
        if (c == '}' && first) return ++p_, false;
        if (!first) {
            if (c == '}') return ++p_, false;
            if (c != ',') fail();
            ++p_;
            c = peek();
        }
        first = false;
        if (c != '"') fail();
        bool owned = false;
        out = string(scratch, owned);
        if (peek() != ':') fail();
        ++p_;
        return true;
    }

    void literal(const char* word) {
        std::size_t n = std::strlen(word);
        if (static_cast<std::size_t>(end_ - p_) < n || std::memcmp(p_, word, n) != 0) fail();
        p_ += n;
    }

    static bool digit(char c) { return c >= '0' && c <= '9'; }

    void number(JsonValue& v) {
        const char* start = p_;
        bool negative = p_ < end_ && *p_ == '-';
        if (negative) ++p_;
        if (p_ >= end_ || !digit(*p_)) fail();
        if (*p_ == '0') ++p_;
        else while (p_ < end_ && digit(*p_)) ++p_;
        const char* digitsEnd = p_;
        bool real = false;
        if (p_ < end_ && *p_ == '.') {
            ++p_;
            real = true;
            if (p_ >= end_ || !digit(*p_)) fail();
            while (p_ < end_ && digit(*p_)) ++p_;
        }
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            real = true;
            if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (p_ >= end_ || !digit(*p_)) fail();
            while (p_ < end_ && digit(*p_)) ++p_;
        }
        if (!real) {
            std::uint64_t u = 0;
            bool fits = true;
            for (const char* d = start + negative; d < digitsEnd && fits; ++d) {
                unsigned n = static_cast<unsigned>(*d - '0');
                fits = u <= (UINT64_MAX - n) / 10;
                u = u * 10 + n;
            }
            if (fits && !negative) {
                v.type = JsonType::Unsigned, v.unsignedInteger = u, v.real = static_cast<double>(u);
                return;
            }
            if (fits && u <= (std::uint64_t(1) << 63)) {
                v.type = JsonType::Integer, v.integer = static_cast<std::int64_t>(0 - u);
                v.real = static_cast<double>(v.integer);
                return;
            }
        }
        // A real number, or an integer beyond 64 bits read as one (as the library's parser does).
        double d = 0.0;
        auto result = std::from_chars(start, p_, d);
        if (result.ec != std::errc() || result.ptr != p_) {
            // Out of range: an underflow reads as zero or a denormal, an overflow is refused.
            std::string copy(start, p_);
            d = std::strtod(copy.c_str(), nullptr);
        }
        if (!std::isfinite(d)) throw JsonFault{static_cast<std::size_t>(start - begin_)};
        v.type = JsonType::Real, v.real = d;
    }

    // A string at p_ (on its opening quote); a view of the text, or decoded into scratch.
    std::string_view string(std::string& scratch, bool& owned) {
        const char* start = ++p_;
        while (true) {
            if (p_ >= end_) fail();
            unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                owned = false;
                return std::string_view(start, static_cast<std::size_t>(p_++ - start));
            }
            if (c == '\\') break;
            if (c < 0x20) fail();
            if (c < 0x80) ++p_;
            else utf8();
        }
        scratch.assign(start, p_);
        while (true) {
            if (p_ >= end_) fail();
            unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                ++p_;
                owned = true;
                return scratch;
            }
            if (c < 0x20) fail();
            if (c == '\\') {
                escape(scratch);
            } else if (c < 0x80) {
                scratch.push_back(static_cast<char>(c));
                ++p_;
            } else {
                const char* from = p_;
                utf8();
                scratch.append(from, p_);
            }
        }
    }

    // One well-formed UTF-8 sequence of two to four bytes (RFC 3629).
    void utf8() {
        auto byte = [&](std::ptrdiff_t i) { return p_ + i < end_ ? static_cast<unsigned char>(p_[i]) : 0u; };
        unsigned c = byte(0), lo = 0x80, hi = 0xBF;
        int n = 0;
        if (c >= 0xC2 && c <= 0xDF) n = 1;
        else if (c >= 0xE0 && c <= 0xEF) n = 2, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4) n = 3, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        else fail();
        unsigned second = byte(1);
        if (second < lo || second > hi) fail();
        for (int i = 2; i <= n; ++i) {
            if ((byte(i) & 0xC0) != 0x80) fail();
        }
        p_ += n + 1;
    }

    unsigned hex4() {
        if (end_ - p_ < 4) fail();
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = p_[i];
            unsigned d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                       : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 16;
            if (d == 16) fail();
            v = v * 16 + d;
        }
        p_ += 4;
        return v;
    }

    void escape(std::string& out) {
        ++p_;  // the backslash
        if (p_ >= end_) fail();
        char c = *p_++;
        switch (c) {
        case '"': out.push_back('"'); return;
        case '\\': out.push_back('\\'); return;
        case '/': out.push_back('/'); return;
        case 'b': out.push_back('\b'); return;
        case 'f': out.push_back('\f'); return;
        case 'n': out.push_back('\n'); return;
        case 'r': out.push_back('\r'); return;
        case 't': out.push_back('\t'); return;
        case 'u': break;
        default: --p_, fail();
        }
        unsigned code = hex4();
        if (code >= 0xDC00 && code <= 0xDFFF) fail();
        if (code >= 0xD800 && code <= 0xDBFF) {  // the first half of a pair: the second must follow
            if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') fail();
            p_ += 2;
            unsigned low = hex4();
            if (low < 0xDC00 || low > 0xDFFF) fail();
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    const char* begin_;
    const char* p_;
    const char* end_;
    std::string keyScratch_, scratch_;
    JsonValue scratch_value_;
    std::vector<bool> stack_;  // open containers while skipping: true for an object
};

}  // namespace varnex2_standin
