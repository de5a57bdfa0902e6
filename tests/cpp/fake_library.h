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

// IHandle slots 0 to 2 over any interface.
template <class Interface>
class FakeHandle : public Interface, public Recorder {
public:
    FakeHandle(Log& log, std::string name) : Recorder(log, std::move(name)) {}

protected:
    using Self = FakeHandle;
    int do_getHandleType(HandleType& out) const override { return reply(FAKE_SLOT(do_getHandleType), out); }
    int do_getLastExceptionMessage(Tools::IString& out) const override {
        const int status = record(FAKE_SLOT(do_getLastExceptionMessage));
        out.assign(script.message.data(), script.message.size());
        return status;
    }
    int do_getLastExceptionType(ExceptionType& out) const override {
        return reply(FAKE_SLOT(do_getLastExceptionType), out);
    }
};

// IAttribute slots 3 to 21 over any attribute interface.
template <class Interface>
class FakeAttributeBase : public FakeHandle<Interface> {
public:
    using FakeHandle<Interface>::FakeHandle;

protected:
    using Self = FakeAttributeBase;
    using Text = Tools::IConstString;
    int do_getAttributeType_const(bool follow, AttributeType& out) const override {
        return this->reply(FAKE_SLOT(do_getAttributeType_const), out, follow);
    }
    int do_getType_const(Tools::IString& out) const override { return this->reply(FAKE_SLOT(do_getType_const), out); }
    int do_getParent_const(ICompositeAttribute*& out) const override {
        return this->reply(FAKE_SLOT(do_getParent_const), out);
    }
    int do_getParentEntity_const(IEntity*& out) const override {
        return this->reply(FAKE_SLOT(do_getParentEntity_const), out);
    }
    int do_getAttributePath_const(bool inEntity, Tools::IString& out) const override {
        return this->reply(FAKE_SLOT(do_getAttributePath_const), out, inEntity);
    }
    int do_getStringValue_const(Tools::IString& out, Chronology c) const override {
        return this->reply(FAKE_SLOT(do_getStringValue_const), out, c);
    }
    int do_setStringValue(Text const& value, Chronology c) override {
        return this->record(FAKE_SLOT(do_setStringValue), value, c);
    }
    int do_getFloatValue_const(float& out, Chronology c) const override {
        return this->reply(FAKE_SLOT(do_getFloatValue_const), out, c);
    }
    int do_setFloatValue(float value, Chronology c) override { return this->record(FAKE_SLOT(do_setFloatValue), value, c); }
    int do_getDoubleValue_const(double& out, Chronology c) const override {
        return this->reply(FAKE_SLOT(do_getDoubleValue_const), out, c);
    }
    int do_setDoubleValue(double value, Chronology c) override {
        return this->record(FAKE_SLOT(do_setDoubleValue), value, c);
    }
    int do_getIntValue_const(int& out, Chronology c) const override {
        return this->reply(FAKE_SLOT(do_getIntValue_const), out, c);
    }
    int do_setIntValue(int value, Chronology c) override { return this->record(FAKE_SLOT(do_setIntValue), value, c); }
    int do_getBoolValue_const(bool& out, Chronology c) const override {
        return this->reply(FAKE_SLOT(do_getBoolValue_const), out, c);
    }
    int do_setBoolValue(bool value, Chronology c) override { return this->record(FAKE_SLOT(do_setBoolValue), value, c); }
    int do_hasValue_const(Chronology c, bool& out) const override {
        return this->reply(FAKE_SLOT(do_hasValue_const), out, c);
    }
    int do_hasUnits_const(bool& out) const override { return this->reply(FAKE_SLOT(do_hasUnits_const), out); }
    int do_getUnit_const(Tools::IString& out) const override { return this->reply(FAKE_SLOT(do_getUnit_const), out); }
    int do_getAccessType_const(AccessType& out) const override {
        return this->reply(FAKE_SLOT(do_getAccessType_const), out);
    }
};

// An entity; with script.kind it also serves as a plain value attribute or composite.
class FakeEntity : public FakeAttributeBase<IEntity> {
public:
    using FakeAttributeBase::FakeAttributeBase;

protected:
    using Self = FakeEntity;
    int do_GetNumberOfAttributes_const(bool recursive, std::size_t& out) const override {
        return reply(FAKE_SLOT(do_GetNumberOfAttributes_const), out, recursive);
    }
    int do_GetAttribute(std::size_t i, bool recursive, IAttribute*& out) override {
        return reply(FAKE_SLOT(do_GetAttribute), out, i, recursive);
    }
    int do_GetAttribute_const(std::size_t i, bool recursive, IAttribute const*& out) const override {
        return reply(FAKE_SLOT(do_GetAttribute_const), out, i, recursive);
    }
    int do_GetAttributeByPath(Text const& path, IAttribute*& out) override {
        return reply(FAKE_SLOT(do_GetAttributeByPath), out, path);
    }
    int do_GetAttributeByPath_const(Text const& path, IAttribute const*& out) const override {
        return reply(FAKE_SLOT(do_GetAttributeByPath_const), out, path);
    }
    int do_HasAttributeByPath_const(Text const& path, bool& out) const override {
        return reply(FAKE_SLOT(do_HasAttributeByPath_const), out, path);
    }
    int do_getName_const(bool fullName, Tools::IString& out) const override {
        return reply(FAKE_SLOT(do_getName_const), out, fullName);
    }
    int do_getEntityID_const(CEntityID& out) const override { return reply(FAKE_SLOT(do_getEntityID_const), out); }
};

// Links, lists and arrays share slots 22 to 24.
template <class Interface>
class FakeEntityLink : public FakeAttributeBase<Interface> {
public:
    using FakeAttributeBase<Interface>::FakeAttributeBase;

protected:
    using Self = FakeEntityLink;
    int do_getNumberOfEntities_const(std::size_t& out) const override {
        return this->reply(FAKE_SLOT(do_getNumberOfEntities_const), out);
    }
    int do_getEntity(std::size_t i, IEntity*& out) override { return this->reply(FAKE_SLOT(do_getEntity), out, i); }
    int do_getEntity_const(std::size_t i, IEntity const*& out) const override {
        return this->reply(FAKE_SLOT(do_getEntity_const), out, i);
    }
};
using FakeLink = FakeEntityLink<ILinkAttribute>;
using FakeList = FakeEntityLink<IListAttribute>;

class FakeShortcut : public FakeAttributeBase<IShortcutAttribute> {
public:
    using FakeAttributeBase::FakeAttributeBase;

protected:
    using Self = FakeShortcut;
    int do_getNumberOfShortcuts_const(std::size_t& out) const override {
        return reply(FAKE_SLOT(do_getNumberOfShortcuts_const), out);
    }
    int do_getShortcut_const(std::size_t i, IAttribute*& out) const override {
        return reply(FAKE_SLOT(do_getShortcut_const), out, i);
    }
    int do_getFirstValidShortcut_const(IAttribute*& out) const override {
        return reply(FAKE_SLOT(do_getFirstValidShortcut_const), out);
    }
};

class FakeCollection : public FakeHandle<IEntityCollection> {
public:
    using FakeHandle::FakeHandle;

protected:
    using Self = FakeCollection;
    using Text = Tools::IConstString;
    int do_getNumberOfRootEntities(std::size_t& out) const override {
        return reply(FAKE_SLOT(do_getNumberOfRootEntities), out);
    }
    int do_getRootEntity(std::size_t i, IEntity*& out) override { return reply(FAKE_SLOT(do_getRootEntity), out, i); }
    int do_getRootEntity_const(std::size_t i, IEntity const*& out) const override {
        return reply(FAKE_SLOT(do_getRootEntity_const), out, i);
    }
    int do_getNumberOfEntities(std::size_t& out) const override { return reply(FAKE_SLOT(do_getNumberOfEntities), out); }
    int do_getNumberOfEntitiesByTypeAndName(Text const& type, Text const& name, std::size_t& out) const override {
        return reply(FAKE_SLOT(do_getNumberOfEntitiesByTypeAndName), out, type, name);
    }
    int do_getSolutionControl(IEntity*& out) override { return reply(FAKE_SLOT(do_getSolutionControl), out); }
    int do_getSolutionControl_const(IEntity const*& out) const override {
        return reply(FAKE_SLOT(do_getSolutionControl_const), out);
    }
    int do_getEntityByIndex(std::size_t i, IEntity*& out) override {
        return reply(FAKE_SLOT(do_getEntityByIndex), out, i);
    }
    int do_getEntityByIndex_const(std::size_t i, IEntity const*& out) const override {
        return reply(FAKE_SLOT(do_getEntityByIndex_const), out, i);
    }
    int do_getEntityByTypeAndName(Text const& type, Text const& name, std::size_t i, IEntity*& out) override {
        return reply(FAKE_SLOT(do_getEntityByTypeAndName), out, type, name, i);
    }
    int do_getEntityByTypeAndName_const(Text const& type, Text const& name, std::size_t i,
                                        IEntity const*& out) const override {
        return reply(FAKE_SLOT(do_getEntityByTypeAndName_const), out, type, name, i);
    }
    int do_getNumberOfEntitiesByType(Text const& type, std::size_t& out) const override {
        return reply(FAKE_SLOT(do_getNumberOfEntitiesByType), out, type);
    }
    int do_getNumberOfEntitiesByID(CEntityID const& id, std::size_t& out) const override {
        return reply(FAKE_SLOT(do_getNumberOfEntitiesByID), out, id);
    }
    int do_getEntityByType(Text const& type, std::size_t i, IEntity*& out) override {
        return reply(FAKE_SLOT(do_getEntityByType), out, type, i);
    }
    int do_getEntityByType_const(Text const& type, std::size_t i, IEntity const*& out) const override {
        return reply(FAKE_SLOT(do_getEntityByType_const), out, type, i);
    }
    int do_getEntityByID(CEntityID const& id, IEntity*& out) override { return reply(FAKE_SLOT(do_getEntityByID), out, id); }
    int do_getEntityByID_const(CEntityID const& id, IEntity const*& out) const override {
        return reply(FAKE_SLOT(do_getEntityByID_const), out, id);
    }
};

class FakeManager : public FakeHandle<ISolverManager> {
public:
    using FakeHandle::FakeHandle;

    // The reserved positions, which no facade operation reaches.
    static int reservedSlot23() { return slotOf(&FakeManager::do_reserved23); }
    static int reservedSlot24() { return slotOf(&FakeManager::do_reserved24); }

protected:
    using Self = FakeManager;
    int do_getIteration(int& out, Chronology c) const override { return reply(FAKE_SLOT(do_getIteration), out, c); }
    int do_getNumberOfIterations(int& out, Chronology c) const override {
        return reply(FAKE_SLOT(do_getNumberOfIterations), out, c);
    }
    int do_setNumberOfIterations(int value, Chronology c) override {
        return record(FAKE_SLOT(do_setNumberOfIterations), value, c);
    }
    int do_getTime(double& out, Chronology c) const override { return reply(FAKE_SLOT(do_getTime), out, c); }
    int do_getTimeStep(double& out, Chronology c) const override { return reply(FAKE_SLOT(do_getTimeStep), out, c); }
    int do_setTimeStep(double value, Chronology c) override { return record(FAKE_SLOT(do_setTimeStep), value, c); }
    int do_setTotalTime(double value, Chronology c) override { return record(FAKE_SLOT(do_setTotalTime), value, c); }
    int do_getTotalTime(double& out, Chronology c) const override { return reply(FAKE_SLOT(do_getTotalTime), out, c); }
    int do_isTransient(bool& out, Chronology c) const override { return reply(FAKE_SLOT(do_isTransient), out, c); }
    int do_isFirstIteration(bool& out, Chronology c) const override {
        return reply(FAKE_SLOT(do_isFirstIteration), out, c);
    }
    int do_isLastIteration(bool& out, Chronology c) const override { return reply(FAKE_SLOT(do_isLastIteration), out, c); }
    int do_isFirstTimeStep(bool& out, Chronology c) const override { return reply(FAKE_SLOT(do_isFirstTimeStep), out, c); }
    int do_isLastTimeStep(bool& out, Chronology c) const override { return reply(FAKE_SLOT(do_isLastTimeStep), out, c); }
    int do_isConverged(bool& out, Chronology c) const override { return reply(FAKE_SLOT(do_isConverged), out, c); }
    int do_getEntityCollection(IEntityCollection*& out) override {
        return reply(slotOf(static_cast<int (Self::*)(IEntityCollection*&)>(&Self::do_getEntityCollection)), out);
    }
    int do_getEntityCollection(IEntityCollection const*& out) const override {
        return reply(slotOf(static_cast<int (Self::*)(IEntityCollection const*&) const>(&Self::do_getEntityCollection)),
                     out);
    }
    int do_setStopOnConvergence(bool value, Chronology c) override {
        return record(FAKE_SLOT(do_setStopOnConvergence), value, c);
    }
    int do_isStopOnConvergence(bool& out, Chronology c) const override {
        return reply(FAKE_SLOT(do_isStopOnConvergence), out, c);
    }
    int do_version(Version& out) const override { return reply(FAKE_SLOT(do_version), out); }
    int do_versionString(Tools::IString& out) const override { return reply(FAKE_SLOT(do_versionString), out); }
    int do_reserved23() override { return record(FAKE_SLOT(do_reserved23)); }
    int do_reserved24() override { return record(FAKE_SLOT(do_reserved24)); }
    int do_solveStop() override { return record(FAKE_SLOT(do_solveStop)); }
    int do_isSolveStopped(bool& out) const override { return reply(FAKE_SLOT(do_isSolveStopped), out); }
    int do_showMessage(Tools::IConstString const& message) const override {
        return record(FAKE_SLOT(do_showMessage), message);
    }
    int do_showInformational(Tools::IConstString const& message) const override {
        return record(FAKE_SLOT(do_showInformational), message);
    }
};

#undef FAKE_SLOT

}  // namespace fake
