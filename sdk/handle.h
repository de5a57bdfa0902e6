// Raw-call convention of the exchange library: every raw slot returns a status code
// (0 success, otherwise an ExceptionType value or any other non-zero failure) and hands
// its result back through an out-parameter. Text crosses the boundary only through the
// string interfaces below; the facade turns failing statuses into std exceptions.
#pragma once

#include <cstddef>
#include <string>

#include "sdk/types.h"

#if defined(__GNUC__) || defined(__clang__)
#define ORVANE_COLD __attribute__((cold, noinline))
#define ORVANE_UNLIKELY(condition) __builtin_expect(!!(condition), 0)
#else
#define ORVANE_COLD
#define ORVANE_UNLIKELY(condition) (condition)
#endif

namespace OrvaneSDK {
namespace Tools {

// Read-only byte string implemented by the client and read by the library.
// Slots: 0 c_str, 1 size, 2 copy.
class IConstString {
public:
    virtual const char* c_str() const = 0;
    virtual std::size_t size() const = 0;
    virtual void copy(char* destination, std::size_t count, std::size_t position) const = 0;

protected:
    ~IConstString() = default;
};

// Writable byte string: slots 3 assign, 4 data follow those of IConstString.
class IString : public IConstString {
public:
    virtual void assign(const char* characters, std::size_t length) = 0;
    virtual char* data() = 0;

protected:
    ~IString() = default;
};

namespace detail {
[[noreturn]] ORVANE_COLD void throwInvalidPosition();

// Copies min(count, size - position) bytes without a terminating NUL.
inline void copyOut(const std::string& source, char* destination, std::size_t count, std::size_t position) {
    if (ORVANE_UNLIKELY(position > source.size())) throwInvalidPosition();
    source.copy(destination, count, position);
}
}  // namespace detail

// Adapter over a std::string owned by the facade, filled by the library during one raw call.
class StringRef final : public IString {
public:
    explicit StringRef(std::string& target) noexcept : target_(&target) {}

    const char* c_str() const override { return target_->c_str(); }
    std::size_t size() const override { return target_->size(); }
    void copy(char* destination, std::size_t count, std::size_t position) const override {
        detail::copyOut(*target_, destination, count, position);
    }
    void assign(const char* characters, std::size_t length) override { target_->assign(characters, length); }
    char* data() override { return &(*target_)[0]; }

private:
    std::string* target_;
};

// Read-only adapter over a caller's string, valid for one raw call.
class ConstStringRef final : public IConstString {
public:
    explicit ConstStringRef(const std::string& target) noexcept : target_(&target) {}

    const char* c_str() const override { return target_->c_str(); }
    std::size_t size() const override { return target_->size(); }
    void copy(char* destination, std::size_t count, std::size_t position) const override {
        detail::copyOut(*target_, destination, count, position);
    }

private:
    const std::string* target_;
};

}  // namespace Tools

// Base of every object the library hands out. The library owns all of them, so there is
// no virtual destructor and the first raw slot is do_getHandleType.
class IHandle {
public:
    // The status is deliberately not examined: a failing call yields what the library left.
    HandleType getHandleType() const {
        HandleType handleType = HandleType_Unknown;
        do_getHandleType(handleType);
        return handleType;
    }
    // The library's message for this object's last failure, or a fixed text if even that fails.
    std::string getLastExceptionMessage() const;
    ExceptionType getLastExceptionType() const {
        ExceptionType exceptionType = ExceptionType__None;
        return do_getLastExceptionType(exceptionType) == 0 ? exceptionType : ExceptionType_Unknown;
    }

protected:
    ~IHandle() = default;

    virtual int do_getHandleType(HandleType& handleType) const = 0;             // slot 0
    virtual int do_getLastExceptionMessage(Tools::IString& message) const = 0;  // slot 1
    virtual int do_getLastExceptionType(ExceptionType& exceptionType) const = 0;  // slot 2
};

namespace detail {
// Asks object for its message and throws the exception that status stands for.
[[noreturn]] ORVANE_COLD void throwStatus(const IHandle& object, int status);
}  // namespace detail

// Returns for status 0; any other status throws with the message of the object that failed.
inline void checkStatus(const IHandle& object, int status) {
    if (ORVANE_UNLIKELY(status != 0)) detail::throwStatus(object, status);
}

namespace detail {
// One raw call with a zeroed out-value: call(out) returns the status.
template <class T, class Call>
inline T fetch(const IHandle& object, Call&& call) {
    T out{};
    checkStatus(object, call(out));
    return out;
}

// One raw call whose result is text, received through a StringRef on a fresh string.
template <class Call>
inline std::string fetchText(const IHandle& object, Call&& call) {
    std::string text;
    Tools::StringRef ref(text);
    checkStatus(object, call(ref));
    return text;
}
}  // namespace detail

}  // namespace OrvaneSDK
