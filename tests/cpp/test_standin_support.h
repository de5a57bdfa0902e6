// Shared helpers of the stand-in library's tests: a fixture that resets the library around
// every test, shortcuts to objects through the facade, and a table case whose outcome is text.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "sdk/model.h"
#include "sdk/solver.h"
#include "standin/varnex2_standin.h"

namespace standin_test {

using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

inline ISolverManager& manager() { return ISolverManager::instance(); }
inline IEntityCollection& collection() { return *manager().getEntityCollection(); }
inline IAttribute* attribute(const std::string& path) {
    return static_cast<IAttribute*>(varnex2_standin_find(path.data(), path.size()));
}
inline IEntity* entity(const std::string& path) { return static_cast<IEntity*>(attribute(path)); }
inline void load(const std::string& json) {
    ASSERT_EQ(varnex2_standin_load_model_text(json.data(), json.size()), 0) << varnex2_standin_last_error();
}
inline void failNext(const void* object, int slot, int status, const std::string& message = "", int count = 1,
                     bool messageFails = false, bool writeOut = false) {
    ASSERT_EQ(varnex2_standin_fail_next(object, slot, status, message.data(), message.size(), count, messageFails,
                                        writeOut), 0);
}

// "none", or "<standard exception kind>: <message>" for what `call` throws.
template <class F>
std::string outcome(F&& call) {
    try {
        call();
    } catch (const std::out_of_range& e) {
        return std::string("out_of_range: ") + e.what();
    } catch (const std::logic_error& e) {
        return std::string("logic_error: ") + e.what();
    } catch (const std::runtime_error& e) {
        return std::string("runtime_error: ") + e.what();
    } catch (...) {
        return "other";
    }
    return "none";
}

class Standin : public ::testing::Test {
protected:
    void SetUp() override { varnex2_standin_reset(); }
    void TearDown() override { varnex2_standin_reset(); }
};

// A table row: on `model` (the default one when null), `run` gives the text `expected`.
struct Case {
    const char* name;
    const char* model;
    std::function<std::string()> run;
    std::string expected;
};
inline std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

class StandinCase : public Standin, public ::testing::WithParamInterface<Case> {};

}  // namespace standin_test
