// The in-memory simulation model: entities holding trees of attributes, with hash
// indexes so that every lookup costs the same whatever the size of the model.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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

struct Node {
    NodeKind kind;
    std::uint8_t access = kReadOnly;
    std::string name;
    const std::string* type = nullptr;  // interned in the model
    const std::string* unit = nullptr;  // interned; null when the attribute has no unit
    CompositeNode* parent = nullptr;    // null for a root entity
    Model* model = nullptr;
    void* shell = nullptr;              // the interface object, made on first hand-out

    explicit Node(NodeKind k) : kind(k) {}
    virtual ~Node() = default;

    bool isValue() const;
    bool isComposite() const { return kind == NodeKind::Composite || kind == NodeKind::Entity; }
    bool isEntityLink() const {
        return kind == NodeKind::Link || kind == NodeKind::List || kind == NodeKind::Array;
    }
    // The nearest entity above this node (for an entity: the entity containing it).
    EntityNode* parentEntity() const;
    // Path inside the parent entity; for a root entity its own name.
    std::string pathInEntity() const;
    // Path from the root entity, starting with the root entity's name.
    std::string fullPath() const;
    // Names this node in messages: "<kind> attribute '<full path>'".
    std::string describe() const;
};

struct ValueNode : Node {
    std::uint8_t present = 0;  // bit c set: a value exists at chronology c
    std::array<Scalar, kChronologies> values;
    bool pending = false;      // listed in the model's pending Next writes

    using Node::Node;
    ValueKind valueKind() const { return static_cast<ValueKind>(kind); }
    bool has(int chronology) const { return (present >> chronology) & 1u; }
};

struct CompositeNode : Node {
    std::vector<Node*> children;
    bool hasCompositeChild = false;  // a child composite that recursive indexing descends into

    using Node::Node;
};

struct EntityNode : CompositeNode {
    std::string fullName;
    std::int32_t id1 = 0, id2 = 0;
    bool explicitId = false;

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

struct Model {
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<EntityNode*> entities;  // collection order: depth-first as defined
    std::vector<EntityNode*> roots;
    EntityNode* solutionControl = nullptr;
    std::vector<ValueNode*> valueNodes;
    std::vector<ValueNode*> pendingNext;
    RunSettings run;

    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    ~Model();

    // Interns a type name or unit so that nodes share one copy.
    const std::string* intern(std::string_view text);

    // Builders used by the loader; they keep the indexes up to date.
    template <class T, class... A>
    T* make(A&&... args) {
        auto node = std::make_unique<T>(std::forward<A>(args)...);
        T* raw = node.get();
        raw->model = this;
        nodes.push_back(std::move(node));
        return raw;
    }
    // Adds child under parent (null parent: a root entity); false when the name is taken.
    bool attach(CompositeNode* parent, Node* child);
    void indexEntity(EntityNode* entity);

    // Lookups; all hash-based.
    Node* child(const CompositeNode* parent, std::string_view name) const;
    Node* resolvePath(const CompositeNode* from, std::string_view path) const;  // inside from
    Node* resolveFullPath(std::string_view path) const;                          // from the roots
    const std::vector<EntityNode*>& entitiesOfType(std::string_view type) const;
    const std::vector<EntityNode*>& entitiesOfTypeAndName(std::string_view type, std::string_view name) const;
    const std::vector<EntityNode*>& entitiesWithId(std::int32_t id1, std::int32_t id2) const;

    // Attributes of a composite in depth-first pre-order, descending into composite
    // children but not into child entities (their attributes belong to them).
    std::size_t recursiveCount(const CompositeNode* composite) const;
    Node* recursiveAt(const CompositeNode* composite, std::size_t index) const;

    // Marks a value node as holding a Next value to apply on the next step.
    void notePending(ValueNode* node);

private:
    struct ChildKey {
        const CompositeNode* parent;
        std::string_view name;
        bool operator==(const ChildKey& o) const { return parent == o.parent && name == o.name; }
    };
    struct ChildKeyHash {
        std::size_t operator()(const ChildKey& k) const;
    };
    struct PairHash {
        std::size_t operator()(const std::pair<std::string_view, std::string_view>& k) const;
    };

    std::unordered_set<std::string> strings_;
    std::unordered_map<ChildKey, Node*, ChildKeyHash> children_;
    std::unordered_map<std::string_view, std::vector<EntityNode*>> byType_;
    std::unordered_map<std::pair<std::string_view, std::string_view>, std::vector<EntityNode*>, PairHash> byTypeName_;
    std::unordered_map<std::uint64_t, std::vector<EntityNode*>> byId_;
    mutable std::unordered_map<const CompositeNode*, std::vector<Node*>> flat_;
};

// Hook set by the interface layer, called for each node with an interface object when
// its model goes: the object stays allocated (a client may still hold it) but is cut
// loose from the node.
extern void (*orphanShell)(Node& node);

}  // namespace varnex2_standin
