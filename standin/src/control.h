// Test controls: failure injection and call recording for raw slots, and the log of
// user messages. When nothing is armed a raw slot pays one test of `active`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "sdk/handle.h"
#include "sdk/model.h"

namespace varnex2_standin {
namespace control {

// True while a failure is armed, a message query is due to fail or calls are recorded.
extern bool active;

// One by-value argument of a recorded call.
struct Arg {
    enum Kind : int { Int = 0, Bool = 1, Real = 2, Text = 3, Pair = 4, Unsigned = 5 };
    Kind kind = Int;
    long long i = 0, j = 0;  // Int, Bool, Unsigned (its bits), first and second of Pair
    double d = 0.0;
    std::string text;
};

struct Call {
    const void* object;
    int slot;
    std::vector<Arg> args;
};

// What an injected failure asks of the slot that it hits.
struct Fired {
    int status = 0;
    bool writeOut = false;
    const std::string* message = nullptr;
};

inline Arg toArg(bool v) { Arg a; a.kind = Arg::Bool; a.i = v; return a; }
inline Arg toArg(int v) { Arg a; a.kind = Arg::Int; a.i = v; return a; }
inline Arg toArg(std::size_t v) { Arg a; a.kind = Arg::Unsigned; a.i = static_cast<long long>(v); return a; }
inline Arg toArg(float v) { Arg a; a.kind = Arg::Real; a.d = v; return a; }
inline Arg toArg(double v) { Arg a; a.kind = Arg::Real; a.d = v; return a; }
inline Arg toArg(OrvaneSDK::Chronology v) { return toArg(static_cast<int>(v)); }
inline Arg toArg(const OrvaneSDK::Tools::IConstString& v) {
    Arg a;
    a.kind = Arg::Text;
    a.text.assign(v.c_str(), v.size());
    return a;
}
inline Arg toArg(const OrvaneSDK::Model::CEntityID& v) {
    Arg a;
    a.kind = Arg::Pair;
    a.i = v.id1;
    a.j = v.id2;
    return a;
}

void record(const void* object, int slot, std::vector<Arg>&& args);
bool recording();
// Consumes one armed failure for (object, slot), if any.
bool fire(const void* object, int slot, Fired& fired);

// Records the call when recording, then reports whether a failure is armed for it.
template <class... A>
bool intercept(Fired& fired, const void* object, int slot, const A&... args) {
    if (recording()) record(object, slot, std::vector<Arg>{toArg(args)...});
    return fire(object, slot, fired);
}

// Arming and inspection (the C control API is built on these).
void failNext(const void* object, int slot, int status, std::string message, int count, bool messageFails,
              bool writeOut);
void clearFailures();
void setRecording(bool on);
const std::vector<Call>& calls();
void clearCalls();

// Message query of `object` due to fail after an injected failure with message_fails.
bool takeMessageFailure(const void* object);

// User messages: kind 0 from showMessage, 1 from showInformational.
void addMessage(int kind, std::string text);
const std::vector<std::pair<int, std::string>>& messages();
void clearMessages();

}  // namespace control
}  // namespace varnex2_standin
