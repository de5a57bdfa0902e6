// Loading and writing model files. The format is described in standin/README.md.
#include "model_json.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <limits>
#include <unordered_map>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex2_standin {

namespace {

[[noreturn]] void bad(const std::string& where, const std::string& what) {
    throw ModelError(where + ": " + what);
}

// Text from the input, quoted and cut short so that a message never echoes a huge value.
std::string quoted(const std::string& text) {
    constexpr std::size_t kShown = 60;
    if (text.size() <= kShown) return "'" + text + "'";
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
    return "'" + text.substr(0, cut) + "...' (" + std::to_string(text.size()) + " bytes)";
}

void onlyKeys(const Json& object, const std::string& where, std::initializer_list<const char*> allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char* key : allowed) known = known || it.key() == key;
        if (!known) bad(where, "unknown key " + quoted(it.key()));
    }
}

std::string text(const Json& value, const std::string& where) {
    if (!value.is_string()) bad(where, "expected a string");
    return value.get<std::string>();
}

int integer(const Json& value, const std::string& where) {
    if (!value.is_number_integer()) bad(where, "expected an integer");
    if (value.is_number_unsigned()) {
        auto v = value.get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) bad(where, "integer out of range");
        return static_cast<int>(v);
    }
    auto v = value.get<std::int64_t>();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        bad(where, "integer out of range");
    return static_cast<int>(v);
}

// A number, or one of the texts "inf", "-inf", "nan" that JSON cannot write as numbers.
double number(const Json& value, const std::string& where) {
    if (value.is_number()) return value.get<double>();
    if (value.is_string()) {
        std::string t = value.get<std::string>();
        if (t == "inf" || t == "+inf") return std::numeric_limits<double>::infinity();
        if (t == "-inf") return -std::numeric_limits<double>::infinity();
        if (t == "nan") return std::numeric_limits<double>::quiet_NaN();
    }
    bad(where, "expected a number");
}

bool flag(const Json& value, const std::string& where) {
    if (!value.is_boolean()) bad(where, "expected true or false");
    return value.get<bool>();
}

Json numberJson(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return v;
}

std::uint8_t access(const Json& value, const std::string& where) {
    if (value.is_number_integer()) {
        int v = integer(value, where);
        if (v < 0 || v > 3) bad(where, "access must be 0 to 3");
        return static_cast<std::uint8_t>(v);
    }
    std::string t = text(value, where);
    if (t == "None") return kNoAccess;
    if (t == "ReadOnly") return kReadOnly;
    if (t == "WriteOnly") return kWriteOnly;
    if (t == "ReadWrite") return kReadWrite;
    bad(where, "access must be None, ReadOnly, WriteOnly or ReadWrite");
}

const char* accessName(std::uint8_t a) {
    switch (a) {
    case kNoAccess: return "None";
    case kReadOnly: return "ReadOnly";
    case kWriteOnly: return "WriteOnly";
    default: return "ReadWrite";
    }
}

int chronologyKey(const std::string& key, const std::string& where) {
    for (int c = 0; c < kChronologies; ++c) {
        if (key == chronologyName(c) || key == std::to_string(c)) return c;
    }
    bad(where, "unknown chronology " + quoted(key) + " (Initial, Continue, TimeStepStart, Current, Next)");
}

const char* kindText(NodeKind kind) {
    switch (kind) {
    case NodeKind::Int: return "int";
    case NodeKind::Bool: return "bool";
    case NodeKind::String: return "string";
    case NodeKind::Float: return "float";
    case NodeKind::Double: return "double";
    case NodeKind::Composite: return "composite";
    case NodeKind::Entity: return "entity";
    case NodeKind::Link: return "link";
    case NodeKind::List: return "list";
    case NodeKind::Array: return "array";
    case NodeKind::Shortcut: return "shortcut";
    }
    return "unknown";
}

NodeKind kindFromText(const std::string& t, const std::string& where) {
    static const std::unordered_map<std::string, NodeKind> kinds = {
        {"int", NodeKind::Int},       {"bool", NodeKind::Bool},         {"string", NodeKind::String},
        {"float", NodeKind::Float},   {"double", NodeKind::Double},     {"composite", NodeKind::Composite},
        {"entity", NodeKind::Entity}, {"link", NodeKind::Link},         {"list", NodeKind::List},
        {"array", NodeKind::Array},   {"shortcut", NodeKind::Shortcut},
    };
    auto it = kinds.find(t);
    if (it == kinds.end()) bad(where, "unknown kind " + quoted(t));
    return it->second;
}

struct PendingLink {
    LinkNode* node;
    std::vector<std::string> names;  // empty string: an empty array slot
    std::string where;
};

class Loader {
public:
    explicit Loader(Model& model) : model_(model) {}

    void load(const Json& doc) {
        if (!doc.is_object()) bad("model", "expected a JSON object");
        onlyKeys(doc, "model", {"format", "run", "solutionControl", "entities"});
        if (doc.contains("format")) {
            const Json& format = doc["format"];
            if (!format.is_string()) bad("format", "expected the text '" + std::string(kFormat) + "'");
            if (format.get_ref<const std::string&>() != kFormat)
                bad("format", "unsupported format " + quoted(format.get<std::string>()) + " (this library reads '" +
                                  kFormat + "')");
        }
        if (doc.contains("run")) loadRun(doc["run"]);
        if (doc.contains("entities")) {
            const Json& roots = doc["entities"];
            if (!roots.is_array()) bad("entities", "expected a list");
            for (std::size_t i = 0; i < roots.size(); ++i)
                entity(roots[i], nullptr, "entities[" + std::to_string(i) + "]", 0);
        }
        assignIds();
        model_.indexEntities();
        model_.compact();
        resolveLinks();
        if (doc.contains("solutionControl") && !doc["solutionControl"].is_null()) {
            std::string name = text(doc["solutionControl"], "solutionControl");
            Node* n = model_.resolveFullPath(name);
            if (n == nullptr || n->kind != NodeKind::Entity)
                bad("solutionControl", "no entity named '" + name + "'");
            model_.solutionControl = static_cast<EntityNode*>(n);
        } else {
            const auto& controls = model_.entitiesOfType("SolutionControl");
            model_.solutionControl = controls.empty() ? nullptr : controls.front();
        }
    }

private:
    void loadRun(const Json& run) {
        const std::string where = "run";
        if (!run.is_object()) bad(where, "expected an object");
        onlyKeys(run, where,
                 {"transient", "iteration", "numberOfIterations", "startTime", "timeStep", "totalTime",
                  "stopOnConvergence", "residual", "residualReduction", "tolerance", "converged",
                  "solveStopped", "version", "versionString", "residualPath"});
        RunSettings& s = model_.run;
        if (run.contains("transient")) s.transient = flag(run["transient"], where + ".transient");
        if (run.contains("iteration")) s.iteration = integer(run["iteration"], where + ".iteration");
        if (run.contains("numberOfIterations"))
            s.numberOfIterations = integer(run["numberOfIterations"], where + ".numberOfIterations");
        if (run.contains("startTime")) s.startTime = number(run["startTime"], where + ".startTime");
        if (run.contains("timeStep")) s.timeStep = number(run["timeStep"], where + ".timeStep");
        if (run.contains("totalTime")) s.totalTime = number(run["totalTime"], where + ".totalTime");
        if (run.contains("stopOnConvergence"))
            s.stopOnConvergence = flag(run["stopOnConvergence"], where + ".stopOnConvergence");
        if (run.contains("residual")) s.residual = number(run["residual"], where + ".residual");
        if (run.contains("residualReduction"))
            s.residualReduction = number(run["residualReduction"], where + ".residualReduction");
        if (run.contains("tolerance")) s.tolerance = number(run["tolerance"], where + ".tolerance");
        if (run.contains("converged") && !run["converged"].is_null())
            s.convergedOverride = flag(run["converged"], where + ".converged") ? 1 : 0;
        if (run.contains("solveStopped")) s.solveStopped = flag(run["solveStopped"], where + ".solveStopped");
        if (run.contains("versionString")) s.versionString = text(run["versionString"], where + ".versionString");
        if (run.contains("residualPath")) s.residualPath = text(run["residualPath"], where + ".residualPath");
        if (run.contains("version")) {
            const Json& v = run["version"];
            const char* keys[4] = {"major", "minor", "servicePack", "build"};
            if (!v.is_object()) bad(where + ".version", "expected an object");
            onlyKeys(v, where + ".version", {"major", "minor", "servicePack", "build"});
            for (int i = 0; i < 4; ++i) {
                if (v.contains(keys[i])) s.version[i] = integer(v[keys[i]], where + ".version." + keys[i]);
            }
        }
        if (s.iteration < 0) bad(where + ".iteration", "must not be negative");
        if (s.numberOfIterations < 0) bad(where + ".numberOfIterations", "must not be negative");
        if (!std::isfinite(s.timeStep)) bad(where + ".timeStep", "must be a finite number");
        if (!(s.timeStep > 0.0)) bad(where + ".timeStep", "must be positive");
        if (!std::isfinite(s.totalTime)) bad(where + ".totalTime", "must be a finite number");
        if (!(s.totalTime >= 0.0)) bad(where + ".totalTime", "must not be negative");
        if (!(s.residualReduction > 0.0)) bad(where + ".residualReduction", "must be positive");
    }

    std::string nameOf(const Json& def, const std::string& where) {
        if (!def.is_object()) bad(where, "expected an object");
        if (!def.contains("name")) bad(where, "missing 'name'");
        std::string name = text(def["name"], where + ".name");
        if (name.empty() || name.find('/') != std::string::npos)
            bad(where + ".name", "a name must be non-empty and contain no '/'");
        return name;
    }

    void common(Node* node, const Json& def, const std::string& where, const char* defaultType) {
        std::string type = defaultType;
        if (def.contains("type")) type = text(def["type"], where + ".type");
        node->type = model_.intern(type);
        if (def.contains("unit") && !def["unit"].is_null()) {
            std::string unit = text(def["unit"], where + ".unit");
            if (!unit.empty()) node->unit = model_.intern(unit);
        }
        if (def.contains("access")) node->access = access(def["access"], where + ".access");
    }

    void attach(CompositeNode* parent, Node* node, const std::string& where) {
        if (!model_.attach(parent, node)) bad(where, "the name '" + node->name + "' is used twice");
    }

    // level: 0 for a root entity, else the attribute's level below its root entity.
    EntityNode* entity(const Json& def, CompositeNode* parent, const std::string& where, int level) {
        std::string name = nameOf(def, where);
        onlyKeys(def, where, {"name", "kind", "type", "id", "access", "attributes"});
        if (level == 0 && def.contains("kind") && text(def["kind"], where + ".kind") != "entity")
            bad(where + ".kind", "a root entity must be of kind 'entity'");
        if (!def.contains("type")) bad(where, "an entity needs a 'type'");
        EntityNode* e = model_.make<EntityNode>();
        e->name = name;
        common(e, def, where, "");
        if (def.contains("id")) {
            const Json& id = def["id"];
            if (!id.is_array() || id.size() != 2) bad(where + ".id", "expected two integers");
            e->id1 = integer(id[0], where + ".id[0]");
            e->id2 = integer(id[1], where + ".id[1]");
            e->explicitId = true;
        }
        attach(parent, e, where);
        EntityNode* above = level == 0 ? nullptr : e->parentEntity();
        e->fullName = above == nullptr ? name : above->fullName + "/" + e->pathInEntity();
        model_.entities.push_back(e);
        children(def, e, where, level);
        return e;
    }

    void children(const Json& def, CompositeNode* composite, const std::string& where, int level) {
        if (!def.contains("attributes")) return;
        const Json& list = def["attributes"];
        if (!list.is_array()) bad(where + ".attributes", "expected a list");
        for (std::size_t i = 0; i < list.size(); ++i)
            attribute(list[i], composite, where + ".attributes[" + std::to_string(i) + "]", level + 1);
    }

    void attribute(const Json& def, CompositeNode* parent, const std::string& at, int level) {
        std::string name = nameOf(def, at);
        std::string where = at + " ('" + name + "')";
        if (level > kMaxNesting)
            bad(where, "nested more than " + std::to_string(kMaxNesting) + " levels below its root entity");
        if (!def.contains("kind")) bad(where, "missing 'kind'");
        NodeKind kind = kindFromText(text(def["kind"], where + ".kind"), where + ".kind");
        switch (kind) {
        case NodeKind::Entity: entity(def, parent, where, level); return;
        case NodeKind::Composite: {
            onlyKeys(def, where, {"name", "kind", "type", "access", "unit", "attributes"});
            auto* c = model_.make<CompositeNode>(NodeKind::Composite);
            c->name = name;
            common(c, def, where, "composite");
            attach(parent, c, where);
            children(def, c, where, level);
            return;
        }
        case NodeKind::Link:
        case NodeKind::List:
        case NodeKind::Array: {
            onlyKeys(def, where, {"name", "kind", "type", "access", "unit", "target", "targets"});
            auto* l = model_.make<LinkNode>(kind);
            l->name = name;
            common(l, def, where, kindText(kind));
            attach(parent, l, where);
            PendingLink pending{l, {}, where};
            if (kind == NodeKind::Link) {
                if (def.contains("targets")) bad(where, "a link has one 'target'");
                if (def.contains("target") && !def["target"].is_null())
                    pending.names.push_back(text(def["target"], where + ".target"));
            } else {
                if (def.contains("target")) bad(where, "a list or array has 'targets'");
                if (def.contains("targets")) {
                    const Json& t = def["targets"];
                    if (!t.is_array()) bad(where + ".targets", "expected a list");
                    for (std::size_t i = 0; i < t.size(); ++i) {
                        std::string w = where + ".targets[" + std::to_string(i) + "]";
                        if (t[i].is_null()) {
                            if (kind != NodeKind::Array) bad(w, "only an array may have empty slots");
                            pending.names.emplace_back();
                        } else {
                            pending.names.push_back(text(t[i], w));
                        }
                    }
                }
            }
            links_.push_back(std::move(pending));
            return;
        }
        case NodeKind::Shortcut: {
            onlyKeys(def, where, {"name", "kind", "type", "access", "unit", "targets", "target"});
            auto* s = model_.make<ShortcutNode>();
            s->name = name;
            common(s, def, where, "shortcut");
            attach(parent, s, where);
            if (def.contains("target")) s->targetPaths.push_back(text(def["target"], where + ".target"));
            if (def.contains("targets")) {
                const Json& t = def["targets"];
                if (!t.is_array()) bad(where + ".targets", "expected a list");
                for (std::size_t i = 0; i < t.size(); ++i)
                    s->targetPaths.push_back(text(t[i], where + ".targets[" + std::to_string(i) + "]"));
            }
            shortcuts_.push_back(s);
            return;
        }
        default: break;
        }
        onlyKeys(def, where, {"name", "kind", "type", "access", "unit", "value", "values"});
        auto* v = model_.make<ValueNode>(kind);
        v->name = name;
        v->access = kReadWrite;
        common(v, def, where, kindText(kind));
        if (def.contains("value") && def.contains("values")) bad(where, "give either 'value' or 'values'");
        if (def.contains("value")) {
            Scalar s = scalar(v->valueKind(), def["value"], where + ".value");
            for (int c = kInitial; c <= kCurrent; ++c) v->store(model_, c, s);
            v->present = 0x0f;
        } else if (def.contains("values")) {
            const Json& vs = def["values"];
            if (!vs.is_object()) bad(where + ".values", "expected an object keyed by chronology");
            for (auto it = vs.begin(); it != vs.end(); ++it) {
                int c = chronologyKey(it.key(), where + ".values");
                v->store(model_, c, scalar(v->valueKind(), it.value(), where + ".values." + it.key()));
                v->present |= static_cast<std::uint8_t>(1u << c);
            }
        }
        attach(parent, v, where);
        if (v->has(kNext)) model_.notePending(v);
    }

    static Scalar scalar(ValueKind kind, const Json& value, const std::string& where) {
        Scalar s;
        switch (kind) {
        case ValueKind::Int: s.number = integer(value, where); break;
        case ValueKind::Bool: s.number = flag(value, where) ? 1.0 : 0.0; break;
        case ValueKind::Double: s.number = number(value, where); break;
        case ValueKind::Float: {
            double d = number(value, where);
            if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
                bad(where, "outside the range of float");
            s.number = static_cast<float>(d);
            break;
        }
        case ValueKind::String: s.text = text(value, where); break;
        }
        return s;
    }

    // Entities without an explicit id get (n, k): n numbers their type in order of first
    // appearance, k counts the entities of that type.
    void assignIds() {
        std::unordered_map<const std::string*, std::pair<int, int>> perType;
        int types = 0;
        for (EntityNode* e : model_.entities) {
            auto it = perType.find(e->type);
            if (it == perType.end()) it = perType.emplace(e->type, std::make_pair(++types, 0)).first;
            ++it->second.second;
            if (!e->explicitId) {
                e->id1 = it->second.first;
                e->id2 = it->second.second;
            }
        }
    }

    void resolveLinks() {
        for (PendingLink& p : links_) {
            for (std::size_t i = 0; i < p.names.size(); ++i) {
                if (p.names[i].empty()) {
                    p.node->targets.push_back(nullptr);
                    continue;
                }
                Node* n = model_.resolveFullPath(p.names[i]);
                if (n == nullptr || n->kind != NodeKind::Entity)
                    bad(p.where, "no entity named '" + p.names[i] + "'");
                p.node->targets.push_back(static_cast<EntityNode*>(n));
            }
        }
        // Shortcut targets that do not resolve stay as invalid targets.
        for (ShortcutNode* s : shortcuts_) {
            for (const std::string& path : s->targetPaths) s->targets.push_back(model_.resolveFullPath(path));
        }
    }

    Model& model_;
    std::vector<PendingLink> links_;
    std::vector<ShortcutNode*> shortcuts_;
};

Json valueJson(const ValueNode& v, int c) {
    const Scalar s = v.value(c);
    switch (v.valueKind()) {
    case ValueKind::Int: return static_cast<int>(s.number);
    case ValueKind::Bool: return s.number != 0.0;
    case ValueKind::String: return s.text;
    default: return numberJson(s.number);
    }
}

const char* defaultTypeOf(NodeKind kind) { return kind == NodeKind::Entity ? "" : kindText(kind); }

Json nodeJson(const Node& n);

Json childrenJson(const CompositeNode& c) {
    Json list = Json::array();
    for (const Node* child : c.children) list.push_back(nodeJson(*child));
    return list;
}

Json nodeJson(const Node& n) {
    Json j = Json::object();
    j["name"] = n.name;
    j["kind"] = kindText(n.kind);
    if (n.kind == NodeKind::Entity || *n.type != defaultTypeOf(n.kind)) j["type"] = *n.type;
    if (n.unit != nullptr) j["unit"] = *n.unit;
    j["access"] = accessName(n.access);
    switch (n.kind) {
    case NodeKind::Entity: {
        const auto& e = static_cast<const EntityNode&>(n);
        j["id"] = Json::array({e.id1, e.id2});
        j["attributes"] = childrenJson(e);
        break;
    }
    case NodeKind::Composite: j["attributes"] = childrenJson(static_cast<const CompositeNode&>(n)); break;
    case NodeKind::Link: {
        const auto& l = static_cast<const LinkNode&>(n);
        j["target"] = l.targets.empty() ? Json(nullptr) : Json(l.targets[0]->fullName);
        break;
    }
    case NodeKind::List:
    case NodeKind::Array: {
        Json t = Json::array();
        for (const EntityNode* e : static_cast<const LinkNode&>(n).targets)
            t.push_back(e == nullptr ? Json(nullptr) : Json(e->fullName));
        j["targets"] = t;
        break;
    }
    case NodeKind::Shortcut: j["targets"] = static_cast<const ShortcutNode&>(n).targetPaths; break;
    default: {
        const auto& v = static_cast<const ValueNode&>(n);
        Json values = Json::object();
        for (int c = 0; c < kChronologies; ++c) {
            if (v.has(c)) values[chronologyName(c)] = valueJson(v, c);
        }
        j["values"] = values;
        break;
    }
    }
    return j;
}

}  // namespace

std::unique_ptr<Model> loadModel(const Json& document) {
    auto model = std::make_unique<Model>();
    Loader(*model).load(document);
    return model;
}

namespace {

// "line L, column C" of a byte offset in text (columns count bytes, from 1).
std::string placeOf(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1, lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

// Refuses text nested deeper than kMaxJsonDepth, naming where it gets too deep. Parsing
// is iterative, but reading the document into a model and writing it back recurse.
void checkNesting(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxJsonDepth)
                throw ModelError(placeOf(text, i) + ": JSON nested more than " + std::to_string(kMaxJsonDepth) +
                                 " levels deep");
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
}

// The document builder of the parser, with errors that name their place and never echo
// more than the start of the offending token.
// The library's own document builder; from 3.12 on it also names the input it reads.
#if NLOHMANN_JSON_VERSION_MAJOR > 3 || (NLOHMANN_JSON_VERSION_MAJOR == 3 && NLOHMANN_JSON_VERSION_MINOR >= 12)
using DomParser = nlohmann::detail::json_sax_dom_parser<
    Json, decltype(nlohmann::detail::input_adapter(std::declval<const char*>(), std::declval<const char*>()))>;
#else
using DomParser = nlohmann::detail::json_sax_dom_parser<Json>;
#endif

struct DocumentBuilder : DomParser {
    DocumentBuilder(Json& document, std::string_view text) : DomParser(document), text_(text) {}

    template <class Exception>
    bool parse_error(std::size_t offset, const std::string& token, const Exception& error) {
        if (error.id == 406)  // a number beyond the range of double; offset is just past it
            throw ModelError("not valid JSON: " + placeOf(text_, offset - std::min(offset, token.size())) +
                             ": number out of range: " + quoted(token));
        std::string what = error.what();
        std::size_t last = what.find("last read: '");
        if (last != std::string::npos && what.size() - last > 80) {
            std::size_t start = last + 12;
            std::size_t end = what.find("'", start);
            if (end == std::string::npos) end = what.size();
            std::string shown = quoted(what.substr(start, end - start));
            what = what.substr(0, last) + "last read: " + shown + what.substr(std::min(what.size(), end + 1));
        }
        throw ModelError("not valid JSON: " + what);
    }

private:
    std::string_view text_;
};

std::string readFile(const std::string& path) {
    auto refuse = [&](const std::string& why) { return ModelError("cannot read model file '" + path + "': " + why); };
    // Non-blocking, so that opening a FIFO does not wait for a writer; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw refuse(std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) throw refuse(std::strerror(errno));
    if (!S_ISREG(info.st_mode)) throw refuse("not a regular file");
    const std::string tooLarge = "larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB";
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) throw refuse(tooLarge);
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    while (true) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw refuse(std::strerror(errno));
        if (got == 0) break;
        if (content.size() + static_cast<std::size_t>(got) > kMaxFileBytes) throw refuse(tooLarge);
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

}  // namespace

std::unique_ptr<Model> loadModelText(std::string_view text) {
    checkNesting(text);
    Json doc;
    DocumentBuilder builder(doc, text);
    Json::sax_parse(text.begin(), text.end(), &builder);
    return loadModel(doc);
}

std::unique_ptr<Model> loadModelFile(const std::string& path) {
    std::string content = readFile(path);
    try {
        return loadModelText(content);
    } catch (const ModelError& e) {
        throw ModelError(path + ": " + e.what());
    }
}

Json dumpEntities(const Model& model) {
    Json roots = Json::array();
    for (const EntityNode* e : model.roots) {
        Json j = nodeJson(*e);
        j.erase("kind");
        roots.push_back(std::move(j));
    }
    return roots;
}

}  // namespace varnex2_standin
