// Indexes and lookups of the in-memory model.
#include "model.h"

#include <algorithm>
#include <functional>
#include <new>

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

Scalar ValueNode::value(int chronology) const {
    Scalar s;
    if (kind == NodeKind::String) s.text = *slots[chronology].text;
    else s.number = slots[chronology].number;
    return s;
}

void ValueNode::store(Model& model, int chronology, const Scalar& value) {
    if (kind == NodeKind::String) slots[chronology].text = model.intern(value.text);
    else slots[chronology].number = value.number;
}

Model* Node::owner() const {
    const EntityNode* e = kind == NodeKind::Entity ? static_cast<const EntityNode*>(this) : parentEntity();
    return e->model;
}

EntityNode* Node::parentEntity() const {
    for (CompositeNode* p = parent; p != nullptr; p = p->parent) {
        if (p->kind == NodeKind::Entity) return static_cast<EntityNode*>(p);
    }
    return nullptr;
}

std::string Node::pathInEntity() const {
    if (parent == nullptr) return std::string(name);
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
    if (entity == nullptr) return std::string(name);
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

void* NodeArena::allocate(std::size_t size) {
    constexpr std::size_t kUnit = sizeof(std::max_align_t), kBlock = 64 * 1024;
    size = (size + 7) & ~std::size_t(7);  // nodes need no more than word alignment
    if (size > left_) {
        std::size_t bytes = std::max(size, kBlock);
        blocks_.emplace_back(new std::max_align_t[(bytes + kUnit - 1) / kUnit]);
        next_ = reinterpret_cast<char*>(blocks_.back().get());
        left_ = bytes;
    }
    void* at = next_;
    next_ += size;
    left_ -= size;
    return at;
}

namespace {
// Nodes have no virtual destructor (it would cost a word each); their kind says what they are.
void destroy(Node* n) {
    switch (n->kind) {
    case NodeKind::Composite: static_cast<CompositeNode*>(n)->~CompositeNode(); break;
    case NodeKind::Entity: static_cast<EntityNode*>(n)->~EntityNode(); break;
    case NodeKind::Link:
    case NodeKind::List:
    case NodeKind::Array: static_cast<LinkNode*>(n)->~LinkNode(); break;
    case NodeKind::Shortcut: static_cast<ShortcutNode*>(n)->~ShortcutNode(); break;
    default: static_cast<ValueNode*>(n)->~ValueNode(); break;
    }
}
}  // namespace

Model::~Model() {
    if (orphanShell != nullptr) {  // while the whole tree is there: an orphan keeps its description
        for (Node* node : nodes) {
            if (node->shell != nullptr) orphanShell(*node);
        }
    }
    for (Node* node : nodes) destroy(node);
}

const std::string* Model::intern(std::string_view text) {
    auto it = strings_.find(text);
    if (it != strings_.end()) return it->second;
    const std::string& kept = stringStore_.emplace_back(text);
    strings_.emplace(kept, &kept);
    return &kept;
}

namespace {

std::size_t nameHash(std::string_view name) { return std::hash<std::string_view>()(name); }

}  // namespace

Node* NameIndex::find(std::string_view name) const {
    std::size_t hash = nameHash(name), mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].node != nullptr; i = (i + 1) & mask) {
        if (slots_[i].tag == hash && slots_[i].node->name == name) return slots_[i].node;
    }
    return nullptr;
}

bool NameIndex::insert(Node* node) {
    if (2 * (count_ + 1) > slots_.size()) {  // twice the size; the kept hashes place the nodes again
        std::vector<Slot> old(std::max<std::size_t>(32, 2 * slots_.size()), Slot{nullptr, 0});
        old.swap(slots_);
        std::size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.node == nullptr) continue;
            std::size_t i = s.tag & mask;
            while (slots_[i].node != nullptr) i = (i + 1) & mask;
            slots_[i] = s;
        }
    }
    std::size_t hash = nameHash(node->name), mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    for (; slots_[i].node != nullptr; i = (i + 1) & mask) {
        if (slots_[i].tag == hash && slots_[i].node->name == node->name) return false;
    }
    slots_[i] = Slot{node, hash};
    ++count_;
    return true;
}

namespace {

template <class T>
Node* findNamed(const std::vector<T*>& list, const NameIndex* index, std::string_view name) {
    if (index != nullptr) return index->find(name);
    for (T* n : list) {
        if (n->name == name) return n;
    }
    return nullptr;
}

// Appends child unless its name is taken; indexes the list once it grows long.
template <class T>
bool addNamed(std::vector<T*>& list, std::unique_ptr<NameIndex>& index, Node* child) {
    if (index != nullptr) {
        if (!index->insert(child)) return false;
        list.push_back(static_cast<T*>(child));
        return true;
    }
    if (findNamed(list, nullptr, child->name) != nullptr) return false;
    list.push_back(static_cast<T*>(child));
    if (list.size() >= kIndexedFrom) {
        index = std::make_unique<NameIndex>();
        for (T* n : list) index->insert(n);
    }
    return true;
}

}  // namespace

std::size_t TypeAndNameKey::hash(const Key& k) {
    std::size_t h = std::hash<std::string_view>()(k.first);
    return h ^ (std::hash<std::string_view>()(k.second) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

std::size_t IdKey::hash(Key k) {  // a full mix: the table takes the low bits
    k = (k ^ (k >> 30)) * 0xbf58476d1ce4e5b9ull;
    k = (k ^ (k >> 27)) * 0x94d049bb133111ebull;
    return static_cast<std::size_t>(k ^ (k >> 31));
}

bool Model::attach(CompositeNode* parent, Node* child) {
    if (parent == nullptr) {
        if (!addNamed(roots, rootIndex_, child)) return false;
    } else {
        if (!addNamed(parent->children, parent->index, child)) return false;
        if (child->kind == NodeKind::Composite) parent->hasCompositeChild = true;
    }
    child->parent = parent;
    return true;
}

void Model::indexEntities() {
    for (EntityNode* e : entities) byType_[*e->type].push_back(e);
    byTypeName_.build(entities);
    byId_.build(entities);
}

void Model::compact() {
    nodes.shrink_to_fit();
    entities.shrink_to_fit();
    roots.shrink_to_fit();
    for (auto& n : nodes) {
        if (n->isComposite()) static_cast<CompositeNode&>(*n).children.shrink_to_fit();
    }
}

Node* Model::child(const CompositeNode* parent, std::string_view name) const {
    return parent == nullptr ? findNamed(roots, rootIndex_.get(), name)
                             : findNamed(parent->children, parent->index.get(), name);
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
