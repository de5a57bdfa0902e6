// The solver run: counters, time, convergence and the writes that wait for the next step.
#pragma once

#include <string>

#include "model.h"

namespace varnex2_standin {

struct RunState {
    int iteration = 1;           // counts every iteration of the run
    int numberOfIterations = 0;  // steady: of the run; transient: per time step
    int iterationInStep = 1;     // transient: iteration within the time step
    int timeStepIndex = 1;       // transient: 1 for the first time step
    double time = 0.0;
    double timeStep = 1.0;
    double totalTime = 0.0;
    bool transient = false;
    bool stopOnConvergence = true;
    double residual = 1.0;
};

class Run {
public:
    // Starts from the model's run settings and mirrors the residual into the model.
    void start(Model& model);

    // The state at a chronology (0 to 4); false for any other value.
    bool at(int chronology, RunState& out) const;
    // The state the run keeps for a chronology, read in place; null for Next (computed on demand
    // by `at`) and for a value out of range.
    const RunState* stored(int chronology) const {
        switch (chronology) {
        case kInitial:
        case kContinue: return &initial_;
        case kTimeStepStart: return current_.transient ? &stepStart_ : &initial_;
        case kCurrent: return &current_;
        default: return nullptr;
        }
    }

    bool converged(const RunState& s) const;
    bool isFirstIteration(const RunState& s) const;
    bool isLastIteration(const RunState& s) const;
    bool isFirstTimeStep(const RunState& s) const { return s.transient && s.timeStepIndex == 1; }
    bool isLastTimeStep(const RunState& s) const;

    // Writers; status kOk or a failure with `why` filled.
    int setNumberOfIterations(int value, int chronology, std::string& why);
    int setTimeStep(double value, int chronology, std::string& why);
    int setTotalTime(double value, int chronology, std::string& why);
    int setStopOnConvergence(bool value, int chronology, std::string& why);

    // Applies the writes made at Next, then performs up to `iterations` iterations;
    // returns how many were performed.
    int step(Model& model, int iterations);

    // Replaces the current residual (a replayed run) and mirrors it into the model.
    void setResidual(Model& model, double residual) {
        current_.residual = residual;
        mirror(model);
    }

    void solveStop() { solveStopped_ = true; }
    bool isSolveStopped() const { return solveStopped_; }
    const RunSettings& settings() const { return settings_; }

private:
    struct Pending {
        bool hasIterations = false, hasTimeStep = false, hasTotalTime = false, hasStop = false;
        int iterations = 0;
        double timeStep = 0.0, totalTime = 0.0;
        bool stop = false;
    };
    static void apply(const Pending& p, RunState& s);
    bool canAdvance(const RunState& s) const;
    bool endOfTimeStep(const RunState& s) const;
    // Advances one iteration; true when a new time step began.
    bool advance(RunState& s) const;
    int writable(int chronology, const char* what, std::string& why) const;
    void mirror(Model& model) const;

    RunSettings settings_;
    RunState initial_, stepStart_, current_;
    Pending pending_;
    bool solveStopped_ = false;
};

}  // namespace varnex2_standin
