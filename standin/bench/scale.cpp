// Lookup cost of the stand-in library at 10 and at 100,000 entities, through the facade.
// Build: cmake --build <build> --target bench_standin_scale; run the binary without arguments.
// Two key patterns: "hot" cycles over 8 entities (what stays in cache), "spread" draws
// 4096 keys over the whole model. Lookups are hash-based, so the hot cost does not grow
// with the model; the spread cost grows only by the cache misses of a large model.
// First it reports the memory that the 100,000-entity model takes, against its file size.
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "sdk/model.h"
#include "sdk/solver.h"
#include "standin/varnex2_standin.h"

using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

namespace {

// n entities of types Pipe/Pump/Valve under one root, each with a few attributes.
std::string model(int n) {
    const char* types[3] = {"Pipe", "Pump", "Valve"};
    std::string json = R"({"entities": [{"name": "Net", "type": "Network", "attributes": [)";
    for (int i = 0; i < n; ++i) {
        if (i) json += ',';
        json += R"({"name": "E)" + std::to_string(i) + R"(", "kind": "entity", "type": ")" + types[i % 3] +
                R"(", "id": [7, )" + std::to_string(i) + R"(], "attributes": [)"
                R"({"name": "Length", "kind": "double", "value": 1.5},)"
                R"({"name": "Props", "kind": "composite", "attributes": [)"
                R"({"name": "Diameter", "kind": "double", "value": 0.1}, {"name": "Tag", "kind": "string", "value": "x"}]}]})";
    }
    return json + "]}]}";
}

double nsPerCall(int calls, const std::function<void(int)>& body) {
    body(0);  // warm up
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) body(i);
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / calls;
}

// Resident memory of the process.
double residentMiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// Heap bytes in use (what the model holds, without freed memory the allocator keeps).
double heapMiB() {
    struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1 << 20);
}

// Loads the large model and reports its heap use against the size of its JSON text.
int memory() {
    std::string text = model(100000);
    varnex2_standin_reset();
    double before = heapMiB(), residentBefore = residentMiB();
    if (varnex2_standin_load_model_text(text.data(), text.size()) != 0) {
        std::fprintf(stderr, "%s\n", varnex2_standin_last_error());
        return 1;
    }
    double after = heapMiB(), resident = residentMiB() - residentBefore;
    double file = static_cast<double>(text.size()) / (1 << 20);
    std::printf("memory: 100000 entities, JSON %.1f MiB; model %.1f MiB on the heap (ratio %.2f), "
                "resident memory +%.1f MiB (ratio %.2f)\n\n",
                file, after - before, (after - before) / file, resident, resident / file);
    return 0;
}

}  // namespace

int main() {
    if (memory() != 0) return 1;
    volatile std::size_t sink = 0;
    for (int spread = 0; spread < 2; ++spread) {
    std::printf("%s keys\n", spread ? "spread" : "hot");
    const int sizes[2] = {10, 100000};
    const int calls = 200000;
    struct Row {
        const char* name;
        double ns[2];
    };
    std::vector<Row> rows;
    for (int s = 0; s < 2; ++s) {
        int n = sizes[s];
        std::string text = model(n);
        if (varnex2_standin_load_model_text(text.data(), text.size()) != 0) {
            std::fprintf(stderr, "%s\n", varnex2_standin_last_error());
            return 1;
        }
        IEntityCollection& c = *ISolverManager::instance().getEntityCollection();
        IEntity* root = c.getRootEntity();
        // Keys spread over the whole model, the same sequence for both sizes.
        std::mt19937 random(42);
        std::vector<int> keys(4096);
        for (std::size_t k = 0; k < keys.size(); ++k)
            keys[k] = static_cast<int>((spread ? random() : k % 8) % static_cast<unsigned>(n));
        std::vector<std::string> names, paths;
        for (int k : keys) {
            names.push_back("E" + std::to_string(k));
            paths.push_back("E" + std::to_string(k) + "/Props/Diameter");
        }
        auto key = [&](int i) { return keys[i & 4095]; };
        const char* types[3] = {"Pipe", "Pump", "Valve"};
        std::vector<std::pair<const char*, std::function<void(int)>>> cases = {
            {"getEntity(index)", [&](int i) { sink += c.getEntity(std::size_t(key(i)) + 1) != nullptr; }},
            {"getEntity(EntityID)", [&](int i) { sink += c.getEntity(EntityID(7, key(i))) != nullptr; }},
            {"getEntity(type, name)",
             [&](int i) { sink += c.getEntity(types[key(i) % 3], names[i & 4095]) != nullptr; }},
            {"getEntity(type, index)", [&](int i) { sink += c.getEntity(types[i % 3], std::size_t(key(i) / 3)) != nullptr; }},
            {"getNumberOfEntities(type)", [&](int i) { sink += c.getNumberOfEntities(types[i % 3]); }},
            {"root getAttribute(path)", [&](int i) { sink += root->getAttribute(paths[i & 4095]) != nullptr; }},
            {"entity getAttribute(i, recursive)",
             [&](int i) { sink += c.getEntity(std::size_t(key(i)) + 1)->getAttribute(2, true) != nullptr; }},
            {"getDoubleValue via path",
             [&](int i) { sink += static_cast<std::size_t>(root->getAttribute(paths[i & 4095])->getDoubleValue()); }},
        };
        for (std::size_t r = 0; r < cases.size(); ++r) {
            if (s == 0) rows.push_back(Row{cases[r].first, {0, 0}});
            rows[r].ns[s] = nsPerCall(calls, cases[r].second);
        }
    }
    std::printf("%-36s %14s %14s %8s\n", "lookup", "10 entities", "100000 ent.", "ratio");
    for (const Row& r : rows)
        std::printf("%-36s %11.1f ns %11.1f ns %8.2f\n", r.name, r.ns[0], r.ns[1], r.ns[1] / r.ns[0]);
    }
    varnex2_standin_reset();
    return sink == 0xFFFFFFFF ? 1 : 0;
}
