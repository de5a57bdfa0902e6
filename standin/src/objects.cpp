// The library's objects behind the raw interfaces: one class per interface, each a
// single-inheritance chain from that interface (so an object's address is its interface
// pointer), acting on the in-memory model. Every raw slot first lets the test controls
// record the call or inject a failure; with nothing armed that costs one test of a flag.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <mutex>
#include <string_view>
#include <type_traits>
#include <unordered_map>

#include "exchange/exchange.h"
#include "sdk/handle.h"
#include "sdk/model.h"
#include "sdk/solver.h"

#include "control.h"
#include "library.h"
#include "model_json.h"
#include "ops.h"

namespace varnex2_standin {

namespace sdk = OrvaneSDK;
namespace sm = OrvaneSDK::Model;
using sdk::Chronology;
using sdk::Tools::IConstString;
using sdk::Tools::IString;

namespace {

std::string_view view(const IConstString& s) { return std::string_view(s.c_str(), s.size()); }
void put(IString& out, std::string_view text) { out.assign(text.data(), text.size()); }

sm::IEntity* entityObject(EntityNode* node);
sm::IEntity* decoy();

// Values written by an injected failure with write_out: non-zero numbers, a partial text,
// and pointers to a real (decoy) object so that a client misusing them does not crash.
namespace writeout {
struct NoOut {};
inline void put(NoOut&) {}
inline void put(int& v) { v = 7; }
inline void put(bool& v) { v = true; }
inline void put(float& v) { v = 7.5f; }
inline void put(double& v) { v = 7.5; }
inline void put(std::size_t& v) { v = 7; }
inline void put(sdk::HandleType& v) { v = static_cast<sdk::HandleType>(7); }
inline void put(sdk::ExceptionType& v) { v = static_cast<sdk::ExceptionType>(7); }
inline void put(sdk::AttributeType& v) { v = static_cast<sdk::AttributeType>(7); }
inline void put(sdk::AccessType& v) { v = static_cast<sdk::AccessType>(7); }
inline void put(IString& s) { s.assign("partial", 7); }
inline void put(sm::CEntityID& id) { id.id1 = id.id2 = 7; }
inline void put(sdk::Version& v) { std::memset(&v, 7, sizeof v); }
inline void put(sm::IEntity*& p) { p = decoy(); }
inline void put(const sm::IEntity*& p) { p = decoy(); }
inline void put(sm::IAttribute*& p) { p = decoy(); }
inline void put(const sm::IAttribute*& p) { p = decoy(); }
inline void put(sm::ICompositeAttribute*& p) { p = decoy(); }
inline void put(sm::IEntityCollection*& p) { p = library::collection(); }
inline void put(const sm::IEntityCollection*& p) { p = library::collection(); }
}  // namespace writeout

writeout::NoOut noOut;

int exceptionTypeOf(int status) {
    return status <= kRuntimeError && status >= kUnknown ? status : kUnknown;
}

}  // namespace

// Records the call and returns an armed failure, if any, before the slot does its work.
#define VX_HOOK(SLOT, OUT, ...)                                                     \
    if (ORVANE_UNLIKELY(control::active)) {                                          \
        control::Fired fired_;                                                       \
        if (control::intercept(fired_, this, SLOT, __VA_ARGS__)) return this->injected(fired_, OUT); \
    }
#define VX_HOOK0(SLOT, OUT)                                                         \
    if (ORVANE_UNLIKELY(control::active)) {                                          \
        control::Fired fired_;                                                       \
        if (control::intercept(fired_, this, SLOT)) return this->injected(fired_, OUT); \
    }

namespace {

// The last failure of each object that has failed, by object address: objects hold no
// record of their own, so that each is two words (see ObjectSlab).
class ErrorTable {
public:
    ErrorRecord get(const void* object) {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = records_.find(object);
        return it == records_.end() ? ErrorRecord() : it->second;
    }
    void set(const void* object, ErrorRecord record) {
        std::lock_guard<std::mutex> guard(lock_);
        records_[object] = std::move(record);
    }
    void erase(const void* object) {
        std::lock_guard<std::mutex> guard(lock_);
        records_.erase(object);
    }

private:
    std::mutex lock_;
    std::unordered_map<const void*, ErrorRecord> records_;
};

ErrorTable& errors() {
    static auto* table = new ErrorTable();  // never destroyed: raw calls may come during exit
    return *table;
}

// An error record for a call to fill in, kept for the object if the call fails.
struct Recorder {
    const void* object;
    ErrorRecord record;
    operator ErrorRecord&() { return record; }
    ~Recorder() {
        if (record.type != kOk) errors().set(object, std::move(record));
    }
};

}  // namespace

// Slots 0 to 2, shared by every object; I is the interface implemented.
template <class I, sdk::HandleType H>
class HandleObject : public I {
public:
    int fail(int status, std::string message) const {
        errors().set(this, ErrorRecord{status, std::move(message)});
        return status;
    }

    template <class T>
    int injected(const control::Fired& fired, T& out) const {
        if (fired.writeOut) writeout::put(out);
        if (fired.status != kOk) errors().set(this, ErrorRecord{exceptionTypeOf(fired.status), *fired.message});
        return fired.status;
    }

protected:
    // The record that slots 1 and 2 report. A virtual of our own comes after the
    // interface's slots, so the interface's table stays as it is.
    virtual ErrorRecord lastError() const { return errors().get(this); }
    Recorder err() const { return Recorder{this, {}}; }

    int do_getHandleType(sdk::HandleType& out) const override {
        VX_HOOK0(0, out);
        out = H;
        return kOk;
    }
    int do_getLastExceptionMessage(IString& out) const override {
        if (ORVANE_UNLIKELY(control::active)) {
            bool dueToFail = control::takeMessageFailure(this);
            control::Fired fired;
            if (control::intercept(fired, this, 1)) {
                if (fired.writeOut) writeout::put(out);
                return fired.status;
            }
            if (dueToFail) return kGeneric;
        }
        put(out, lastError().message);
        return kOk;
    }
    int do_getLastExceptionType(sdk::ExceptionType& out) const override {
        if (ORVANE_UNLIKELY(control::active)) {
            control::Fired fired;
            if (control::intercept(fired, this, 2)) {
                if (fired.writeOut) writeout::put(out);
                return fired.status;
            }
        }
        out = static_cast<sdk::ExceptionType>(lastError().type);
        return kOk;
    }
};

namespace {
sm::ICompositeAttribute* compositeObject(CompositeNode* node);

// Descriptions of the objects of the model replaced last, by object address, so that their
// failures name them; objects of models replaced before name only their kind. Kept
// compact, as a replaced large model may leave many: the texts one after another in one
// buffer, and (address, offset) pairs sorted when first searched.
class Orphans {
public:
    void clear() {
        entries_ = {};
        texts_ = {};
        sorted_ = true;
    }
    void add(const void* object, const std::string& description) {
        entries_.push_back({object, texts_.size()});
        texts_.append(description).push_back('\0');
        sorted_ = false;
    }
    // Gives back the spare capacity once a model's objects are all added.
    void compact() {
        entries_.shrink_to_fit();
        texts_.shrink_to_fit();
    }
    // Null when the object is not of the model replaced last.
    const char* describe(const void* object) {
        if (!sorted_) {
            std::sort(entries_.begin(), entries_.end());
            sorted_ = true;
        }
        auto it = std::lower_bound(entries_.begin(), entries_.end(), std::make_pair(object, std::size_t(0)));
        return it != entries_.end() && it->first == object ? texts_.c_str() + it->second : nullptr;
    }

private:
    std::vector<std::pair<const void*, std::size_t>> entries_;
    std::string texts_;
    bool sorted_ = true;
};

Orphans& orphans() {
    static auto* table = new Orphans();
    return *table;
}

// What an object of interface I is, for an object whose model is gone.
template <class I>
constexpr const char* kindOf() {
    if constexpr (std::is_same_v<I, sm::IValueAttribute<int>>) return "int attribute";
    else if constexpr (std::is_same_v<I, sm::IValueAttribute<bool>>) return "bool attribute";
    else if constexpr (std::is_same_v<I, sm::IValueAttribute<float>>) return "float attribute";
    else if constexpr (std::is_same_v<I, sm::IValueAttribute<double>>) return "double attribute";
    else if constexpr (std::is_same_v<I, sm::IValueAttribute<std::string>>) return "string attribute";
    else if constexpr (std::is_same_v<I, sm::IEntity>) return "entity";
    else if constexpr (std::is_same_v<I, sm::ICompositeAttribute>) return "composite attribute";
    else if constexpr (std::is_same_v<I, sm::ILinkAttribute>) return "link attribute";
    else if constexpr (std::is_same_v<I, sm::IListAttribute>) return "list attribute";
    else if constexpr (std::is_same_v<I, sm::IArrayAttribute>) return "array attribute";
    else return "shortcut attribute";
}
}  // namespace

// An object of a replaced model answers every slot (after the first three) with -3; its
// last error says why (see lastError), without a record of its own.
#define VX_LIVE()                                      \
    if (ORVANE_UNLIKELY(node_ == nullptr)) return kLogicError;

// Slots 3 to 21 of every attribute.
template <class I>
class AttributeObject : public HandleObject<I, sdk::HandleType_Attribute> {
public:
    explicit AttributeObject(Node* node) : node_(node) {}

    // Cuts the object loose from its node, whose model is going away.
    void orphan() {
        orphans().add(this, node_->describe());
        errors().erase(this);
        node_ = nullptr;
    }

protected:
    using HandleObject<I, sdk::HandleType_Attribute>::err;

    ErrorRecord lastError() const override {
        if (node_ != nullptr) return HandleObject<I, sdk::HandleType_Attribute>::lastError();
        const char* description = orphans().describe(this);
        return ErrorRecord{kLogicError, (description != nullptr ? description : kindOf<I>()) +
                                            std::string(" belongs to a model that has been replaced")};
    }

    int do_getAttributeType_const(bool followShortcut, sdk::AttributeType& out) const override {
        VX_HOOK(3, out, followShortcut);
        VX_LIVE();
        const Node* n = node_;
        if (followShortcut && n->kind == NodeKind::Shortcut) {
            int status = kOk;
            n = valueTarget(*node_, err(), status);
            if (n == nullptr) return status;
        }
        out = static_cast<sdk::AttributeType>(n->kind);
        return kOk;
    }
    int do_getType_const(IString& out) const override {
        VX_HOOK0(4, out);
        VX_LIVE();
        put(out, *node_->type);
        return kOk;
    }
    int do_getParent_const(sm::ICompositeAttribute*& out) const override {
        VX_HOOK0(5, out);
        VX_LIVE();
        out = node_->parent == nullptr ? nullptr : compositeObject(node_->parent);
        return kOk;
    }
    int do_getParentEntity_const(sm::IEntity*& out) const override {
        VX_HOOK0(6, out);
        VX_LIVE();
        EntityNode* e = node_->parentEntity();
        out = e == nullptr ? nullptr : entityObject(e);
        return kOk;
    }
    int do_getAttributePath_const(bool inEntity, IString& out) const override {
        VX_HOOK(7, out, inEntity);
        VX_LIVE();
        put(out, inEntity ? node_->pathInEntity() : node_->fullPath());
        return kOk;
    }
    int do_getStringValue_const(IString& out, Chronology chronology) const override {
        VX_HOOK(8, out, chronology);
        VX_LIVE();
        std::string value;
        int status = getValue(*node_, chronology, value, err());
        if (status == kOk) put(out, value);
        return status;
    }
    int do_setStringValue(IConstString const& value, Chronology chronology) override {
        VX_HOOK(9, noOut, value, chronology);
        VX_LIVE();
        return setValue(*node_, chronology, std::string(value.c_str(), value.size()), err());
    }
    int do_getFloatValue_const(float& out, Chronology chronology) const override {
        VX_HOOK(10, out, chronology);
        VX_LIVE();
        return getValue(*node_, chronology, out, err());
    }
    int do_setFloatValue(float value, Chronology chronology) override {
        VX_HOOK(11, noOut, value, chronology);
        VX_LIVE();
        return setValue(*node_, chronology, value, err());
    }
    int do_getDoubleValue_const(double& out, Chronology chronology) const override {
        VX_HOOK(12, out, chronology);
        VX_LIVE();
        return getValue(*node_, chronology, out, err());
    }
    int do_setDoubleValue(double value, Chronology chronology) override {
        VX_HOOK(13, noOut, value, chronology);
        VX_LIVE();
        return setValue(*node_, chronology, value, err());
    }
    int do_getIntValue_const(int& out, Chronology chronology) const override {
        VX_HOOK(14, out, chronology);
        VX_LIVE();
        return getValue(*node_, chronology, out, err());
    }
    int do_setIntValue(int value, Chronology chronology) override {
        VX_HOOK(15, noOut, value, chronology);
        VX_LIVE();
        return setValue(*node_, chronology, value, err());
    }
    int do_getBoolValue_const(bool& out, Chronology chronology) const override {
        VX_HOOK(16, out, chronology);
        VX_LIVE();
        return getValue(*node_, chronology, out, err());
    }
    int do_setBoolValue(bool value, Chronology chronology) override {
        VX_HOOK(17, noOut, value, chronology);
        VX_LIVE();
        return setValue(*node_, chronology, value, err());
    }
    int do_hasValue_const(Chronology chronology, bool& out) const override {
        VX_HOOK(18, out, chronology);
        VX_LIVE();
        return hasValue(*node_, chronology, out, err());
    }
    int do_hasUnits_const(bool& out) const override {
        VX_HOOK0(19, out);
        VX_LIVE();
        out = unitNode()->unit != nullptr;
        return kOk;
    }
    int do_getUnit_const(IString& out) const override {
        VX_HOOK0(20, out);
        VX_LIVE();
        const Node* n = unitNode();
        put(out, n->unit == nullptr ? std::string() : *n->unit);
        return kOk;
    }
    int do_getAccessType_const(sdk::AccessType& out) const override {
        VX_HOOK0(21, out);
        VX_LIVE();
        out = static_cast<sdk::AccessType>(unitNode()->access);
        return kOk;
    }

    // Unit and access of a shortcut are those of its target, when it has a valid one.
    const Node* unitNode() const {
        if (node_->kind != NodeKind::Shortcut) return node_;
        ErrorRecord ignored;
        int status = kOk;
        const Node* n = valueTarget(*node_, ignored, status);
        return n == nullptr ? node_ : n;
    }

    Node* node_;
};

template <class T>
class ValueObject final : public AttributeObject<sm::IValueAttribute<T>> {
public:
    using AttributeObject<sm::IValueAttribute<T>>::AttributeObject;
};

// Slots 22 to 27 of composites and entities.
template <class I>
class CompositeObjectT : public AttributeObject<I> {
public:
    using AttributeObject<I>::AttributeObject;

protected:
    using AttributeObject<I>::node_;

    CompositeNode* composite() const { return static_cast<CompositeNode*>(node_); }

    std::size_t numberOf(bool recursive) const {
        return recursive ? node_->owner()->recursiveCount(composite()) : composite()->children.size();
    }
    int at(std::size_t index, bool recursive, Node*& found) const {
        std::size_t n = numberOf(recursive);
        if (index >= n)
            return this->fail(kOutOfRange, "attribute index " + std::to_string(index) + " is out of range: " +
                                               node_->describe() + " has " + std::to_string(n) +
                                               (recursive ? " attributes counted recursively" : " attributes"));
        found = recursive ? node_->owner()->recursiveAt(composite(), index) : composite()->children[index];
        return kOk;
    }

    int do_GetNumberOfAttributes_const(bool recursive, std::size_t& out) const override {
        VX_HOOK(22, out, recursive);
        VX_LIVE();
        out = numberOf(recursive);
        return kOk;
    }
    int do_GetAttribute(std::size_t index, bool recursive, sm::IAttribute*& out) override {
        VX_HOOK(23, out, index, recursive);
        VX_LIVE();
        Node* found = nullptr;
        int status = at(index, recursive, found);
        if (status == kOk) out = library::attributeObject(found);
        return status;
    }
    int do_GetAttribute_const(std::size_t index, bool recursive, sm::IAttribute const*& out) const override {
        VX_HOOK(24, out, index, recursive);
        VX_LIVE();
        Node* found = nullptr;
        int status = at(index, recursive, found);
        if (status == kOk) out = library::attributeObject(found);
        return status;
    }
    int do_GetAttributeByPath(IConstString const& path, sm::IAttribute*& out) override {
        VX_HOOK(25, out, path);
        VX_LIVE();
        out = library::attributeObject(node_->owner()->resolvePath(composite(), view(path)));
        return kOk;
    }
    int do_GetAttributeByPath_const(IConstString const& path, sm::IAttribute const*& out) const override {
        VX_HOOK(26, out, path);
        VX_LIVE();
        out = library::attributeObject(node_->owner()->resolvePath(composite(), view(path)));
        return kOk;
    }
    int do_HasAttributeByPath_const(IConstString const& path, bool& out) const override {
        VX_HOOK(27, out, path);
        VX_LIVE();
        out = node_->owner()->resolvePath(composite(), view(path)) != nullptr;
        return kOk;
    }
};

class CompositeObject final : public CompositeObjectT<sm::ICompositeAttribute> {
public:
    using CompositeObjectT<sm::ICompositeAttribute>::CompositeObjectT;
};

// Slots 28 and 29 of entities.
class EntityObject final : public CompositeObjectT<sm::IEntity> {
public:
    using CompositeObjectT<sm::IEntity>::CompositeObjectT;

protected:
    const EntityNode* entity() const { return static_cast<const EntityNode*>(node_); }

    int do_getName_const(bool fullName, IString& out) const override {
        VX_HOOK(28, out, fullName);
        VX_LIVE();
        put(out, fullName ? entity()->fullName : entity()->name);
        return kOk;
    }
    int do_getEntityID_const(sm::CEntityID& out) const override {
        VX_HOOK0(29, out);
        VX_LIVE();
        out.id1 = entity()->id1;
        out.id2 = entity()->id2;
        return kOk;
    }
};

// Slots 22 to 24 of links, lists and arrays.
template <class I>
class LinkObject final : public AttributeObject<I> {
public:
    using AttributeObject<I>::AttributeObject;

protected:
    using AttributeObject<I>::node_;

    const LinkNode* link() const { return static_cast<const LinkNode*>(node_); }

    int at(std::size_t index, EntityNode*& found) const {
        std::size_t n = link()->targets.size();
        if (index >= n)
            return this->fail(kOutOfRange, "entity index " + std::to_string(index) + " is out of range: " +
                                               node_->describe() + " refers to " + std::to_string(n) +
                                               (n == 1 ? " entity" : " entities"));
        found = link()->targets[index];
        return kOk;
    }

    int do_getNumberOfEntities_const(std::size_t& out) const override {
        VX_HOOK0(22, out);
        VX_LIVE();
        out = link()->targets.size();
        return kOk;
    }
    int do_getEntity(std::size_t index, sm::IEntity*& out) override {
        VX_HOOK(23, out, index);
        VX_LIVE();
        EntityNode* found = nullptr;
        int status = at(index, found);
        if (status == kOk) out = found == nullptr ? nullptr : entityObject(found);
        return status;
    }
    int do_getEntity_const(std::size_t index, sm::IEntity const*& out) const override {
        VX_HOOK(24, out, index);
        VX_LIVE();
        EntityNode* found = nullptr;
        int status = at(index, found);
        if (status == kOk) out = found == nullptr ? nullptr : entityObject(found);
        return status;
    }
};

// Slots 22 to 24 of shortcuts.
class ShortcutObject final : public AttributeObject<sm::IShortcutAttribute> {
public:
    using AttributeObject<sm::IShortcutAttribute>::AttributeObject;

protected:
    const ShortcutNode* shortcut() const { return static_cast<const ShortcutNode*>(node_); }

    int do_getNumberOfShortcuts_const(std::size_t& out) const override {
        VX_HOOK0(22, out);
        VX_LIVE();
        out = shortcut()->targets.size();
        return kOk;
    }
    int do_getShortcut_const(std::size_t index, sm::IAttribute*& out) const override {
        VX_HOOK(23, out, index);
        VX_LIVE();
        std::size_t n = shortcut()->targets.size();
        if (index >= n)
            return fail(kOutOfRange, "shortcut index " + std::to_string(index) + " is out of range: " +
                                         node_->describe() + " has " + std::to_string(n) +
                                         (n == 1 ? " target" : " targets"));
        out = library::attributeObject(shortcut()->targets[index]);
        return kOk;
    }
    int do_getFirstValidShortcut_const(sm::IAttribute*& out) const override {
        VX_HOOK0(24, out);
        VX_LIVE();
        out = library::attributeObject(firstValidTarget(*shortcut()));
        return kOk;
    }
};

// Slots 3 to 19 of the entity collection; it always shows the current model.
class CollectionObject final : public HandleObject<sm::IEntityCollection, sdk::HandleType_EntityCollection> {
protected:
    static Model& model() { return library::model(); }

    // what: "entity" or "root entity".
    int outOfRange(const std::string& what, std::size_t index, std::size_t count) const {
        std::string plural = what.substr(0, what.size() - 1) + "ies";
        return fail(kOutOfRange, what + " index " + std::to_string(index) + " is out of range: the model has " +
                                     std::to_string(count) + " " + (count == 1 ? what : plural));
    }
    static sm::IEntity* pick(const std::vector<EntityNode*>& found, std::size_t index) {
        return index < found.size() ? entityObject(found[index]) : nullptr;
    }
    static sm::IEntity* byTypeAndName(std::string_view type, std::string_view name, std::size_t index) {
        EntityNode* e = model().entityOfTypeAndName(type, name, index);
        return e == nullptr ? nullptr : entityObject(e);
    }
    static sm::IEntity* byId(const sm::CEntityID& id) {
        EntityNode* e = model().entityWithId(id.id1, id.id2);
        return e == nullptr ? nullptr : entityObject(e);
    }
    int root(std::size_t index, sm::IEntity*& out) const {
        const auto& roots = model().roots;
        if (index >= roots.size()) return outOfRange("root entity", index, roots.size());
        out = entityObject(roots[index]);
        return kOk;
    }
    int byIndex(std::size_t index, sm::IEntity*& out) const {
        const auto& all = model().entities;
        if (index >= all.size()) return outOfRange("entity", index, all.size());
        out = entityObject(all[index]);
        return kOk;
    }
    template <class P>
    static int relay(int status, sm::IEntity* found, P& out) {
        if (status == kOk) out = found;
        return status;
    }

    int do_getNumberOfRootEntities(std::size_t& out) const override {
        VX_HOOK0(3, out);
        out = model().roots.size();
        return kOk;
    }
    int do_getRootEntity(std::size_t index, sm::IEntity*& out) override {
        VX_HOOK(4, out, index);
        return root(index, out);
    }
    int do_getRootEntity_const(std::size_t index, sm::IEntity const*& out) const override {
        VX_HOOK(5, out, index);
        sm::IEntity* found = nullptr;
        return relay(root(index, found), found, out);
    }
    int do_getNumberOfEntities(std::size_t& out) const override {
        VX_HOOK0(6, out);
        out = model().entities.size();
        return kOk;
    }
    int do_getNumberOfEntitiesByTypeAndName(Text const& type, Text const& name, std::size_t& out) const override {
        VX_HOOK(7, out, type, name);
        out = model().countOfTypeAndName(view(type), view(name));
        return kOk;
    }
    int do_getSolutionControl(sm::IEntity*& out) override {
        VX_HOOK0(8, out);
        EntityNode* s = model().solutionControl;
        out = s == nullptr ? nullptr : entityObject(s);
        return kOk;
    }
    int do_getSolutionControl_const(sm::IEntity const*& out) const override {
        VX_HOOK0(9, out);
        EntityNode* s = model().solutionControl;
        out = s == nullptr ? nullptr : entityObject(s);
        return kOk;
    }
    int do_getEntityByIndex(std::size_t index, sm::IEntity*& out) override {
        VX_HOOK(10, out, index);
        return byIndex(index, out);
    }
    int do_getEntityByIndex_const(std::size_t index, sm::IEntity const*& out) const override {
        VX_HOOK(11, out, index);
        sm::IEntity* found = nullptr;
        return relay(byIndex(index, found), found, out);
    }
    int do_getEntityByTypeAndName(Text const& type, Text const& name, std::size_t index,
                                  sm::IEntity*& out) override {
        VX_HOOK(12, out, type, name, index);
        out = byTypeAndName(view(type), view(name), index);
        return kOk;
    }
    int do_getEntityByTypeAndName_const(Text const& type, Text const& name, std::size_t index,
                                        sm::IEntity const*& out) const override {
        VX_HOOK(13, out, type, name, index);
        out = byTypeAndName(view(type), view(name), index);
        return kOk;
    }
    int do_getNumberOfEntitiesByType(Text const& type, std::size_t& out) const override {
        VX_HOOK(14, out, type);
        out = model().entitiesOfType(view(type)).size();
        return kOk;
    }
    int do_getNumberOfEntitiesByID(sm::CEntityID const& id, std::size_t& out) const override {
        VX_HOOK(15, out, id);
        out = model().countWithId(id.id1, id.id2);
        return kOk;
    }
    int do_getEntityByType(Text const& type, std::size_t index, sm::IEntity*& out) override {
        VX_HOOK(16, out, type, index);
        out = pick(model().entitiesOfType(view(type)), index);
        return kOk;
    }
    int do_getEntityByType_const(Text const& type, std::size_t index, sm::IEntity const*& out) const override {
        VX_HOOK(17, out, type, index);
        out = pick(model().entitiesOfType(view(type)), index);
        return kOk;
    }
    int do_getEntityByID(sm::CEntityID const& id, sm::IEntity*& out) override {
        VX_HOOK(18, out, id);
        out = byId(id);
        return kOk;
    }
    int do_getEntityByID_const(sm::CEntityID const& id, sm::IEntity const*& out) const override {
        VX_HOOK(19, out, id);
        out = byId(id);
        return kOk;
    }
};

// Slots 3 to 28 of the solver manager, over the run of the current model.
class ManagerObject final : public HandleObject<sdk::ISolverManager, sdk::HandleType_SolverManager> {
protected:
    // A state the run keeps is read in place; Next is computed into a copy.
    template <class T, class F>
    int read(T& out, Chronology chronology, F get) const {
        const Run& run = library::run();
        if (const RunState* kept = run.stored(chronology)) {
            out = get(run, *kept);
            return kOk;
        }
        RunState next;
        if (!run.at(chronology, next)) return outOfRange(chronology);
        out = get(run, next);
        return kOk;
    }
    ORVANE_COLD int outOfRange(Chronology chronology) const {
        return fail(kOutOfRange, "chronology " + std::to_string(static_cast<int>(chronology)) + " is not one of 0 to 4");
    }
    int written(int status, const std::string& why) const { return status == kOk ? kOk : fail(status, why); }

    int do_getIteration(int& out, Chronology c) const override {
        VX_HOOK(3, out, c);
        return read(out, c, [](const Run&, const RunState& s) { return s.iteration; });
    }
    int do_getNumberOfIterations(int& out, Chronology c) const override {
        VX_HOOK(4, out, c);
        return read(out, c, [](const Run&, const RunState& s) { return s.numberOfIterations; });
    }
    int do_setNumberOfIterations(int value, Chronology c) override {
        VX_HOOK(5, noOut, value, c);
        std::string why;
        return written(library::run().setNumberOfIterations(value, c, why), why);
    }
    int do_getTime(double& out, Chronology c) const override {
        VX_HOOK(6, out, c);
        return read(out, c, [](const Run&, const RunState& s) { return s.time; });
    }
    int do_getTimeStep(double& out, Chronology c) const override {
        VX_HOOK(7, out, c);
        return read(out, c, [](const Run&, const RunState& s) { return s.timeStep; });
    }
    int do_setTimeStep(double value, Chronology c) override {
        VX_HOOK(8, noOut, value, c);
        std::string why;
        return written(library::run().setTimeStep(value, c, why), why);
    }
    int do_setTotalTime(double value, Chronology c) override {
        VX_HOOK(9, noOut, value, c);
        std::string why;
        return written(library::run().setTotalTime(value, c, why), why);
    }
    int do_getTotalTime(double& out, Chronology c) const override {
        VX_HOOK(10, out, c);
        return read(out, c, [](const Run&, const RunState& s) { return s.totalTime; });
    }
    int do_isTransient(bool& out, Chronology c) const override {
        VX_HOOK(11, out, c);
        return read(out, c, [](const Run&, const RunState& s) { return s.transient; });
    }
    int do_isFirstIteration(bool& out, Chronology c) const override {
        VX_HOOK(12, out, c);
        return read(out, c, [](const Run& r, const RunState& s) { return r.isFirstIteration(s); });
    }
    int do_isLastIteration(bool& out, Chronology c) const override {
        VX_HOOK(13, out, c);
        return read(out, c, [](const Run& r, const RunState& s) { return r.isLastIteration(s); });
    }
    int do_isFirstTimeStep(bool& out, Chronology c) const override {
        VX_HOOK(14, out, c);
        return read(out, c, [](const Run& r, const RunState& s) { return r.isFirstTimeStep(s); });
    }
    int do_isLastTimeStep(bool& out, Chronology c) const override {
        VX_HOOK(15, out, c);
        return read(out, c, [](const Run& r, const RunState& s) { return r.isLastTimeStep(s); });
    }
    int do_isConverged(bool& out, Chronology c) const override {
        VX_HOOK(16, out, c);
        return read(out, c, [](const Run& r, const RunState& s) { return r.converged(s); });
    }
    int do_getEntityCollection(sm::IEntityCollection*& out) override {
        VX_HOOK0(17, out);
        out = library::collection();
        return kOk;
    }
    int do_getEntityCollection(const sm::IEntityCollection*& out) const override {
        VX_HOOK0(18, out);
        out = library::collection();
        return kOk;
    }
    int do_setStopOnConvergence(bool value, Chronology c) override {
        VX_HOOK(19, noOut, value, c);
        std::string why;
        return written(library::run().setStopOnConvergence(value, c, why), why);
    }
    int do_isStopOnConvergence(bool& out, Chronology c) const override {
        VX_HOOK(20, out, c);
        return read(out, c, [](const Run&, const RunState& s) { return s.stopOnConvergence; });
    }
    int do_version(sdk::Version& out) const override {
        VX_HOOK0(21, out);
        const RunSettings& s = library::run().settings();
        std::memset(&out, 0, sizeof out);
        out.major = s.version[0];
        out.minor = s.version[1];
        out.servicePack = s.version[2];
        out.build = s.version[3];
        out.interfaceVersion = sdk::interfaceVersion;
        return kOk;
    }
    int do_versionString(IString& out) const override {
        VX_HOOK0(22, out);
        const RunSettings& s = library::run().settings();
        std::string text = s.versionString;
        if (text.empty()) {
            text = "Varnex2 stand-in " + std::to_string(s.version[0]) + "." + std::to_string(s.version[1]) + "." +
                   std::to_string(s.version[2]) + "." + std::to_string(s.version[3]);
        }
        put(out, text);
        return kOk;
    }
    // Reserved positions: they do nothing and succeed.
    int do_reserved23() override {
        VX_HOOK0(23, noOut);
        return kOk;
    }
    int do_reserved24() override {
        VX_HOOK0(24, noOut);
        return kOk;
    }
    int do_solveStop() override {
        VX_HOOK0(25, noOut);
        library::run().solveStop();
        return kOk;
    }
    int do_isSolveStopped(bool& out) const override {
        VX_HOOK0(26, out);
        out = library::run().isSolveStopped();
        return kOk;
    }
    int do_showMessage(const IConstString& message) const override {
        VX_HOOK(27, noOut, message);
        control::addMessage(0, std::string(message.c_str(), message.size()));
        return kOk;
    }
    int do_showInformational(const IConstString& message) const override {
        VX_HOOK(28, noOut, message);
        control::addMessage(1, std::string(message.c_str(), message.size()));
        return kOk;
    }
};

namespace {

// Room for interface objects, two words each, in blocks that are never given back: an
// object outlives its model (see orphan()), and its address is never another object's.
class ObjectSlab {
public:
    static constexpr std::size_t kSize = 2 * sizeof(void*);

    template <class T>
    T* make(Node* node) {
        static_assert(sizeof(T) <= kSize && alignof(T) <= alignof(std::max_align_t), "objects are two words");
        std::lock_guard<std::mutex> guard(lock_);
        if (left_ == 0) {
            next_ = reinterpret_cast<char*>(new std::max_align_t[kBlock * kSize / sizeof(std::max_align_t)]);
            left_ = kBlock;
        }
        void* at = next_;
        next_ += kSize;
        --left_;
        return new (at) T(node);
    }

private:
    static constexpr std::size_t kBlock = 4096;
    std::mutex lock_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
};

ObjectSlab& slab() {
    static auto* objects = new ObjectSlab();
    return *objects;
}

// Interface objects are made on first hand-out; they outlive their model (see orphan()).
sm::IAttribute* makeObject(Node* n) {
    ObjectSlab& o = slab();
    switch (n->kind) {
    case NodeKind::Int: return o.make<ValueObject<int>>(n);
    case NodeKind::Bool: return o.make<ValueObject<bool>>(n);
    case NodeKind::String: return o.make<ValueObject<std::string>>(n);
    case NodeKind::Float: return o.make<ValueObject<float>>(n);
    case NodeKind::Double: return o.make<ValueObject<double>>(n);
    case NodeKind::Composite: return o.make<CompositeObject>(n);
    case NodeKind::Entity: return o.make<EntityObject>(n);
    case NodeKind::Link: return o.make<LinkObject<sm::ILinkAttribute>>(n);
    case NodeKind::List: return o.make<LinkObject<sm::IListAttribute>>(n);
    case NodeKind::Array: return o.make<LinkObject<sm::IArrayAttribute>>(n);
    case NodeKind::Shortcut: return o.make<ShortcutObject>(n);
    }
    return nullptr;
}

void orphanObject(Node& n) {
    auto* a = static_cast<sm::IAttribute*>(n.shell);
    switch (n.kind) {
    case NodeKind::Int: static_cast<ValueObject<int>*>(a)->orphan(); break;
    case NodeKind::Bool: static_cast<ValueObject<bool>*>(a)->orphan(); break;
    case NodeKind::String: static_cast<ValueObject<std::string>*>(a)->orphan(); break;
    case NodeKind::Float: static_cast<ValueObject<float>*>(a)->orphan(); break;
    case NodeKind::Double: static_cast<ValueObject<double>*>(a)->orphan(); break;
    case NodeKind::Composite: static_cast<CompositeObject*>(static_cast<sm::ICompositeAttribute*>(a))->orphan(); break;
    case NodeKind::Entity: static_cast<EntityObject*>(static_cast<sm::IEntity*>(a))->orphan(); break;
    case NodeKind::Link: static_cast<LinkObject<sm::ILinkAttribute>*>(static_cast<sm::ILinkAttribute*>(a))->orphan(); break;
    case NodeKind::List: static_cast<LinkObject<sm::IListAttribute>*>(static_cast<sm::IListAttribute*>(a))->orphan(); break;
    case NodeKind::Array: static_cast<LinkObject<sm::IArrayAttribute>*>(static_cast<sm::IArrayAttribute*>(a))->orphan(); break;
    case NodeKind::Shortcut: static_cast<ShortcutObject*>(static_cast<sm::IShortcutAttribute*>(a))->orphan(); break;
    }
    n.shell = nullptr;
}

sm::IEntity* entityObject(EntityNode* node) {
    return static_cast<sm::IEntity*>(library::attributeObject(node));
}

sm::ICompositeAttribute* compositeObject(CompositeNode* node) {
    return static_cast<sm::ICompositeAttribute*>(library::attributeObject(node));
}

struct State {
    ManagerObject manager;
    CollectionObject collection;
    std::unique_ptr<Model> model;
    Run run;
    bool available = true;
    std::string startError;

    State() {
        orphanShell = &orphanObject;
        const char* path = std::getenv("VARNEX2_MODEL");
        if (path != nullptr && *path != '\0') {
            try {
                model = loadModelFile(path);
            } catch (const std::exception& e) {
                startError = std::string("VARNEX2_MODEL: ") + e.what();
                std::fprintf(stderr, "Varnex2 stand-in: %s; the solver manager is not available\n",
                             startError.c_str());
                available = false;
            }
        }
        if (!model) model = loadModelText(defaultModelText());
        run.start(*model);
    }
};

// Never destroyed: clients may call in while the process exits. Every call reads the published
// pointer; only the first ones go through the guarded construction.
std::atomic<State*> g_state{nullptr};

ORVANE_COLD State& makeState() {
    static State* s = new State();
    g_state.store(s, std::memory_order_release);
    return *s;
}

inline State& state() {
    State* s = g_state.load(std::memory_order_acquire);
    if (ORVANE_UNLIKELY(s == nullptr)) return makeState();
    return *s;
}

sm::IEntity* decoy() {
    static Model* m = loadModelText(R"({"entities": [{"name": "Decoy", "type": "Decoy"}]})").release();
    return entityObject(m->entities.front());
}

}  // namespace

namespace library {

Model& model() { return *state().model; }
Run& run() { return state().run; }
sdk::ISolverManager* manager() { return &state().manager; }
sm::IEntityCollection* collection() { return &state().collection; }
bool available() { return state().available; }
void setAvailable(bool on) { state().available = on; }
const std::string& startError() { return state().startError; }

void replaceModel(std::unique_ptr<Model> next) {
    State& s = state();
    bool large = s.model->nodes.size() + next->nodes.size() > 10000;
    orphans().clear();          // objects replaced before now name only their kind
    s.model = std::move(next);  // frees the old model, orphaning the objects it handed out
    if (large) orphans().compact();
#ifdef __GLIBC__
    // Reading a large model leaves much freed memory (its JSON document) spread through
    // the heap; give those pages back rather than keep them in the process.
    if (large) malloc_trim(0);
#endif
    s.run.start(*s.model);
    if (!s.startError.empty()) {  // the manager was withheld only for want of a model
        s.startError.clear();
        s.available = true;
    }
}

void reset() {
    replaceModel(loadModelText(defaultModelText()));
    State& s = state();
    s.available = true;
    control::clearFailures();
    control::setRecording(false);
    control::clearCalls();
    control::clearMessages();
}

bool isCurrentObject(const void* object) {
    State& s = state();
    if (object == &s.manager || object == &s.collection) return true;
    for (const auto& node : s.model->nodes) {
        if (node->shell == object) return true;
    }
    return false;
}

sm::IAttribute* attributeObject(Node* node) {
    if (node == nullptr) return nullptr;
    if (node->shell == nullptr) node->shell = makeObject(node);
    return static_cast<sm::IAttribute*>(node->shell);
}

}  // namespace library
}  // namespace varnex2_standin

extern "C" OrvaneSDK::ISolverManager* OrvaneSDK_ISolverManager_instance_8() {
    using namespace varnex2_standin;
    return library::available() ? library::manager() : nullptr;
}
