// The running solver as the exchange library exposes it: solver data (counters, times,
// convergence, the model) and the solver manager, the client's single way into the library.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "exchange/exchange.h"
#include "sdk/handle.h"
#include "sdk/model.h"

// The library's version as an opaque 32-byte record; the facade only zeroes and copies it.
extern "C" {
struct OrvaneSDK_Version {
    std::int32_t major;
    std::int32_t minor;
    std::int32_t servicePack;
    std::int32_t build;
    std::int32_t interfaceVersion;
    char reserved[12];
};
}
static_assert(sizeof(OrvaneSDK_Version) == 32, "version record is 32 bytes");
static_assert(std::is_standard_layout<OrvaneSDK_Version>::value &&
                  std::is_trivially_copyable<OrvaneSDK_Version>::value,
              "version record must stay a plain C record");

namespace OrvaneSDK {

typedef OrvaneSDK_Version Version;

// Solver run data. Readers default to the current moment, writers to the next. Slots 3 to 20.
class ISolverData : public IHandle {
public:
    int getIteration(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<int>(*this, [&](auto& out) { return do_getIteration(out, chronology); });
    }
    int getNumberOfIterations(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<int>(*this, [&](auto& out) { return do_getNumberOfIterations(out, chronology); });
    }
    void setNumberOfIterations(int const newNumberOfIterations, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setNumberOfIterations(newNumberOfIterations, chronology));
    }
    double getTime(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<double>(*this, [&](auto& out) { return do_getTime(out, chronology); });
    }
    double getTimeStep(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<double>(*this, [&](auto& out) { return do_getTimeStep(out, chronology); });
    }
    void setTimeStep(double const timeStep, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setTimeStep(timeStep, chronology));
    }
    double getTotalTime(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<double>(*this, [&](auto& out) { return do_getTotalTime(out, chronology); });
    }
    void setTotalTime(double const totalTime, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setTotalTime(totalTime, chronology));
    }
    bool isTransient(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isTransient(out, chronology); });
    }
    bool isFirstIteration(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isFirstIteration(out, chronology); });
    }
    bool isLastIteration(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isLastIteration(out, chronology); });
    }
    bool isFirstTimeStep(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isFirstTimeStep(out, chronology); });
    }
    bool isLastTimeStep(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isLastTimeStep(out, chronology); });
    }
    bool isConverged(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isConverged(out, chronology); });
    }
    void setStopOnConvergence(bool const value, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setStopOnConvergence(value, chronology));
    }
    bool isStopOnConvergence(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isStopOnConvergence(out, chronology); });
    }

    Model::IEntityCollection* getEntityCollection() {
        return detail::fetch<Model::IEntityCollection*>(*this, [&](auto& out) { return do_getEntityCollection(out); });
    }
    const Model::IEntityCollection* getEntityCollection() const {
        return detail::fetch<const Model::IEntityCollection*>(*this, [&](auto& out) { return do_getEntityCollection(out); });
    }
    // A null collection is not a failure: there is then no solution control either.
    Model::IEntity* getSolutionControl() {
        Model::IEntityCollection* const collection = getEntityCollection();
        return collection ? collection->getSolutionControl() : nullptr;
    }
    const Model::IEntity* getSolutionControl() const {
        const Model::IEntityCollection* const collection = getEntityCollection();
        return collection ? collection->getSolutionControl() : nullptr;
    }

protected:
    ~ISolverData() = default;

    virtual int do_getIteration(int& iteration, Chronology chronology) const = 0;                     // 3
    virtual int do_getNumberOfIterations(int& numberOfIterations, Chronology chronology) const = 0;   // 4
    virtual int do_setNumberOfIterations(int numberOfIterations, Chronology chronology) = 0;          // 5
    virtual int do_getTime(double& time, Chronology chronology) const = 0;                            // 6
    virtual int do_getTimeStep(double& timeStep, Chronology chronology) const = 0;                    // 7
    virtual int do_setTimeStep(double timeStep, Chronology chronology) = 0;                           // 8
    virtual int do_setTotalTime(double totalTime, Chronology chronology) = 0;                         // 9: setter first
    virtual int do_getTotalTime(double& totalTime, Chronology chronology) const = 0;                  // 10
    virtual int do_isTransient(bool& transient, Chronology chronology) const = 0;                     // 11
    virtual int do_isFirstIteration(bool& firstIteration, Chronology chronology) const = 0;           // 12
    virtual int do_isLastIteration(bool& lastIteration, Chronology chronology) const = 0;             // 13
    virtual int do_isFirstTimeStep(bool& firstTimeStep, Chronology chronology) const = 0;             // 14
    virtual int do_isLastTimeStep(bool& lastTimeStep, Chronology chronology) const = 0;               // 15
    virtual int do_isConverged(bool& converged, Chronology chronology) const = 0;                     // 16
    virtual int do_getEntityCollection(Model::IEntityCollection*& collection) = 0;                    // 17
    virtual int do_getEntityCollection(const Model::IEntityCollection*& collection) const = 0;        // 18
    virtual int do_setStopOnConvergence(bool stopOnConvergence, Chronology chronology) = 0;           // 19
    virtual int do_isStopOnConvergence(bool& stopOnConvergence, Chronology chronology) const = 0;     // 20
};

// The library's entry object: solver data plus version, solve stop and user messages.
// Slots 21 to 28; 23 and 24 are reserved positions the client never calls.
class ISolverManager : public ISolverData {
public:
    // Asks the library afresh on every use; nothing is cached.
    static ISolverManager& instance();

    Version version() const {
        return detail::fetch<Version>(*this, [&](auto& out) { return do_version(out); });
    }
    std::string versionString() const {
        return detail::fetchText(*this, [&](auto& out) { return do_versionString(out); });
    }
    void solveStop() { checkStatus(*this, do_solveStop()); }
    bool isSolveStopped() const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_isSolveStopped(out); });
    }
    void showMessage(const std::string& message) const {
        checkStatus(*this, do_showMessage(Tools::ConstStringRef(message)));
    }
    void showInformational(const std::string& message) const {
        checkStatus(*this, do_showInformational(Tools::ConstStringRef(message)));
    }

protected:
    ~ISolverManager() = default;

    virtual int do_version(Version& version) const = 0;                               // 21
    virtual int do_versionString(Tools::IString& versionString) const = 0;            // 22
    virtual int do_reserved23() = 0;                                                  // 23
    virtual int do_reserved24() = 0;                                                  // 24
    virtual int do_solveStop() = 0;                                                   // 25
    virtual int do_isSolveStopped(bool& solveStopped) const = 0;                      // 26
    virtual int do_showMessage(const Tools::IConstString& message) const = 0;         // 27
    virtual int do_showInformational(const Tools::IConstString& message) const = 0;   // 28
};

ORVANE_CHECK_INTERFACE(ISolverData);
ORVANE_CHECK_INTERFACE(ISolverManager);

namespace detail {
[[noreturn]] ORVANE_COLD void throwNoSolverManager();
}

inline ISolverManager& ISolverManager::instance() {
    ISolverManager* const manager = OrvaneSDK_ISolverManager_instance_8();
    if (ORVANE_UNLIKELY(manager == nullptr)) detail::throwNoSolverManager();
    return *manager;
}

inline Version version() { return ISolverManager::instance().version(); }
inline std::string versionString() { return ISolverManager::instance().versionString(); }

}  // namespace OrvaneSDK
