// Reading and writing model files; the format is described in standin/README.md.
//
// The reader streams over the text and builds the model as it goes (json_lexer.h): a
// definition's short members are kept until the definition is complete, its attributes are
// read as they come. The same code either stops at the first problem (loading) or notes
// every problem and goes on (checking), so the two cannot disagree.
#include "model_json.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "json_lexer.h"

namespace varnex2_standin {

namespace {

// Text from the input, quoted and cut short so that a message never echoes a huge value.
std::string cut(std::string_view text) {
    constexpr std::size_t kShown = 60;
    if (text.size() <= kShown) return "'" + std::string(text) + "'";
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
    return "'" + std::string(text.substr(0, cut)) + "...' (" + std::to_string(text.size()) + " bytes)";
}

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

// Edit distance of two short keys (insertions, deletions, substitutions, case changes free).
std::size_t distance(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// " (did you mean 'x'?)" for the closest allowed key within a third of its length, else "".
std::string suggestion(std::string_view key, const char* const* allowed, std::size_t count) {
    const char* best = nullptr;
    std::size_t bestDistance = 0;
    if (key.size() > 64) return "";
    for (std::size_t i = 0; i < count; ++i) {
        const char* candidate = allowed[i];
        std::size_t d = distance(key, candidate);
        std::size_t limit = std::max<std::size_t>(1, std::strlen(candidate) / 3);
        if (d <= limit && (best == nullptr || d < bestDistance)) best = candidate, bestDistance = d;
    }
    return best == nullptr ? "" : std::string(" (did you mean '") + best + "'?)";
}
template <std::size_t N>
std::string suggestion(std::string_view key, const char* const (&allowed)[N]) {
    return suggestion(key, allowed, N);
}

// Refuses text nested deeper than kMaxJsonDepth, naming where it gets too deep. The reader
// itself never recurses over the text (it refuses attributes nested deeper than
// kMaxNesting before it reads them); this rule only comes first among the problems.
void checkNesting(std::string_view text) {
    int depth = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    for (const char* p = begin; p < end; ++p) {
        char c = *p;
        if (c == '"') {  // to the closing quote: one not preceded by an odd number of backslashes
            while (true) {
                const char* quote = static_cast<const char*>(std::memchr(p + 1, '"', static_cast<std::size_t>(end - p - 1)));
                if (quote == nullptr) return;
                const char* b = quote;
                while (b > p + 1 && b[-1] == '\\') --b;
                p = quote;
                if ((quote - b) % 2 == 0) break;
            }
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxJsonDepth)
                throw ModelError(placeOf(text, static_cast<std::size_t>(p - begin)) + ": JSON nested more than " +
                                 std::to_string(kMaxJsonDepth) + " levels deep");
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
}

// The message of text that is not valid JSON, as the library's JSON parser words it
// (it stops at the first fault, as the reader does); empty if that parser accepts it.
struct MessageParser : nlohmann::json_sax<Json> {
    explicit MessageParser(std::string_view text) : text_(text) {}
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t offset, const std::string& token, const nlohmann::detail::exception& error) override {
        if (error.id == 406) {  // a number beyond the range of double; offset is just past it
            message = "not valid JSON: " + placeOf(text_, offset - std::min(offset, token.size())) +
                      ": number out of range: " + cut(token);
            return false;
        }
        std::string what = error.what();
        std::size_t last = what.find("last read: '");
        if (last != std::string::npos && what.size() - last > 80) {
            std::size_t start = last + 12;
            std::size_t end = what.find("'", start);
            if (end == std::string::npos) end = what.size();
            std::string shown = cut(what.substr(start, end - start));
            what = what.substr(0, last) + "last read: " + shown + what.substr(std::min(what.size(), end + 1));
        }
        message = "not valid JSON: " + what;
        return false;
    }

    std::string message;

private:
    std::string_view text_;
};

std::string jsonMessage(std::string_view text, std::size_t offset) {
    MessageParser parser(text);
    Json::sax_parse(text.begin(), text.end(), &parser);
    if (!parser.message.empty()) return parser.message;
    return "not valid JSON: " + placeOf(text, offset) + ": syntax error";
}

// Ends reading: at the first problem when loading, after kMaxProblems when checking.
struct Stop {};
constexpr std::size_t kMaxProblems = 1000;

enum Key : int { kName, kKind, kType, kId, kAccess, kUnit, kAttributes, kValue, kValues, kTarget, kTargets, kKeys };
const char* const kKeyNames[kKeys] = {"name",       "kind",  "type",   "id",     "access", "unit",
                                      "attributes", "value", "values", "target", "targets"};

Key keyOf(std::string_view key) {
    Key k = kKeys;
    switch (key.size()) {  // one candidate by length and first letter
    case 2: k = kId; break;
    case 4: k = key[0] == 'n' ? kName : key[0] == 'k' ? kKind : key[0] == 't' ? kType : kUnit; break;
    case 5: k = kValue; break;
    case 6: k = key[0] == 'a' ? kAccess : key[0] == 'v' ? kValues : kTarget; break;
    case 7: k = kTargets; break;
    case 10: k = kAttributes; break;
    default: return kKeys;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {  // short: no call to compare
        if (key[i] != kKeyNames[k][i]) return kKeys;
    }
    return k;
}

// Keys each kind of definition takes, for unknown-key messages and suggestions.
constexpr unsigned bit(Key k) { return 1u << k; }
constexpr unsigned kCommonKeys = bit(kName) | bit(kKind) | bit(kType) | bit(kAccess);
constexpr unsigned kEntityKeys = kCommonKeys | bit(kId) | bit(kAttributes);
constexpr unsigned kCompositeKeys = kCommonKeys | bit(kUnit) | bit(kAttributes);
constexpr unsigned kLinkKeys = kCommonKeys | bit(kUnit) | bit(kTarget) | bit(kTargets);
constexpr unsigned kValueKeys = kCommonKeys | bit(kUnit) | bit(kValue) | bit(kValues);

// An entity or attribute definition while it is read: its short members (all but its
// attributes), kept until it is complete. One per nesting level, reused.
struct Definition {
    JsonValue member[kKeys];            // scalar members; "id", "targets", "values" hold their type
    bool seen[kKeys] = {};
    bool done[kKeys] = {};              // checked and applied
    std::size_t checked = 0;            // keys of `order` checked for being known
    std::vector<JsonValue> items[2];    // "id" and "targets" items
    std::vector<std::pair<std::string, JsonValue>> values;  // "values" members
    std::vector<std::int16_t> order;    // keys in text order: a Key, or kKeys + index in unknown
    std::vector<std::string> unknown;
    std::size_t deferred = 0;           // offset of "attributes" met before the name or kind
    bool hasDeferred = false;

    void clear() {
        std::fill(std::begin(seen), std::end(seen), false);
        std::fill(std::begin(done), std::end(done), false);
        checked = 0;
        items[0].clear();
        items[1].clear();
        values.clear();
        order.clear();
        unknown.clear();
        hasDeferred = false;
    }
};

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

bool kindFromText(std::string_view t, NodeKind& kind) {
    static const NodeKind kinds[] = {NodeKind::Int,    NodeKind::Bool,  NodeKind::String, NodeKind::Float,
                                     NodeKind::Double, NodeKind::Composite, NodeKind::Entity, NodeKind::Link,
                                     NodeKind::List,   NodeKind::Array, NodeKind::Shortcut};
    for (NodeKind k : kinds) {
        if (t == kindText(k)) return kind = k, true;
    }
    return false;
}

unsigned keysOf(NodeKind kind) {
    switch (kind) {
    case NodeKind::Entity: return kEntityKeys;
    case NodeKind::Composite: return kCompositeKeys;
    case NodeKind::Link:
    case NodeKind::List:
    case NodeKind::Array:
    case NodeKind::Shortcut: return kLinkKeys;
    default: return kValueKeys;
    }
}

const char* const kRunKeys[] = {"transient", "iteration", "numberOfIterations", "startTime", "timeStep",
                                "totalTime", "stopOnConvergence", "residual", "residualReduction", "tolerance",
                                "converged", "solveStopped", "version", "versionString", "residualPath"};
constexpr int kRunKeyCount = 15, kVersionIndex = 12;
const char* const kVersionKeys[] = {"major", "minor", "servicePack", "build"};

struct PendingLink {
    LinkNode* node;
    std::vector<std::string> names;  // empty: an empty array slot
    std::string where;
};

class Reader {
public:
    Reader(std::string_view text, Model& model, std::vector<std::string>* problems)
        : lexer_(text), model_(model), problems_(problems) {}

    void document() {
        if (!lexer_.open('{')) {
            JsonValue ignored;
            lexer_.read(ignored);
            lexer_.end();
            problem("model", "expected a JSON object");
            return;
        }
        bool first = true;
        std::string_view key;
        JsonValue solutionControl;
        bool controlGiven = false;
        while (lexer_.key(first, key)) {
            if (key == "format") {
                JsonValue format;
                lexer_.read(format);
                if (format.type != JsonType::String)
                    problem("format", "expected the text '" + std::string(kFormat) + "'");
                else if (format.text() != kFormat)
                    problem("format", "unsupported format " + cut(format.text()) + " (this library reads '" +
                                          kFormat + "')");
            } else if (key == "run") {
                run();
            } else if (key == "solutionControl") {
                lexer_.read(solutionControl);
                controlGiven = true;
            } else if (key == "entities") {
                if (!lexer_.open('[')) {
                    JsonValue ignored;
                    lexer_.read(ignored);
                    problem("entities", "expected a list");
                    continue;
                }
                bool firstItem = true;
                for (std::size_t i = 0; lexer_.item(firstItem); ++i) definition(nullptr, i, 0);
            } else {
                static const char* const known[] = {"format", "run", "solutionControl", "entities"};
                problem("model", "unknown key " + cut(key) + suggestion(key, known));
                lexer_.skip();
            }
        }
        lexer_.end();
        assignIds();
        model_.indexEntities();
        model_.compact();
        resolveLinks();
        if (controlGiven && solutionControl.type != JsonType::Null) {
            if (solutionControl.type != JsonType::String) {
                problem("solutionControl", "expected a string");
            } else {
                Node* n = model_.resolveFullPath(solutionControl.text());
                if (n == nullptr || n->kind != NodeKind::Entity)
                    problem("solutionControl", "no entity named " + cut(solutionControl.text()));
                else
                    model_.solutionControl = static_cast<EntityNode*>(n);
            }
        } else {
            const auto& controls = model_.entitiesOfType("SolutionControl");
            model_.solutionControl = controls.empty() ? nullptr : controls.front();
        }
    }

private:
    // Loading stops at the first problem; checking notes it and goes on.
    void problem(const std::string& where, const std::string& what) {
        if (problems_ == nullptr) {
            first_ = where + ": " + what;
            throw Stop{};
        }
        problems_->push_back(where + ": " + what);
        if (problems_->size() == kMaxProblems) {
            problems_->push_back("stopped after " + std::to_string(kMaxProblems) + " problems");
            throw Stop{};
        }
    }

public:
    const std::string& firstProblem() const { return first_; }

private:
    // A place in the file, worded only when a message needs it: the definition being read
    // (none for the run section) followed by two pieces of text.
    struct Place {
        const Reader* reader;
        std::string_view suffix, more = {};
        std::string str() const {
            return (reader != nullptr ? reader->here() : std::string()) + std::string(suffix) + std::string(more);
        }
    };

    // ---- scalars: each gives false after noting the problem ----

    bool text(const JsonValue& v, const Place& where, std::string_view& out) {
        if (v.type != JsonType::String) return problem(where.str(), "expected a string"), false;
        out = v.text();
        return true;
    }

    bool integer(const JsonValue& v, const Place& where, int& out) {
        if (!v.isInteger()) return problem(where.str(), "expected an integer"), false;
        bool fits = v.type == JsonType::Unsigned
                        ? v.unsignedInteger <= static_cast<std::uint64_t>(std::numeric_limits<int>::max())
                        : v.integer >= std::numeric_limits<int>::min();
        if (!fits) return problem(where.str(), "integer out of range"), false;
        out = v.type == JsonType::Unsigned ? static_cast<int>(v.unsignedInteger) : static_cast<int>(v.integer);
        return true;
    }

    // A number, or one of the texts "inf", "-inf", "nan" that JSON cannot write as numbers.
    bool number(const JsonValue& v, const Place& where, double& out) {
        if (v.isNumber()) return out = v.real, true;
        if (v.type == JsonType::String) {
            std::string_view t = v.text();
            if (t == "inf" || t == "+inf") return out = std::numeric_limits<double>::infinity(), true;
            if (t == "-inf") return out = -std::numeric_limits<double>::infinity(), true;
            if (t == "nan") return out = std::numeric_limits<double>::quiet_NaN(), true;
        }
        return problem(where.str(), "expected a number"), false;
    }

    bool flag(const JsonValue& v, const Place& where, bool& out) {
        if (v.type != JsonType::Bool) return problem(where.str(), "expected true or false"), false;
        return out = v.flag, true;
    }

    // ---- the run section ----

    void run() {
        if (!lexer_.open('{')) {
            JsonValue ignored;
            lexer_.read(ignored);
            return problem("run", "expected an object");
        }
        JsonValue given[kRunKeyCount], version[4];
        bool seen[kRunKeyCount] = {}, versionSeen[4] = {};
        bool versionObject = false;
        bool first = true;
        std::string_view key;
        while (lexer_.key(first, key)) {
            int k = 0;
            while (k < kRunKeyCount && key != kRunKeys[k]) ++k;
            if (k == kRunKeyCount) {
                problem("run", "unknown key " + cut(key) + suggestion(key, kRunKeys));
                lexer_.skip();
                continue;
            }
            seen[k] = true;
            if (k != kVersionIndex || !lexer_.open('{')) {
                lexer_.read(given[k]);
                continue;
            }
            versionObject = true;
            bool firstVersion = true;
            while (lexer_.key(firstVersion, key)) {
                int v = 0;
                while (v < 4 && key != kVersionKeys[v]) ++v;
                if (v == 4) {
                    problem("run.version", "unknown key " + cut(key) + suggestion(key, kVersionKeys));
                    lexer_.skip();
                    continue;
                }
                versionSeen[v] = true;
                lexer_.read(version[v]);
            }
        }
        RunSettings& s = model_.run;
        auto at = [](int k) { return Place{nullptr, "run.", kRunKeys[k]}; };
        bool* flags[kRunKeyCount] = {&s.transient, nullptr, nullptr, nullptr, nullptr, nullptr, &s.stopOnConvergence,
                                     nullptr, nullptr, nullptr, nullptr, &s.solveStopped};
        int* integers[kRunKeyCount] = {nullptr, &s.iteration, &s.numberOfIterations};
        double* numbers[kRunKeyCount] = {nullptr, nullptr, nullptr, &s.startTime, &s.timeStep, &s.totalTime,
                                         nullptr, &s.residual, &s.residualReduction, &s.tolerance};
        for (int k = 0; k < kRunKeyCount; ++k) {
            if (!seen[k]) continue;
            const JsonValue& v = given[k];
            if (flags[k] != nullptr) {
                flag(v, at(k), *flags[k]);
            } else if (integers[k] != nullptr) {
                integer(v, at(k), *integers[k]);
            } else if (numbers[k] != nullptr) {
                number(v, at(k), *numbers[k]);
            } else if (k == 10) {  // converged: null leaves the answer to the residual
                bool fixed = false;
                if (v.type != JsonType::Null && flag(v, at(k), fixed)) s.convergedOverride = fixed ? 1 : 0;
            } else if (k == kVersionIndex) {
                if (!versionObject) {
                    problem(at(k).str(), "expected an object");
                    continue;
                }
                for (int i = 0; i < 4; ++i) {
                    if (versionSeen[i]) integer(version[i], Place{nullptr, "run.version.", kVersionKeys[i]}, s.version[i]);
                }
            } else {
                std::string_view t;
                if (text(v, at(k), t)) (k == 13 ? s.versionString : s.residualPath) = std::string(t);
            }
        }
        if (s.iteration < 0) problem("run.iteration", "must not be negative");
        if (s.numberOfIterations < 0) problem("run.numberOfIterations", "must not be negative");
        if (!std::isfinite(s.timeStep)) problem("run.timeStep", "must be a finite number");
        else if (!(s.timeStep > 0.0)) problem("run.timeStep", "must be positive");
        if (!std::isfinite(s.totalTime)) problem("run.totalTime", "must be a finite number");
        else if (!(s.totalTime >= 0.0)) problem("run.totalTime", "must not be negative");
        if (!(s.residualReduction > 0.0)) problem("run.residualReduction", "must be positive");
    }

    // ---- places: "entities[0].attributes[2] ('Speed')", built only for a message ----

    struct Frame {
        std::size_t index;
        std::string_view name;  // once known
        bool named;
    };

    // The place of the definition being read (depth: how many frames to name).
    std::string where(std::size_t depth) const {
        std::string at = "entities[" + std::to_string(path_[0].index) + "]";
        for (std::size_t i = 1; i < depth; ++i) {
            at += ".attributes[" + std::to_string(path_[i].index) + "]";
            if (path_[i].named) at += " (" + cut(path_[i].name) + ")";
        }
        return at;
    }
    std::string here() const { return where(path_.size()); }

    // ---- definitions ----

    Definition& definitionAt(int level) {
        while (static_cast<int>(pool_.size()) <= level) pool_.push_back(std::make_unique<Definition>());
        Definition& d = *pool_[static_cast<std::size_t>(level)];
        d.clear();
        return d;
    }

    // Reads the definition at the lexer: a root entity (level 0) or an attribute `level`
    // levels below its root entity, the index-th of parent.
    void definition(CompositeNode* parent, std::size_t index, int level) {
        path_.push_back(Frame{index, {}, false});
        if (!lexer_.open('{')) {
            JsonValue ignored;
            lexer_.read(ignored);
            problem(here(), "expected an object");
            path_.pop_back();
            return;
        }
        Definition& d = definitionAt(level);
        Node* node = nullptr;
        bool skipped = false;  // a definition whose name or kind is unusable: its content is only checked
        bool first = true;
        std::string_view key;
        while (lexer_.key(first, key)) {
            Key k = keyOf(key);
            if (k == kKeys) {
                d.order.push_back(static_cast<std::int16_t>(kKeys + d.unknown.size()));
                d.unknown.emplace_back(key);
                lexer_.skip();
                continue;
            }
            if (!d.seen[k]) d.order.push_back(static_cast<std::int16_t>(k));
            d.seen[k] = true;
            if (k == kAttributes) {
                if (node == nullptr && !skipped && d.seen[kName] && (level == 0 || d.seen[kKind]))
                    node = open(d, parent, level, skipped);
                if (node != nullptr && node->isComposite() && !skipped) {
                    members(d, node, level, false);
                    children(static_cast<CompositeNode*>(node), level);
                } else {
                    if (node == nullptr && !skipped) d.deferred = lexer_.offset(), d.hasDeferred = true;
                    lexer_.skip();
                }
            } else if (k == kId || k == kTargets) {
                JsonValue& type = d.member[k];
                std::vector<JsonValue>& items = d.items[k == kId ? 0 : 1];
                items.clear();
                if (!lexer_.open('[')) {
                    lexer_.read(type);
                    continue;
                }
                type.type = JsonType::Array;
                bool firstItem = true;
                while (lexer_.item(firstItem)) lexer_.read(items.emplace_back());
            } else if (k == kValues) {
                d.values.clear();
                if (!lexer_.open('{')) {
                    lexer_.read(d.member[k]);
                    continue;
                }
                d.member[k].type = JsonType::Object;
                bool firstValue = true;
                std::string_view chronology;
                while (lexer_.key(firstValue, chronology)) {
                    d.values.emplace_back(std::string(chronology), JsonValue());
                    lexer_.read(d.values.back().second);
                }
            } else {
                lexer_.read(d.member[k]);
            }
        }
        if (node == nullptr && !skipped) node = open(d, parent, level, skipped);
        if (node != nullptr && !skipped) {
            if (d.hasDeferred && node->isComposite()) {  // attributes that came before the name or kind
                std::size_t back = lexer_.offset();
                lexer_.seek(d.deferred);
                children(static_cast<CompositeNode*>(node), level);
                lexer_.seek(back);
            }
            members(d, node, level, true);
        }
        path_.pop_back();
    }

    void children(CompositeNode* composite, int level) {
        if (!lexer_.open('[')) {
            JsonValue ignored;
            lexer_.read(ignored);
            return problem(here() + ".attributes", "expected a list");
        }
        bool first = true;
        for (std::size_t i = 0; lexer_.item(first); ++i) definition(composite, i, level + 1);
    }

    // Makes the node once its name and kind are known, and attaches it; null (skipped set)
    // when they are unusable.
    Node* open(Definition& d, CompositeNode* parent, int level, bool& skipped) {
        skipped = true;
        Frame& frame = path_.back();
        if (!d.seen[kName]) return problem(here(), "missing 'name'"), nullptr;
        std::string_view name;
        if (!text(d.member[kName], Place{this, ".name"}, name)) return nullptr;
        if (name.empty() || name.find('/') != std::string_view::npos)
            problem(here() + ".name", "a name must be non-empty and contain no '/'");
        if (level > 0) {
            frame.name = name;
            frame.named = true;
            if (level > kMaxNesting)
                return problem(here(), "nested more than " + std::to_string(kMaxNesting) +
                                           " levels below its root entity"),
                       nullptr;
            if (!d.seen[kKind]) return problem(here(), "missing 'kind'"), nullptr;
        }
        NodeKind kind = NodeKind::Entity;
        if (level > 0) {
            std::string_view kindName;
            if (!text(d.member[kKind], Place{this, ".kind"}, kindName)) return nullptr;
            if (!kindFromText(kindName, kind)) return problem(here() + ".kind", "unknown kind " + cut(kindName)), nullptr;
        }
        skipped = false;
        Node* node = nullptr;
        switch (kind) {
        case NodeKind::Entity: {
            EntityNode* e = model_.make<EntityNode>();
            EntityNode* above = parent == nullptr ? nullptr
                                : parent->kind == NodeKind::Entity ? static_cast<EntityNode*>(parent)
                                                                   : parent->parentEntity();
            if (above == nullptr) {
                e->fullName.assign(name);
            } else {
                e->fullName = above->fullName;
                e->fullName += '/';
                if (parent != above) e->fullName += parent->pathInEntity() + "/";
                e->fullName += name;
            }
            e->name = std::string_view(e->fullName).substr(e->fullName.size() - name.size());
            model_.entities.push_back(e);
            node = e;
            break;
        }
        case NodeKind::Composite: node = model_.make<CompositeNode>(NodeKind::Composite); break;
        case NodeKind::Link:
        case NodeKind::List:
        case NodeKind::Array: node = model_.make<LinkNode>(kind); break;
        case NodeKind::Shortcut: node = model_.make<ShortcutNode>(); break;
        default: node = model_.make<ValueNode>(kind); node->access = kReadWrite; break;
        }
        if (kind != NodeKind::Entity) node->name = *intern(name);
        if (!model_.attach(parent, node)) {
            node->parent = parent;  // a checked model goes on with it; a loaded one stops here
            problem(here(), "the name " + cut(name) + " is used twice");
        }
        return node;
    }

    // Checks and applies the short members met so far that are not yet done: before the
    // attributes of an entity or composite, and once the definition is complete.
    void members(Definition& d, Node* node, int level, bool complete) {
        const Place place{this, ""};
        unsigned allowed = keysOf(node->kind);
        for (; d.checked < d.order.size(); ++d.checked) {
            std::int16_t k = d.order[d.checked];
            if (k < kKeys && (allowed & bit(static_cast<Key>(k)))) continue;
            std::string_view key = k < kKeys ? std::string_view(kKeyNames[k]) : d.unknown[static_cast<std::size_t>(k - kKeys)];
            const char* names[kKeys];
            std::size_t n = 0;
            for (int a = 0; a < kKeys; ++a) {
                if (allowed & bit(static_cast<Key>(a))) names[n++] = kKeyNames[a];
            }
            problem(place.str(), "unknown key " + cut(key) + suggestion(key, names, n));
        }
        auto take = [&d](Key k) { return d.seen[k] && !d.done[k] ? (d.done[k] = true) : false; };
        std::string_view t;
        if (level == 0 && take(kKind) && text(d.member[kKind], Place{this, ".kind"}, t) && t != "entity")
            problem(here() + ".kind", "a root entity must be of kind 'entity'");
        if (complete && node->kind == NodeKind::Entity && !d.seen[kType]) problem(here(), "an entity needs a 'type'");
        // Type, unit and access.
        if (take(kType) && text(d.member[kType], Place{this, ".type"}, t)) node->type = intern(t);
        if (complete && node->type == nullptr)
            node->type = intern(node->kind == NodeKind::Entity ? std::string_view() : kindText(node->kind));
        if (take(kUnit) && d.member[kUnit].type != JsonType::Null && text(d.member[kUnit], Place{this, ".unit"}, t) &&
            !t.empty())
            node->unit = intern(t);
        if (take(kAccess)) access(d.member[kAccess], Place{this, ".access"}, node->access);
        if (node->kind == NodeKind::Entity && take(kId)) id(d, static_cast<EntityNode*>(node));
        if (!complete) return;
        switch (node->kind) {
        case NodeKind::Entity:
        case NodeKind::Composite: break;
        case NodeKind::Link:
        case NodeKind::List:
        case NodeKind::Array: links(d, static_cast<LinkNode*>(node)); break;
        case NodeKind::Shortcut: shortcut(d, static_cast<ShortcutNode*>(node)); break;
        default: values(d, static_cast<ValueNode*>(node)); break;
        }
    }

    void id(Definition& d, EntityNode* e) {
        const auto& id = d.items[0];
        if (d.member[kId].type != JsonType::Array || id.size() != 2) return problem(here() + ".id", "expected two integers");
        bool ok = integer(id[0], Place{this, ".id[0]"}, e->id1);
        ok = integer(id[1], Place{this, ".id[1]"}, e->id2) && ok;
        e->explicitId = ok;
    }

    void access(const JsonValue& v, const Place& where, std::uint8_t& out) {
        if (v.isInteger()) {
            int a = 0;
            if (!integer(v, where, a)) return;
            if (a < 0 || a > 3) return problem(where.str(), "access must be 0 to 3");
            out = static_cast<std::uint8_t>(a);
            return;
        }
        std::string_view t;
        if (!text(v, where, t)) return;
        if (t == "None") out = kNoAccess;
        else if (t == "ReadOnly") out = kReadOnly;
        else if (t == "WriteOnly") out = kWriteOnly;
        else if (t == "ReadWrite") out = kReadWrite;
        else problem(where.str(), "access must be None, ReadOnly, WriteOnly or ReadWrite");
    }

    void links(Definition& d, LinkNode* node) {
        PendingLink pending{node, {}, {}};
        std::string_view t;
        if (node->kind == NodeKind::Link) {
            if (d.seen[kTargets]) problem(here(), "a link has one 'target'");
            if (d.seen[kTarget] && d.member[kTarget].type != JsonType::Null &&
                text(d.member[kTarget], Place{this, ".target"}, t))
                pending.names.emplace_back(t);
        } else {
            if (d.seen[kTarget]) problem(here(), "a list or array has 'targets'");
            if (d.seen[kTargets]) {
                if (d.member[kTargets].type != JsonType::Array) {
                    problem(here() + ".targets", "expected a list");
                } else {
                    const auto& items = d.items[1];
                    for (std::size_t i = 0; i < items.size(); ++i) {
                        std::string index = "[" + std::to_string(i) + "]";
                        if (items[i].type == JsonType::Null) {
                            if (node->kind != NodeKind::Array)
                                problem(here() + ".targets" + index, "only an array may have empty slots");
                            else
                                pending.names.emplace_back();
                        } else if (text(items[i], Place{this, ".targets", index}, t)) {
                            pending.names.emplace_back(t);
                        }
                    }
                }
            }
        }
        if (pending.names.empty()) return;
        pending.where = here();
        links_.push_back(std::move(pending));
    }

    void shortcut(Definition& d, ShortcutNode* node) {
        std::string_view t;
        if (d.seen[kTarget] && text(d.member[kTarget], Place{this, ".target"}, t)) node->targetPaths.emplace_back(t);
        if (!d.seen[kTargets]) return;
        if (d.member[kTargets].type != JsonType::Array) return problem(here() + ".targets", "expected a list");
        const auto& items = d.items[1];
        for (std::size_t i = 0; i < items.size(); ++i) {
            std::string index = "[" + std::to_string(i) + "]";
            if (text(items[i], Place{this, ".targets", index}, t)) node->targetPaths.emplace_back(t);
        }
    }

    void values(Definition& d, ValueNode* v) {
        if (d.seen[kValue] && d.seen[kValues]) return problem(here(), "give either 'value' or 'values'");
        if (d.seen[kValue]) {
            if (scalar(*v, d.member[kValue], Place{this, ".value"}, kInitial)) {
                for (int c = kContinue; c <= kCurrent; ++c) v->slots[c] = v->slots[kInitial];
                v->present = 0x0f;
            }
        } else if (d.seen[kValues]) {
            if (d.member[kValues].type != JsonType::Object)
                return problem(here() + ".values", "expected an object keyed by chronology");
            for (const auto& [key, value] : d.values) {
                int c = 0;
                while (c < kChronologies && key != chronologyName(c) && key != std::to_string(c)) ++c;
                if (c == kChronologies) {
                    problem(here() + ".values", "unknown chronology " + cut(key) +
                                                   " (Initial, Continue, TimeStepStart, Current, Next)");
                    continue;
                }
                if (scalar(*v, value, Place{this, ".values.", key}, c)) v->present |= static_cast<std::uint8_t>(1u << c);
            }
        }
        if (v->has(kNext)) model_.notePending(v);
    }

    // Stores a value at chronology c; false after noting why it does not fit the kind.
    bool scalar(ValueNode& node, const JsonValue& v, const Place& where, int c) {
        switch (node.valueKind()) {
        case ValueKind::Int: {
            int i = 0;
            if (!integer(v, where, i)) return false;
            node.slots[c].number = i;
            return true;
        }
        case ValueKind::Bool: {
            bool b = false;
            if (!flag(v, where, b)) return false;
            node.slots[c].number = b ? 1.0 : 0.0;
            return true;
        }
        case ValueKind::Double: return number(v, where, node.slots[c].number);
        case ValueKind::Float: {
            double d = 0.0;
            if (!number(v, where, d)) return false;
            if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
                return problem(where.str(), "outside the range of float"), false;
            node.slots[c].number = static_cast<float>(d);
            return true;
        }
        case ValueKind::String: {
            std::string_view t;
            if (!text(v, where, t)) return false;
            node.slots[c].text = intern(t);
            return true;
        }
        }
        return false;
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
            for (const std::string& name : p.names) {
                if (name.empty()) {
                    p.node->targets.push_back(nullptr);
                    continue;
                }
                Node* n = model_.resolveFullPath(name);
                if (n == nullptr || n->kind != NodeKind::Entity) {
                    problem(p.where, "no entity named " + cut(name));
                    continue;
                }
                p.node->targets.push_back(static_cast<EntityNode*>(n));
            }
        }
        // Shortcut targets that do not resolve stay as invalid targets.
        for (Node* n : model_.nodes) {
            if (n->kind != NodeKind::Shortcut) continue;
            auto* s = static_cast<ShortcutNode*>(n);
            for (const std::string& path : s->targetPaths) s->targets.push_back(model_.resolveFullPath(path));
        }
    }

    // Names, types and texts repeat: the last ones interned are looked up here first.
    const std::string* intern(std::string_view text) {
        std::size_t slot = text.empty() ? 0 : (text.size() * 31u + static_cast<unsigned char>(text[0]) * 7u +
                                               static_cast<unsigned char>(text.back())) % kInterned;
        const std::string* kept = interned_[slot];
        if (kept != nullptr && *kept == text) return kept;
        return interned_[slot] = model_.intern(text);
    }
    static constexpr std::size_t kInterned = 61;
    const std::string* interned_[kInterned] = {};

    JsonLexer lexer_;
    Model& model_;
    std::vector<std::string>* problems_;  // null: stop at the first
    std::string first_;
    std::vector<Frame> path_;
    std::vector<std::unique_ptr<Definition>> pool_;
    std::vector<PendingLink> links_;
};

Json numberJson(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return v;
}

const char* accessName(std::uint8_t a) {
    switch (a) {
    case kNoAccess: return "None";
    case kReadOnly: return "ReadOnly";
    case kWriteOnly: return "WriteOnly";
    default: return "ReadWrite";
    }
}

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

namespace {

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
    // Straight into the text; a file that grows while it is read goes on in small pieces.
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t size = 0;
    char more[1 << 12];
    while (size <= kMaxFileBytes) {
        bool inPlace = size < content.size();
        ssize_t got = inPlace ? ::read(fd, &content[size], content.size() - size) : ::read(fd, more, sizeof more);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw refuse(std::strerror(errno));
        if (got == 0) break;
        if (!inPlace) content.append(more, static_cast<std::size_t>(got));
        size += static_cast<std::size_t>(got);
    }
    if (size > kMaxFileBytes) throw refuse(tooLarge);
    content.resize(size);
    return content;
}

// Reads text into a model: stops at the first problem (problems null) or notes them all.
// When anything is wrong, the rules come in this order: nesting deeper than kMaxJsonDepth
// (a model that reads without a problem never nests that deep, so the text is scanned for
// it only then), then text that is not valid JSON (only that message: the rest cannot be
// read), then the model's own rules.
std::unique_ptr<Model> read(std::string_view text, std::vector<std::string>* problems) {
    auto model = std::make_unique<Model>();
    Reader reader(text, *model, problems);
    try {
        reader.document();
    } catch (const JsonFault& fault) {
        checkNesting(text);
        std::string message = jsonMessage(text, fault.offset);
        if (problems == nullptr) throw ModelError(message);
        *problems = {message};
        return model;
    } catch (const Stop&) {
        checkNesting(text);
        try {  // the rest of the text must still be JSON: a fault there comes first
            JsonLexer whole(text);
            whole.skip();
            whole.end();
        } catch (const JsonFault& fault) {
            if (problems == nullptr) throw ModelError(jsonMessage(text, fault.offset));
            *problems = {jsonMessage(text, fault.offset)};
            return model;
        }
        if (problems == nullptr) throw ModelError(reader.firstProblem());
        return model;
    }
    if (problems != nullptr && !problems->empty()) checkNesting(text);
    return model;
}

}  // namespace

std::unique_ptr<Model> loadModelText(std::string_view text) { return read(text, nullptr); }

std::unique_ptr<Model> loadModelFile(const std::string& path) {
    std::string content = readFile(path);
    try {
        return loadModelText(content);
    } catch (const ModelError& e) {
        throw ModelError(path + ": " + e.what());
    }
}

std::vector<std::string> checkModelText(std::string_view text) {
    std::vector<std::string> problems;
    try {
        read(text, &problems);
    } catch (const ModelError& e) {  // nested too deep
        problems = {e.what()};
    }
    return problems;
}

std::vector<std::string> checkModelFile(const std::string& path) {
    try {
        return checkModelText(readFile(path));
    } catch (const ModelError& e) {
        return {e.what()};
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
