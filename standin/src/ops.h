// Value operations on model nodes, with the failure rules of the stand-in library.
#pragma once

#include <string>

#include "model.h"

namespace varnex2_standin {

// The last failure recorded for one library object.
struct ErrorRecord {
    int type = kOk;
    std::string message;
};

inline int failWith(ErrorRecord& err, int status, std::string message) {
    err.type = status;
    err.message = std::move(message);
    return status;
}

// The node a value operation acts on: a shortcut stands for its first valid target
// (followed through chains of shortcuts), every other node for itself. Null with a
// failure recorded when a shortcut has no valid target.
const Node* valueTarget(const Node& node, ErrorRecord& err, int& status);
// First valid target of a shortcut, not followed further; null if none.
Node* firstValidTarget(const ShortcutNode& shortcut);

// While set, writes ignore the attribute's access: the offline runner writes what the solver
// computes (plants, input signals, replayed values), which scripts may only read.
extern bool solverWrites;

// Typed reads and writes (T is int, bool, float, double or std::string).
template <class T>
int getValue(const Node& node, int chronology, T& out, ErrorRecord& err);
template <class T>
int setValue(Node& node, int chronology, const T& value, ErrorRecord& err);
int hasValue(const Node& node, int chronology, bool& out, ErrorRecord& err);

}  // namespace varnex2_standin
