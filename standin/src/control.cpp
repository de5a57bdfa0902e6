#include "control.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace varnex2_standin {
namespace control {

bool active = false;

namespace {

struct Rule {
    int status;
    std::string message;
    int remaining;
    bool messageFails;
    bool writeOut;
};

struct Key {
    const void* object;
    int slot;
    bool operator==(const Key& o) const { return object == o.object && slot == o.slot; }
};
struct KeyHash {
    std::size_t operator()(const Key& k) const {
        return std::hash<const void*>()(k.object) ^ (static_cast<std::size_t>(k.slot) * 0x9e3779b97f4a7c15ull);
    }
};

struct State {
    std::unordered_map<Key, std::deque<Rule>, KeyHash> rules;
    std::unordered_set<const void*> failingMessages;
    std::vector<Call> calls;
    bool recording = false;
    std::vector<std::pair<int, std::string>> messages;
    // The message of the rule that fired last; it must outlive the rule itself.
    std::string firedMessage;
};

State& state() {
    static State* s = new State();  // never destroyed: raw calls may come during exit
    return *s;
}

void update() {
    State& s = state();
    active = s.recording || !s.rules.empty() || !s.failingMessages.empty();
}

}  // namespace

void record(const void* object, int slot, std::vector<Arg>&& args) {
    state().calls.push_back(Call{object, slot, std::move(args)});
}

bool recording() { return state().recording; }

bool fire(const void* object, int slot, Fired& fired) {
    State& s = state();
    if (s.rules.empty()) return false;
    auto it = s.rules.find(Key{object, slot});
    if (it == s.rules.end()) return false;
    Rule& rule = it->second.front();
    fired.status = rule.status;
    fired.writeOut = rule.writeOut;
    s.firedMessage = rule.message;
    fired.message = &s.firedMessage;
    if (rule.messageFails) s.failingMessages.insert(object);
    if (--rule.remaining <= 0) {
        it->second.pop_front();
        if (it->second.empty()) s.rules.erase(it);
    }
    update();
    return true;
}

void failNext(const void* object, int slot, int status, std::string message, int count, bool messageFails,
              bool writeOut) {
    if (count <= 0) return;
    state().rules[Key{object, slot}].push_back(Rule{status, std::move(message), count, messageFails, writeOut});
    update();
}

void clearFailures() {
    state().rules.clear();
    state().failingMessages.clear();
    update();
}

void setRecording(bool on) {
    state().recording = on;
    update();
}

const std::vector<Call>& calls() { return state().calls; }
void clearCalls() { state().calls.clear(); }

bool takeMessageFailure(const void* object) {
    State& s = state();
    if (s.failingMessages.erase(object) == 0) return false;
    update();
    return true;
}

void addMessage(int kind, std::string text) {
    static const bool echo = [] {
        const char* e = std::getenv("VARNEX2_ECHO_MESSAGES");
        return e != nullptr && *e != '\0' && std::string(e) != "0";
    }();
    if (echo) {
        std::fprintf(stderr, "[%s] %s\n", kind == 0 ? "message" : "informational", text.c_str());
    }
    state().messages.emplace_back(kind, std::move(text));
}

const std::vector<std::pair<int, std::string>>& messages() { return state().messages; }
void clearMessages() { state().messages.clear(); }

}  // namespace control
}  // namespace varnex2_standin
