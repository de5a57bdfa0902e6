// A recording stand-in for the exchange library's objects, used to test the facade.
// Every raw operation logs "name:slot(arguments)" into a shared Log, writes its scripted
// out-value and returns its scripted status. The slot is read from the operation's own
// virtual-table position (Itanium C++ ABI member pointers), so a trace names the slot
// the facade really called, not a label written by hand.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sdk/editor.h"
#include "sdk/solver.h"

namespace fake {

using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

// Virtual-table slot of a virtual member function: the ABI stores 1 + byte offset.
template <class Member>
int slotOf(Member member) {
    static_assert(sizeof(Member) == 2 * sizeof(void*), "Itanium member-function pointer expected");
    std::uintptr_t bits = 0;
    std::memcpy(&bits, &member, sizeof bits);
    return (bits & 1u) ? static_cast<int>((bits - 1) / sizeof(void*)) : -1;
}

using Trace = std::vector<std::string>;

// One parametrized case: what to do with a set of fakes, and the calls it must make.
template <class Fakes>
struct TraceCase {
    const char* name;
    std::function<void(Fakes&)> call;
    Trace trace;
};
template <class Fakes>
std::ostream& operator<<(std::ostream& out, const TraceCase<Fakes>& c) {
    return out << c.name;
}

struct Log {
    std::vector<std::string> calls;
    void clear() { calls.clear(); }
};

// What one fake object answers.
struct Script {
    std::map<int, int> status;  // slot -> status; absent slots succeed
    bool writes = true;         // whether out-values are written at all
    std::string message = "library message";
    std::string text;
    long long number = 0;  // int and size_t results
    double real = 0.0;     // float and double results
    bool flag = false;
    AttributeType kind = AttributeType_Int;
    AccessType access = AccessType__None;
    HandleType handleType = HandleType_Unknown;
    ExceptionType exceptionType = ExceptionType__None;
    CEntityID id{0, 0};
    IEntity* entity = nullptr;
    IAttribute* attribute = nullptr;
    ICompositeAttribute* parent = nullptr;
    IEntityCollection* collection = nullptr;
};

inline std::string fmt(bool value) { return value ? "true" : "false"; }
inline std::string fmt(int value) { return std::to_string(value); }
inline std::string fmt(std::size_t value) { return std::to_string(value); }
inline std::string fmt(Chronology value) { return std::to_string(static_cast<int>(value)); }
inline std::string fmt(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}
inline std::string fmt(float value) { return fmt(static_cast<double>(value)) + "f"; }
inline std::string fmt(const Tools::IConstString& text) { return std::string(text.c_str(), text.size()); }
inline std::string fmt(const CEntityID& id) { return std::to_string(id.id1) + ":" + std::to_string(id.id2); }

class Recorder {
public:
    Recorder(Log& log, std::string name) : log_(&log), name_(std::move(name)) {}
    Script script;

protected:
    template <class... In>
    int record(int slot, const In&... in) const {
        std::string args;
        ((args += (args.empty() ? "" : ",") + fmt(in)), ...);
        log_->calls.push_back(name_ + ":" + std::to_string(slot) + "(" + args + ")");
        const auto found = script.status.find(slot);
        return found == script.status.end() ? 0 : found->second;
    }
    // An out-value is written even when the status fails, as a careless library might.
    template <class Out, class... In>
    int reply(int slot, Out& out, const In&... in) const {
        const int status = record(slot, in...);
        if (script.writes) put(out);
        return status;
    }

    void put(int& out) const { out = static_cast<int>(script.number); }
    void put(std::size_t& out) const { out = static_cast<std::size_t>(script.number); }
    void put(double& out) const { out = script.real; }
    void put(float& out) const { out = static_cast<float>(script.real); }
    void put(bool& out) const { out = script.flag; }
    void put(Tools::IString& out) const { out.assign(script.text.data(), script.text.size()); }
    void put(AttributeType& out) const { out = script.kind; }
    void put(AccessType& out) const { out = script.access; }
    void put(HandleType& out) const { out = script.handleType; }
    void put(ExceptionType& out) const { out = script.exceptionType; }
    void put(CEntityID& out) const { out = script.id; }
    void put(Version& out) const { std::memset(&out, 0x5a, sizeof out); }
    void put(IEntity*& out) const { out = script.entity; }
    void put(IEntity const*& out) const { out = script.entity; }
    void put(IAttribute*& out) const { out = script.attribute; }
    void put(IAttribute const*& out) const { out = script.attribute; }
    void put(ICompositeAttribute*& out) const { out = script.parent; }
    void put(IEntityCollection*& out) const { out = script.collection; }
    void put(IEntityCollection const*& out) const { out = script.collection; }

private:
    Log* log_;
    std::string name_;
};

// Slot of one of this fake's own raw operations.
#define FAKE_SLOT(name) slotOf(&Self::name)
// A raw operation with an out-value (written as scripted) or without one; the further macro
// arguments are the by-value arguments it logs.
#define FAKE_OUT(name, cv, params, ...) \
    int name params cv override { return this->reply(FAKE_SLOT(name), out, ##__VA_ARGS__); }
#define FAKE_IN(name, cv, params, ...) \
    int name params cv override { return this->record(FAKE_SLOT(name), ##__VA_ARGS__); }

// IHandle slots 0 to 2 over any interface.
template <class Interface>
class FakeHandle : public Interface, public Recorder {
public:
    FakeHandle(Log& log, std::string name) : Recorder(log, std::move(name)) {}

protected:
    using Self = FakeHandle;
    FAKE_OUT(do_getHandleType, const, (HandleType& out))
    int do_getLastExceptionMessage(Tools::IString& out) const override {
        const int status = record(FAKE_SLOT(do_getLastExceptionMessage));
        out.assign(script.message.data(), script.message.size());
        return status;
    }
    FAKE_OUT(do_getLastExceptionType, const, (ExceptionType& out))
};

// IAttribute slots 3 to 21 over any attribute interface.
template <class Interface>
class FakeAttributeBase : public FakeHandle<Interface> {
public:
    using FakeHandle<Interface>::FakeHandle;

protected:
    using Self = FakeAttributeBase;
    using Text = Tools::IConstString;
    using Chrono = Chronology;
    FAKE_OUT(do_getAttributeType_const, const, (bool follow, AttributeType& out), follow)
    FAKE_OUT(do_getType_const, const, (Tools::IString& out))
    FAKE_OUT(do_getParent_const, const, (ICompositeAttribute*& out))
    FAKE_OUT(do_getParentEntity_const, const, (IEntity*& out))
    FAKE_OUT(do_getAttributePath_const, const, (bool inEntity, Tools::IString& out), inEntity)
    FAKE_OUT(do_getStringValue_const, const, (Tools::IString& out, Chrono c), c)
    FAKE_IN(do_setStringValue, , (Text const& value, Chrono c), value, c)
    FAKE_OUT(do_getFloatValue_const, const, (float& out, Chrono c), c)
    FAKE_IN(do_setFloatValue, , (float value, Chrono c), value, c)
    FAKE_OUT(do_getDoubleValue_const, const, (double& out, Chrono c), c)
    FAKE_IN(do_setDoubleValue, , (double value, Chrono c), value, c)
    FAKE_OUT(do_getIntValue_const, const, (int& out, Chrono c), c)
    FAKE_IN(do_setIntValue, , (int value, Chrono c), value, c)
    FAKE_OUT(do_getBoolValue_const, const, (bool& out, Chrono c), c)
    FAKE_IN(do_setBoolValue, , (bool value, Chrono c), value, c)
    FAKE_OUT(do_hasValue_const, const, (Chrono c, bool& out), c)
    FAKE_OUT(do_hasUnits_const, const, (bool& out))
    FAKE_OUT(do_getUnit_const, const, (Tools::IString& out))
    FAKE_OUT(do_getAccessType_const, const, (AccessType& out))
};

// An entity; with script.kind it also serves as a plain value attribute or composite.
class FakeEntity : public FakeAttributeBase<IEntity> {
public:
    using FakeAttributeBase::FakeAttributeBase;

protected:
    using Self = FakeEntity;
    FAKE_OUT(do_GetNumberOfAttributes_const, const, (bool recursive, std::size_t& out), recursive)
    FAKE_OUT(do_GetAttribute, , (std::size_t i, bool recursive, IAttribute*& out), i, recursive)
    FAKE_OUT(do_GetAttribute_const, const, (std::size_t i, bool recursive, IAttribute const*& out), i, recursive)
    FAKE_OUT(do_GetAttributeByPath, , (Text const& path, IAttribute*& out), path)
    FAKE_OUT(do_GetAttributeByPath_const, const, (Text const& path, IAttribute const*& out), path)
    FAKE_OUT(do_HasAttributeByPath_const, const, (Text const& path, bool& out), path)
    FAKE_OUT(do_getName_const, const, (bool fullName, Tools::IString& out), fullName)
    FAKE_OUT(do_getEntityID_const, const, (CEntityID& out))
};

// Links, lists and arrays share slots 22 to 24.
template <class Interface>
class FakeEntityLink : public FakeAttributeBase<Interface> {
public:
    using FakeAttributeBase<Interface>::FakeAttributeBase;

protected:
    using Self = FakeEntityLink;
    FAKE_OUT(do_getNumberOfEntities_const, const, (std::size_t& out))
    FAKE_OUT(do_getEntity, , (std::size_t i, IEntity*& out), i)
    FAKE_OUT(do_getEntity_const, const, (std::size_t i, IEntity const*& out), i)
};
using FakeLink = FakeEntityLink<ILinkAttribute>;
using FakeList = FakeEntityLink<IListAttribute>;

class FakeShortcut : public FakeAttributeBase<IShortcutAttribute> {
public:
    using FakeAttributeBase::FakeAttributeBase;

protected:
    using Self = FakeShortcut;
    FAKE_OUT(do_getNumberOfShortcuts_const, const, (std::size_t& out))
    FAKE_OUT(do_getShortcut_const, const, (std::size_t i, IAttribute*& out), i)
    FAKE_OUT(do_getFirstValidShortcut_const, const, (IAttribute*& out))
};

class FakeCollection : public FakeHandle<IEntityCollection> {
public:
    using FakeHandle::FakeHandle;

protected:
    using Self = FakeCollection;
    using Text = Tools::IConstString;
    using Size = std::size_t;
    FAKE_OUT(do_getNumberOfRootEntities, const, (Size& out))
    FAKE_OUT(do_getRootEntity, , (Size i, IEntity*& out), i)
    FAKE_OUT(do_getRootEntity_const, const, (Size i, IEntity const*& out), i)
    FAKE_OUT(do_getNumberOfEntities, const, (Size& out))
    FAKE_OUT(do_getNumberOfEntitiesByTypeAndName, const, (Text const& type, Text const& name, Size& out), type, name)
    FAKE_OUT(do_getSolutionControl, , (IEntity*& out))
    FAKE_OUT(do_getSolutionControl_const, const, (IEntity const*& out))
    FAKE_OUT(do_getEntityByIndex, , (Size i, IEntity*& out), i)
    FAKE_OUT(do_getEntityByIndex_const, const, (Size i, IEntity const*& out), i)
    FAKE_OUT(do_getEntityByTypeAndName, , (Text const& type, Text const& name, Size i, IEntity*& out), type, name, i)
    FAKE_OUT(do_getEntityByTypeAndName_const, const, (Text const& type, Text const& name, Size i, IEntity const*& out),
             type, name, i)
    FAKE_OUT(do_getNumberOfEntitiesByType, const, (Text const& type, Size& out), type)
    FAKE_OUT(do_getNumberOfEntitiesByID, const, (CEntityID const& id, Size& out), id)
    FAKE_OUT(do_getEntityByType, , (Text const& type, Size i, IEntity*& out), type, i)
    FAKE_OUT(do_getEntityByType_const, const, (Text const& type, Size i, IEntity const*& out), type, i)
    FAKE_OUT(do_getEntityByID, , (CEntityID const& id, IEntity*& out), id)
    FAKE_OUT(do_getEntityByID_const, const, (CEntityID const& id, IEntity const*& out), id)
};

class FakeManager : public FakeHandle<ISolverManager> {
public:
    using FakeHandle::FakeHandle;

    // The reserved positions, which no facade operation reaches.
    static int reservedSlot23() { return slotOf(&FakeManager::do_reserved23); }
    static int reservedSlot24() { return slotOf(&FakeManager::do_reserved24); }

protected:
    using Self = FakeManager;
    using Chrono = Chronology;
    FAKE_OUT(do_getIteration, const, (int& out, Chrono c), c)
    FAKE_OUT(do_getNumberOfIterations, const, (int& out, Chrono c), c)
    FAKE_IN(do_setNumberOfIterations, , (int value, Chrono c), value, c)
    FAKE_OUT(do_getTime, const, (double& out, Chrono c), c)
    FAKE_OUT(do_getTimeStep, const, (double& out, Chrono c), c)
    FAKE_IN(do_setTimeStep, , (double value, Chrono c), value, c)
    FAKE_IN(do_setTotalTime, , (double value, Chrono c), value, c)
    FAKE_OUT(do_getTotalTime, const, (double& out, Chrono c), c)
    FAKE_OUT(do_isTransient, const, (bool& out, Chrono c), c)
    FAKE_OUT(do_isFirstIteration, const, (bool& out, Chrono c), c)
    FAKE_OUT(do_isLastIteration, const, (bool& out, Chrono c), c)
    FAKE_OUT(do_isFirstTimeStep, const, (bool& out, Chrono c), c)
    FAKE_OUT(do_isLastTimeStep, const, (bool& out, Chrono c), c)
    FAKE_OUT(do_isConverged, const, (bool& out, Chrono c), c)
    // Two overloads share the name: their member pointers are picked by signature.
    int do_getEntityCollection(IEntityCollection*& out) override {
        return reply(slotOf(static_cast<int (Self::*)(IEntityCollection*&)>(&Self::do_getEntityCollection)), out);
    }
    int do_getEntityCollection(IEntityCollection const*& out) const override {
        return reply(slotOf(static_cast<int (Self::*)(IEntityCollection const*&) const>(&Self::do_getEntityCollection)),
                     out);
    }
    FAKE_IN(do_setStopOnConvergence, , (bool value, Chrono c), value, c)
    FAKE_OUT(do_isStopOnConvergence, const, (bool& out, Chrono c), c)
    FAKE_OUT(do_version, const, (Version& out))
    FAKE_OUT(do_versionString, const, (Tools::IString& out))
    FAKE_IN(do_reserved23, , ())
    FAKE_IN(do_reserved24, , ())
    FAKE_IN(do_solveStop, , ())
    FAKE_OUT(do_isSolveStopped, const, (bool& out))
    FAKE_IN(do_showMessage, const, (Tools::IConstString const& message), message)
    FAKE_IN(do_showInformational, const, (Tools::IConstString const& message), message)
};

#undef FAKE_OUT
#undef FAKE_IN
#undef FAKE_SLOT

}  // namespace fake
