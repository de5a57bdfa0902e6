// The C control API declared in standin/varnex2_standin.h.
//
// Control calls may come from any thread. They take one lock among themselves, and what
// they hand out (texts, the call record, the messages) is this thread's own copy, so a
// caller reads it safely while others go on. Raw slots take no lock: the Python package
// calls the controls with the interpreter lock held, which already orders them with the
// calls of the extension module.
#include "standin/varnex2_standin.h"

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "control.h"
#include "library.h"
#include "model_json.h"
#include "ops.h"

using namespace varnex2_standin;

namespace {

thread_local std::string lastError;
thread_local std::string dumpBuffer;
thread_local std::string runBuffer;
thread_local std::vector<control::Call> callSnapshot;
thread_local std::string callsBuffer;
thread_local std::vector<std::pair<int, std::string>> messageSnapshot;
thread_local std::vector<std::string> problemSnapshot;

std::mutex& controlLock() {
    static auto* lock = new std::mutex();  // never destroyed: controls may come during exit
    return *lock;
}
#define VX_CONTROL() std::lock_guard<std::mutex> guard_(controlLock())

int failed(std::string why) {
    lastError = std::move(why);
    return -1;
}

Json number(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return v;
}

// The run as model-file settings, so that a dumped model loads back into the same state.
Json runJson() {
    const Run& run = library::run();
    const RunSettings& s = run.settings();
    RunState now;
    run.at(kCurrent, now);
    Json j = Json::object();
    j["transient"] = now.transient;
    j["iteration"] = now.iteration;
    j["numberOfIterations"] = now.numberOfIterations;
    j["startTime"] = number(now.transient ? now.time - now.timeStep : now.time);
    j["timeStep"] = number(now.timeStep);
    j["totalTime"] = number(now.totalTime);
    j["stopOnConvergence"] = now.stopOnConvergence;
    j["residual"] = number(now.residual);
    j["residualReduction"] = number(s.residualReduction);
    j["tolerance"] = number(s.tolerance);
    j["converged"] = s.convergedOverride < 0 ? Json(nullptr) : Json(s.convergedOverride == 1);
    j["solveStopped"] = run.isSolveStopped();
    j["version"] = {{"major", s.version[0]}, {"minor", s.version[1]}, {"servicePack", s.version[2]},
                    {"build", s.version[3]}};
    if (!s.versionString.empty()) j["versionString"] = s.versionString;
    j["residualPath"] = s.residualPath;
    return j;
}

const char* keep(std::string& buffer, std::string text, size_t* length) {
    buffer = std::move(text);
    if (length != nullptr) *length = buffer.size();
    return buffer.c_str();
}

std::string dumpText(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace); }

}  // namespace

namespace {

template <class T>
void put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

// The record as one buffer (layout in varnex2_standin.h): the calls grouped by the kinds of
// their arguments, so that a reader unpacks each group with one fixed record layout.
void packCalls(const std::vector<control::Call>& calls, std::string& out) {
    std::map<std::string, std::vector<std::uint64_t>> groups;  // kinds -> calls, in order
    std::vector<std::uint64_t> firstText(calls.size());
    std::uint64_t texts = 0;
    std::size_t textBytes = 0;
    for (std::size_t c = 0; c < calls.size(); ++c) {
        std::string kinds;
        firstText[c] = texts;
        for (const control::Arg& a : calls[c].args) {
            kinds.push_back(static_cast<char>(a.kind));
            if (a.kind == control::Arg::Text) ++texts, textBytes += a.text.size();
        }
        groups[kinds].push_back(c);
    }
    out.clear();
    out.reserve(24 + 9 * texts + textBytes + 28 * calls.size());
    put<std::uint64_t>(out, calls.size());
    put<std::uint64_t>(out, texts);
    put<std::uint64_t>(out, groups.size());
    for (const control::Call& c : calls)
        for (const control::Arg& a : c.args)
            if (a.kind == control::Arg::Text) put<std::uint64_t>(out, a.text.size());
    for (const control::Call& c : calls)
        for (const control::Arg& a : c.args)
            if (a.kind == control::Arg::Text) out += a.text, out += '\0';
    for (const auto& group : groups) {
        put<std::uint64_t>(out, group.first.size());
        put<std::uint64_t>(out, group.second.size());
        out += group.first;
        for (std::uint64_t c : group.second) put<std::uint64_t>(out, c);
        for (std::uint64_t c : group.second) {
            const control::Call& call = calls[c];
            put<std::uint64_t>(out, reinterpret_cast<std::uintptr_t>(call.object));
            put<std::int32_t>(out, call.slot);
            std::uint64_t text = firstText[c];
            for (const control::Arg& a : call.args) {
                switch (a.kind) {
                case control::Arg::Bool: put<std::uint8_t>(out, a.i != 0); break;
                case control::Arg::Real: put<double>(out, a.d); break;
                case control::Arg::Text: put<std::uint64_t>(out, text++); break;
                case control::Arg::Pair: put<std::int64_t>(out, a.i), put<std::int64_t>(out, a.j); break;
                default: put<std::int64_t>(out, a.i); break;  // Int, and Unsigned as its bits
                }
            }
        }
    }
}

}  // namespace

extern "C" {

int varnex2_standin_api_version(void) { return 1; }

const char* varnex2_standin_last_error(void) { return lastError.c_str(); }

int varnex2_standin_reset(void) {
    VX_CONTROL();
    library::reset();
    lastError.clear();
    return 0;
}

int varnex2_standin_load_model_text(const char* text, size_t length) {
    VX_CONTROL();
    try {
        library::replaceModel(loadModelText(std::string_view(text == nullptr ? "" : text, text ? length : 0)));
    } catch (const std::exception& e) {
        return failed(e.what());
    }
    lastError.clear();
    return 0;
}

int varnex2_standin_load_model_file(const char* path) {
    VX_CONTROL();
    if (path == nullptr) return failed("no path given");
    try {
        library::replaceModel(loadModelFile(path));
    } catch (const std::exception& e) {
        return failed(e.what());
    }
    lastError.clear();
    return 0;
}

const char* varnex2_standin_default_model_text(size_t* length) {
    const char* text = defaultModelText();
    if (length != nullptr) *length = std::strlen(text);
    return text;
}

// Checks touch no shared state: they take no lock, so a long one holds up no control.
int varnex2_standin_check_model_text(const char* text, size_t length) {
    problemSnapshot = checkModelText(std::string_view(text == nullptr ? "" : text, text ? length : 0));
    return static_cast<int>(problemSnapshot.size());
}

int varnex2_standin_check_model_file(const char* path) {
    if (path == nullptr) return failed("no path given");
    problemSnapshot = checkModelFile(path);
    return static_cast<int>(problemSnapshot.size());
}

int varnex2_standin_problem(size_t index, const char** text, size_t* length) {
    if (index >= problemSnapshot.size()) return -1;
    if (text) *text = problemSnapshot[index].data();
    if (length) *length = problemSnapshot[index].size();
    return 0;
}

const char* varnex2_standin_dump_model(size_t* length) {
    VX_CONTROL();
    const Model& m = library::model();
    Json doc = Json::object();
    doc["format"] = kFormat;
    doc["run"] = runJson();
    doc["solutionControl"] = m.solutionControl == nullptr ? Json(nullptr) : Json(m.solutionControl->fullName);
    doc["entities"] = dumpEntities(m);
    return keep(dumpBuffer, dumpText(doc), length);
}

const char* varnex2_standin_run_state(size_t* length) {
    VX_CONTROL();
    const Run& run = library::run();
    RunState s;
    run.at(kCurrent, s);
    Json j = Json::object();
    j["iteration"] = s.iteration;
    j["numberOfIterations"] = s.numberOfIterations;
    j["iterationInTimeStep"] = s.iterationInStep;
    j["timeStepIndex"] = s.timeStepIndex;
    j["time"] = number(s.time);
    j["timeStep"] = number(s.timeStep);
    j["totalTime"] = number(s.totalTime);
    j["transient"] = s.transient;
    j["stopOnConvergence"] = s.stopOnConvergence;
    j["residual"] = number(s.residual);
    j["converged"] = run.converged(s);
    j["firstIteration"] = run.isFirstIteration(s);
    j["lastIteration"] = run.isLastIteration(s);
    j["firstTimeStep"] = run.isFirstTimeStep(s);
    j["lastTimeStep"] = run.isLastTimeStep(s);
    j["solveStopped"] = run.isSolveStopped();
    return keep(runBuffer, dumpText(j), length);
}

void varnex2_standin_set_manager_available(int available) {
    VX_CONTROL();
    library::setAvailable(available != 0);
}
int varnex2_standin_manager_available(void) {
    VX_CONTROL();
    return library::available() ? 1 : 0;
}

void* varnex2_standin_manager(void) {
    VX_CONTROL();
    return library::manager();
}
void* varnex2_standin_collection(void) {
    VX_CONTROL();
    return library::collection();
}

void* varnex2_standin_find(const char* full_path, size_t length) {
    VX_CONTROL();
    if (full_path == nullptr) return nullptr;
    Node* n = library::model().resolveFullPath(std::string_view(full_path, length));
    return library::attributeObject(n);
}

int varnex2_standin_fail_next(const void* object, int slot, int status, const char* message, size_t length,
                              int count, int message_fails, int write_out) {
    VX_CONTROL();
    if (object == nullptr) return failed("fail_next: no object address given");
    if (count < 1) return failed("fail_next: count must be at least 1, got " + std::to_string(count));
    if (slot < 0) return failed("fail_next: slot must not be negative, got " + std::to_string(slot));
    if (!library::isCurrentObject(object)) {
        char address[32];
        std::snprintf(address, sizeof address, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(object));
        return failed(std::string("fail_next: ") + address + " is not an object of the current model");
    }
    control::failNext(object, slot, status, std::string(message == nullptr ? "" : message, message ? length : 0),
                      count, message_fails != 0, write_out != 0);
    return 0;
}

void varnex2_standin_clear_failures(void) {
    VX_CONTROL();
    control::clearFailures();
}

void varnex2_standin_record_calls(int on) {
    VX_CONTROL();
    control::setRecording(on != 0);
}
size_t varnex2_standin_call_count(void) {
    VX_CONTROL();
    callSnapshot = control::calls();
    return callSnapshot.size();
}

int varnex2_standin_call(size_t index, const void** object, int* slot, size_t* argc) {
    const auto& calls = callSnapshot;
    if (index >= calls.size()) return -1;
    const control::Call& c = calls[index];
    if (object) *object = c.object;
    if (slot) *slot = c.slot;
    if (argc) *argc = c.args.size();
    return 0;
}

int varnex2_standin_call_arg(size_t index, size_t arg, int* kind, long long* i, long long* j, double* d,
                             const char** text, size_t* length) {
    const auto& calls = callSnapshot;
    if (index >= calls.size() || arg >= calls[index].args.size()) return -1;
    const control::Arg& a = calls[index].args[arg];
    if (kind) *kind = a.kind;
    if (i) *i = a.i;
    if (j) *j = a.j;
    if (d) *d = a.d;
    if (text) *text = a.text.data();
    if (length) *length = a.text.size();
    return 0;
}

const char* varnex2_standin_calls_packed(size_t* length) {
    {
        VX_CONTROL();
        packCalls(control::calls(), callsBuffer);
    }
    if (length) *length = callsBuffer.size();
    return callsBuffer.data();
}

void varnex2_standin_clear_calls(void) {
    VX_CONTROL();
    control::clearCalls();
}

int varnex2_standin_set_residual(double residual) {
    VX_CONTROL();
    if (!(residual >= 0.0)) return failed("the residual must be a number not below 0, got " + std::to_string(residual));
    library::run().setResidual(library::model(), residual);
    lastError.clear();
    return 0;
}

int varnex2_standin_solver_writes(int on) {
    VX_CONTROL();
    bool previous = solverWrites;
    solverWrites = on != 0;
    return previous ? 1 : 0;
}

int varnex2_standin_step(int iterations) {
    VX_CONTROL();
    if (iterations < 0) return failed("step: the number of iterations must not be negative");
    return library::run().step(library::model(), iterations);
}

size_t varnex2_standin_message_count(void) {
    VX_CONTROL();
    messageSnapshot = control::messages();
    return messageSnapshot.size();
}

int varnex2_standin_message(size_t index, int* kind, const char** text, size_t* length) {
    const auto& messages = messageSnapshot;
    if (index >= messages.size()) return -1;
    if (kind) *kind = messages[index].first;
    if (text) *text = messages[index].second.data();
    if (length) *length = messages[index].second.size();
    return 0;
}

void varnex2_standin_clear_messages(void) {
    VX_CONTROL();
    control::clearMessages();
}

}  // extern "C"
