// Run rules (also in standin/README.md):
// - steady: the iteration counts up by one per step until it reaches the number of
//   iterations, or until the run has converged while stop-on-convergence is set;
// - transient: each time step runs up to numberOfIterations iterations (fewer when it
//   converges with stop-on-convergence set), then time advances by the time step; the run
//   ends with the time step that reaches the total time;
// - the residual starts at the model's value, is multiplied by residualReduction every
//   iteration (reset at each new time step) and the run is converged once it is at or
//   below the tolerance, unless the model fixes the answer;
// - Initial and Continue are the state at load, TimeStepStart the first iteration of the
//   current time step, Next what the next step will produce.
#include "run.h"

#include <cmath>

namespace varnex2_standin {

void Run::start(Model& model) {
    settings_ = model.run;
    RunState s;
    s.iteration = settings_.iteration;
    s.numberOfIterations = settings_.numberOfIterations;
    s.timeStep = settings_.timeStep;
    s.totalTime = settings_.totalTime;
    s.transient = settings_.transient;
    s.stopOnConvergence = settings_.stopOnConvergence;
    s.residual = settings_.residual;
    s.time = settings_.transient ? settings_.startTime + settings_.timeStep : settings_.startTime;
    initial_ = stepStart_ = current_ = s;
    pending_ = Pending();
    solveStopped_ = settings_.solveStopped;
    mirror(model);
}

bool Run::at(int chronology, RunState& out) const {
    if (const RunState* s = stored(chronology)) {
        out = *s;
        return true;
    }
    switch (chronology) {
    case kNext:
        out = current_;
        apply(pending_, out);
        if (canAdvance(out)) advance(out);
        return true;
    default: return false;
    }
}

bool Run::converged(const RunState& s) const {
    if (settings_.convergedOverride >= 0) return settings_.convergedOverride == 1;
    return s.residual <= settings_.tolerance;
}

bool Run::endOfTimeStep(const RunState& s) const {
    int done = s.transient ? s.iterationInStep : s.iteration;
    return done >= s.numberOfIterations || (s.stopOnConvergence && converged(s));
}

bool Run::isFirstIteration(const RunState& s) const {
    return s.transient ? s.iterationInStep == 1 : s.iteration == initial_.iteration;
}

bool Run::isLastIteration(const RunState& s) const { return endOfTimeStep(s); }

bool Run::isLastTimeStep(const RunState& s) const {
    return s.transient && s.time + s.timeStep > s.totalTime + 1e-9 * s.timeStep;
}

bool Run::canAdvance(const RunState& s) const {
    if (solveStopped_) return false;
    if (!endOfTimeStep(s)) return true;
    return s.transient && !isLastTimeStep(s);
}

bool Run::advance(RunState& s) const {
    ++s.iteration;
    if (s.transient && endOfTimeStep(s)) {
        ++s.timeStepIndex;
        s.time += s.timeStep;
        s.iterationInStep = 1;
        s.residual = settings_.residual;
        return true;
    }
    ++s.iterationInStep;
    s.residual *= settings_.residualReduction;
    return false;
}

void Run::apply(const Pending& p, RunState& s) {
    if (p.hasIterations) s.numberOfIterations = p.iterations;
    if (p.hasTimeStep) s.timeStep = p.timeStep;
    if (p.hasTotalTime) s.totalTime = p.totalTime;
    if (p.hasStop) s.stopOnConvergence = p.stop;
}

int Run::writable(int chronology, const char* what, std::string& why) const {
    if (chronology == kNext || chronology == kCurrent) return kOk;
    if (chronology >= kInitial && chronology < kCurrent) {
        why = std::string("cannot set the ") + what + " at chronology " + chronologyName(chronology) +
              ": only Current and Next can be written";
        return kLogicError;
    }
    why = std::string("cannot set the ") + what + ": chronology " + std::to_string(chronology) +
          " is not one of 0 to 4";
    return kOutOfRange;
}

int Run::setNumberOfIterations(int value, int chronology, std::string& why) {
    if (int st = writable(chronology, "number of iterations", why)) return st;
    if (value < 0) {
        why = "the number of iterations must not be negative, got " + std::to_string(value);
        return kOutOfRange;
    }
    if (chronology == kCurrent) {
        current_.numberOfIterations = value;
    } else {
        pending_.hasIterations = true;
        pending_.iterations = value;
    }
    return kOk;
}

int Run::setTimeStep(double value, int chronology, std::string& why) {
    if (int st = writable(chronology, "time step", why)) return st;
    if (!(value > 0.0) || !std::isfinite(value)) {
        why = "the time step must be a positive number, got " + formatDouble(value);
        return kOutOfRange;
    }
    if (chronology == kCurrent) {
        current_.timeStep = value;
    } else {
        pending_.hasTimeStep = true;
        pending_.timeStep = value;
    }
    return kOk;
}

int Run::setTotalTime(double value, int chronology, std::string& why) {
    if (int st = writable(chronology, "total time", why)) return st;
    if (!(value >= 0.0) || !std::isfinite(value)) {
        why = "the total time must be a number of at least 0, got " + formatDouble(value);
        return kOutOfRange;
    }
    if (chronology == kCurrent) {
        current_.totalTime = value;
    } else {
        pending_.hasTotalTime = true;
        pending_.totalTime = value;
    }
    return kOk;
}

int Run::setStopOnConvergence(bool value, int chronology, std::string& why) {
    if (int st = writable(chronology, "stop-on-convergence switch", why)) return st;
    if (chronology == kCurrent) {
        current_.stopOnConvergence = value;
    } else {
        pending_.hasStop = true;
        pending_.stop = value;
    }
    return kOk;
}

int Run::step(Model& model, int iterations) {
    apply(pending_, current_);
    pending_ = Pending();
    // Attribute values written at Next become current.
    for (ValueNode* v : model.pendingNext) {
        if (v->has(kNext)) {
            v->slots[kCurrent] = v->slots[kNext];
            v->present = static_cast<std::uint8_t>((v->present | (1u << kCurrent)) & ~(1u << kNext));
        }
        v->pending = false;
    }
    model.pendingNext.clear();

    int done = 0;
    while (done < iterations && canAdvance(current_)) {
        if (advance(current_)) {
            stepStart_ = current_;
            for (Node* n : model.nodes) {
                if (!n->isValue()) continue;
                auto* v = static_cast<ValueNode*>(n);
                if (v->has(kCurrent)) {
                    v->slots[kTimeStepStart] = v->slots[kCurrent];
                    v->present |= static_cast<std::uint8_t>(1u << kTimeStepStart);
                }
            }
        }
        ++done;
    }
    mirror(model);
    return done;
}

void Run::mirror(Model& model) const {
    if (model.solutionControl == nullptr || settings_.residualPath.empty()) return;
    Node* n = model.resolvePath(model.solutionControl, settings_.residualPath);
    if (n == nullptr || (n->kind != NodeKind::Double && n->kind != NodeKind::Float)) return;
    auto* v = static_cast<ValueNode*>(n);
    double r = current_.residual;
    v->slots[kCurrent].number = n->kind == NodeKind::Float ? static_cast<float>(r) : r;
    v->present |= static_cast<std::uint8_t>(1u << kCurrent);
}

}  // namespace varnex2_standin
