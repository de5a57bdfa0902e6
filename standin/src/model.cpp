// Indexes and lookups of the in-memory model.
#include "model.h"

#include <functional>

namespace varnex2_standin {

void (*orphanShell)(Node& node) = nullptr;

const char* chronologyName(int chronology) {
    switch (chronology) {
    case kInitial: return "Initial";
    case kContinue: return "Continue";
    case kTimeStepStart: return "TimeStepStart";
    case kCurrent: return "Current";
    case kNext: return "Next";
    default: return "Invalid";
    }
}

bool Node::isValue() const {
    switch (kind) {
    case NodeKind::Int:
    case NodeKind::Bool:
    case NodeKind::String:
    case NodeKind::Float:
    case NodeKind::Double: return true;
    default: return false;
    }
}

EntityNode* Node::parentEntity() const {
    for (CompositeNode* p = parent; p != nullptr; p = p->parent) {
        if (p->kind == NodeKind::Entity) return static_cast<EntityNode*>(p);
    }
    return nullptr;
}

std::string Node::pathInEntity() const {
    if (parent == nullptr) return name;
    std::vector<const Node*> chain;
    for (const Node* n = this; n->parent != nullptr; n = n->parent) {
        chain.push_back(n);
        if (n->parent->kind == NodeKind::Entity) break;
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += (*it)->name;
    }
    return path;
}

std::string Node::fullPath() const {
    if (kind == NodeKind::Entity) return static_cast<const EntityNode*>(this)->fullName;
    EntityNode* entity = parentEntity();
    if (entity == nullptr) return name;
    return entity->fullName + "/" + pathInEntity();
}

std::string Node::describe() const {
    const char* what = "attribute";
    switch (kind) {
    case NodeKind::Int: what = "int attribute"; break;
    case NodeKind::Bool: what = "bool attribute"; break;
    case NodeKind::String: what = "string attribute"; break;
    case NodeKind::Float: what = "float attribute"; break;
    case NodeKind::Double: what = "double attribute"; break;
    case NodeKind::Composite: what = "composite attribute"; break;
    case NodeKind::Entity: what = "entity"; break;
    case NodeKind::Link: what = "link attribute"; break;
    case NodeKind::List: what = "list attribute"; break;
    case NodeKind::Array: what = "array attribute"; break;
    case NodeKind::Shortcut: what = "shortcut attribute"; break;
    }
    return std::string(what) + " '" + fullPath() + "'";
}

Model::~Model() {
    if (orphanShell != nullptr) {
        for (auto& node : nodes) {
            if (node->shell != nullptr) orphanShell(*node);
        }
    }
}

const std::string* Model::intern(std::string_view text) {
    return &*strings_.emplace(text).first;
}

std::size_t Model::ChildKeyHash::operator()(const ChildKey& k) const {
    std::size_t h = std::hash<std::string_view>()(k.name);
    return h ^ (std::hash<const void*>()(k.parent) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

std::size_t Model::PairHash::operator()(const std::pair<std::string_view, std::string_view>& k) const {
    std::size_t h = std::hash<std::string_view>()(k.first);
    return h ^ (std::hash<std::string_view>()(k.second) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

bool Model::attach(CompositeNode* parent, Node* child) {
    if (!children_.emplace(ChildKey{parent, child->name}, child).second) return false;
    child->parent = parent;
    if (parent == nullptr) {
        roots.push_back(static_cast<EntityNode*>(child));
    } else {
        parent->children.push_back(child);
        if (child->kind == NodeKind::Composite) parent->hasCompositeChild = true;
    }
    if (child->isValue()) valueNodes.push_back(static_cast<ValueNode*>(child));
    return true;
}

void Model::indexEntity(EntityNode* entity) {
    byType_[*entity->type].push_back(entity);
    byTypeName_[{*entity->type, entity->name}].push_back(entity);
    std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(entity->id1)) << 32) |
                        static_cast<std::uint32_t>(entity->id2);
    byId_[key].push_back(entity);
}

Node* Model::child(const CompositeNode* parent, std::string_view name) const {
    auto it = children_.find(ChildKey{parent, name});
    return it == children_.end() ? nullptr : it->second;
}

Node* Model::resolvePath(const CompositeNode* from, std::string_view path) const {
    if (path.empty()) return nullptr;
    const CompositeNode* at = from;
    Node* found = nullptr;
    std::size_t start = 0;
    while (true) {
        std::size_t slash = path.find('/', start);
        std::string_view segment = path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
        if (segment.empty()) return nullptr;
        found = child(at, segment);
        if (found == nullptr) return nullptr;
        if (slash == std::string_view::npos) return found;
        if (!found->isComposite()) return nullptr;
        at = static_cast<const CompositeNode*>(found);
        start = slash + 1;
    }
}

Node* Model::resolveFullPath(std::string_view path) const { return resolvePath(nullptr, path); }

namespace {
const std::vector<EntityNode*> kNoEntities;
}

const std::vector<EntityNode*>& Model::entitiesOfType(std::string_view type) const {
    auto it = byType_.find(type);
    return it == byType_.end() ? kNoEntities : it->second;
}

const std::vector<EntityNode*>& Model::entitiesOfTypeAndName(std::string_view type, std::string_view name) const {
    auto it = byTypeName_.find({type, name});
    return it == byTypeName_.end() ? kNoEntities : it->second;
}

const std::vector<EntityNode*>& Model::entitiesWithId(std::int32_t id1, std::int32_t id2) const {
    std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(id1)) << 32) |
                        static_cast<std::uint32_t>(id2);
    auto it = byId_.find(key);
    return it == byId_.end() ? kNoEntities : it->second;
}

namespace {
void flatten(const CompositeNode* composite, std::vector<Node*>& out) {
    for (Node* c : composite->children) {
        out.push_back(c);
        if (c->kind == NodeKind::Composite) flatten(static_cast<const CompositeNode*>(c), out);
    }
}
}  // namespace

std::size_t Model::recursiveCount(const CompositeNode* composite) const {
    if (!composite->hasCompositeChild) return composite->children.size();
    auto it = flat_.find(composite);
    if (it == flat_.end()) {
        std::vector<Node*> all;
        flatten(composite, all);
        it = flat_.emplace(composite, std::move(all)).first;
    }
    return it->second.size();
}

Node* Model::recursiveAt(const CompositeNode* composite, std::size_t index) const {
    if (!composite->hasCompositeChild) return composite->children[index];
    recursiveCount(composite);
    return flat_.find(composite)->second[index];
}

void Model::notePending(ValueNode* node) {
    if (!node->pending) {
        node->pending = true;
        pendingNext.push_back(node);
    }
}

}  // namespace varnex2_standin
