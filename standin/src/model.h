// The in-memory simulation model: entities holding trees of attributes, with hash
// indexes so that every lookup costs the same whatever the size of the model.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "values.h"

namespace varnex2_standin {

// Node kinds, numbered like the SDK's attribute kinds.
enum class NodeKind : int {
    Int = 1,
    Bool = 2,
    String = 3,
    Float = 4,
    Composite = 5,
    Entity = 6,
    Link = 7,
    List = 8,
    Shortcut = 9,
    Array = 10,
    Double = 11
};

// Access rights, numbered like the SDK's access types.
enum Access : std::uint8_t { kNoAccess = 0, kReadOnly = 1, kWriteOnly = 2, kReadWrite = 3 };

// Chronological moments at which values are kept.
constexpr int kInitial = 0, kContinue = 1, kTimeStepStart = 2, kCurrent = 3, kNext = 4;
constexpr int kChronologies = 5;
const char* chronologyName(int chronology);

struct Model;
struct CompositeNode;
struct EntityNode;

// Nodes are kept small: a large model holds millions of them.
struct Node {
    NodeKind kind;
    std::uint8_t access = kReadOnly;
    // Flags of the derived kinds, here where they take no room of their own.
    std::uint8_t present = 0;        // value nodes: bit c set when a value exists at chronology c
    bool pending = false;            // value nodes: listed in the model's pending Next writes
    bool hasCompositeChild = false;  // composites: a child composite that recursive indexing descends into
    std::string_view name;              // interned in the model; an entity's is the end of its full name
    const std::string* type = nullptr;  // interned in the model
    const std::string* unit = nullptr;  // interned; null when the attribute has no unit
    CompositeNode* parent = nullptr;    // null for a root entity
    void* shell = nullptr;              // the interface object, made on first hand-out

    explicit Node(NodeKind k) : kind(k) {}

    bool isValue() const;
    bool isComposite() const { return kind == NodeKind::Composite || kind == NodeKind::Entity; }
    bool isEntityLink() const {
        return kind == NodeKind::Link || kind == NodeKind::List || kind == NodeKind::Array;
    }
    // The nearest entity above this node (for an entity: the entity containing it).
    EntityNode* parentEntity() const;
    // The model the node belongs to (held by entities; other nodes ask theirs).
    Model* owner() const;
    // Path inside the parent entity; for a root entity its own name.
    std::string pathInEntity() const;
    // Path from the root entity, starting with the root entity's name.
    std::string fullPath() const;
    // Names this node in messages: "<kind> attribute '<full path>'".
    std::string describe() const;
};

// Values are kept in one word per chronology: the number of every numeric kind, or a text
// interned in the model (texts repeat a lot across a model and are rarely written).
struct ValueNode : Node {
    union Slot {
        double number;
        const std::string* text;
    };
    std::array<Slot, kChronologies> slots{};

    using Node::Node;
    ValueKind valueKind() const { return static_cast<ValueKind>(kind); }
    bool has(int chronology) const { return (present >> chronology) & 1u; }
    Scalar value(int chronology) const;
    void store(Model& model, int chronology, const Scalar& value);
};

// Children by name, kept only for long child lists (short ones are searched in place):
// open addressing, at most half full, each slot a node and some bits of its name's hash,
// so that a probe rarely has to visit a node that does not match.
class NameIndex {
public:
    Node* find(std::string_view name) const;
    bool insert(Node* node);  // false (and nothing added) when the name is there already

private:
    struct Slot {
        Node* node;
        std::size_t tag;
    };
    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};
constexpr std::size_t kIndexedFrom = 8;

struct CompositeNode : Node {
    std::vector<Node*> children;
    std::unique_ptr<NameIndex> index;  // from kIndexedFrom children on

    using Node::Node;
};

struct EntityNode : CompositeNode {
    std::string fullName;
    std::int32_t id1 = 0, id2 = 0;
    bool explicitId = false;
    Model* model = nullptr;

    EntityNode() : CompositeNode(NodeKind::Entity) {}
};

// Link (one entity), list and array (several; an array slot may be empty).
struct LinkNode : Node {
    std::vector<EntityNode*> targets;
    using Node::Node;
};

struct ShortcutNode : Node {
    std::vector<std::string> targetPaths;  // full paths as written in the model
    std::vector<Node*> targets;            // null where a path does not resolve
    ShortcutNode() : Node(NodeKind::Shortcut) {}
};

// Entities found by a key computed from the entity itself: open addressing over entity
// pointers only (one word a slot, at most half full), built once the model is read.
// Entities sharing a key are met in the order of the list the table was built from.
template <class Traits>
class EntityTable {
public:
    using Key = typename Traits::Key;

    void build(const std::vector<EntityNode*>& entities) {
        std::size_t size = 16;
        while (size < 2 * entities.size()) size *= 2;
        slots_.assign(size, nullptr);
        for (EntityNode* e : entities) {
            std::size_t i = Traits::hash(Traits::keyOf(e)) & (size - 1);
            while (slots_[i] != nullptr) i = (i + 1) & (size - 1);
            slots_[i] = e;
        }
    }
    std::size_t count(const Key& key) const {
        std::size_t n = 0;
        each(key, [&](EntityNode*) { return ++n, false; });
        return n;
    }
    // The index-th entity with key, or null.
    EntityNode* at(const Key& key, std::size_t index) const {
        EntityNode* found = nullptr;
        each(key, [&](EntityNode* e) { return index-- == 0 ? (found = e, true) : false; });
        return found;
    }

private:
    // Calls visit(entity) for the entities with key until it returns true.
    template <class F>
    void each(const Key& key, F&& visit) const {
        if (slots_.empty()) return;
        std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Traits::hash(key) & mask; slots_[i] != nullptr; i = (i + 1) & mask) {
            if (Traits::matches(slots_[i], key) && visit(slots_[i])) return;
        }
    }

    std::vector<EntityNode*> slots_;
};

struct TypeAndNameKey {
    using Key = std::pair<std::string_view, std::string_view>;
    static Key keyOf(const EntityNode* e) { return {*e->type, e->name}; }
    static std::size_t hash(const Key& k);
    static bool matches(const EntityNode* e, const Key& k) { return e->name == k.second && *e->type == k.first; }
};

struct IdKey {
    using Key = std::uint64_t;
    static Key of(std::int32_t id1, std::int32_t id2) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(id1)) << 32) | static_cast<std::uint32_t>(id2);
    }
    static Key keyOf(const EntityNode* e) { return of(e->id1, e->id2); }
    static std::size_t hash(Key k);
    static bool matches(const EntityNode* e, Key k) { return keyOf(e) == k; }
};

// Run settings and run-time quantities as the model file gives them.
struct RunSettings {
    bool transient = false;
    int iteration = 1;
    int numberOfIterations = 100;
    double startTime = 0.0;
    double timeStep = 1.0;
    double totalTime = 10.0;
    bool stopOnConvergence = true;
    double residual = 1.0;
    double residualReduction = 0.8;
    double tolerance = 1e-4;
    int convergedOverride = -1;  // -1: by the residual rule; 0 or 1: fixed answer
    bool solveStopped = false;
    std::int32_t version[4] = {2025, 1, 1, 150545};
    std::string versionString;
    std::string residualPath = "Convergence/Residual";  // mirrored into the solution control
};

// Blocks that hold a model's nodes one after another, without an allocation per node.
class NodeArena {
public:
    NodeArena() = default;
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;
    void* allocate(std::size_t size);

private:
    std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
};

struct Model {
    std::vector<Node*> nodes;  // every node, in the arena below
    std::vector<EntityNode*> entities;  // collection order: depth-first as defined
    std::vector<EntityNode*> roots;
    EntityNode* solutionControl = nullptr;
    std::vector<ValueNode*> pendingNext;
    RunSettings run;

    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    ~Model();

    // Interns a name, type name, unit or text value so that nodes share one copy.
    const std::string* intern(std::string_view text);

    // Builders used by the loader; they keep the indexes up to date.
    template <class T, class... A>
    T* make(A&&... args) {
        // Room first, so that a node once made is listed (and destroyed with the model).
        if (nodes.size() == nodes.capacity()) nodes.reserve(std::max<std::size_t>(64, 2 * nodes.size()));
        T* node = new (arena_.allocate(sizeof(T))) T(std::forward<A>(args)...);
        if constexpr (std::is_same_v<T, EntityNode>) node->model = this;
        nodes.push_back(node);
        return node;
    }
    // Adds child under parent (null parent: a root entity); false when the name is taken.
    bool attach(CompositeNode* parent, Node* child);
    // Indexes the entities by type, name and identifier once they are all in place.
    void indexEntities();
    // Gives back the spare capacity of the lists grown while reading.
    void compact();

    // Lookups; all hash-based.
    Node* child(const CompositeNode* parent, std::string_view name) const;
    Node* resolvePath(const CompositeNode* from, std::string_view path) const;  // inside from
    Node* resolveFullPath(std::string_view path) const;                          // from the roots
    const std::vector<EntityNode*>& entitiesOfType(std::string_view type) const;
    std::size_t countOfTypeAndName(std::string_view type, std::string_view name) const {
        return byTypeName_.count({type, name});
    }
    EntityNode* entityOfTypeAndName(std::string_view type, std::string_view name, std::size_t index) const {
        return byTypeName_.at({type, name}, index);
    }
    std::size_t countWithId(std::int32_t id1, std::int32_t id2) const { return byId_.count(IdKey::of(id1, id2)); }
    EntityNode* entityWithId(std::int32_t id1, std::int32_t id2) const { return byId_.at(IdKey::of(id1, id2), 0); }

    // Attributes of a composite in depth-first pre-order, descending into composite
    // children but not into child entities (their attributes belong to them).
    std::size_t recursiveCount(const CompositeNode* composite) const;
    Node* recursiveAt(const CompositeNode* composite, std::size_t index) const;

    // Marks a value node as holding a Next value to apply on the next step.
    void notePending(ValueNode* node);

private:

    NodeArena arena_;
    std::deque<std::string> stringStore_;           // the interned texts; a deque never moves them
    std::unordered_map<std::string_view, const std::string*> strings_;  // looked up without a copy
    std::unique_ptr<NameIndex> rootIndex_;
    std::unordered_map<std::string_view, std::vector<EntityNode*>> byType_;
    EntityTable<TypeAndNameKey> byTypeName_;
    EntityTable<IdKey> byId_;
    mutable std::unordered_map<const CompositeNode*, std::vector<Node*>> flat_;
};

// Hook set by the interface layer, called for each node with an interface object when
// its model goes: the object stays allocated (a client may still hold it) but is cut
// loose from the node.
extern void (*orphanShell)(Node& node);

}  // namespace varnex2_standin
