// Shared helpers of the stand-in library's tests: a fixture that resets the library
// around every test, and shortcuts to models and objects through the facade.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "sdk/model.h"
#include "sdk/solver.h"
#include "standin/varnex2_standin.h"

namespace standin_test {

using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

class Standin : public ::testing::Test {
protected:
    void SetUp() override { varnex2_standin_reset(); }
    void TearDown() override { varnex2_standin_reset(); }

    static void load(const std::string& json) {
        ASSERT_EQ(varnex2_standin_load_model_text(json.data(), json.size()), 0) << varnex2_standin_last_error();
    }
    static ISolverManager& manager() { return ISolverManager::instance(); }
    static IEntityCollection& collection() { return *manager().getEntityCollection(); }
    static IEntity* entity(const std::string& fullName) {
        return static_cast<IEntity*>(static_cast<IAttribute*>(varnex2_standin_find(fullName.data(), fullName.size())));
    }
    static IAttribute* attribute(const std::string& fullPath) {
        return static_cast<IAttribute*>(varnex2_standin_find(fullPath.data(), fullPath.size()));
    }
    static void failNext(const void* object, int slot, int status, const std::string& message = "", int count = 1,
                         bool messageFails = false, bool writeOut = false) {
        ASSERT_EQ(varnex2_standin_fail_next(object, slot, status, message.data(), message.size(), count,
                                            messageFails, writeOut),
                  0);
    }
};

// The message of the exception that `call` throws, checking its type.
template <class E, class F>
std::string thrownMessage(F&& call) {
    try {
        call();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception type, message: " << e.what();
        return "";
    }
    ADD_FAILURE() << "nothing thrown";
    return "";
}

// Which standard exception `call` throws: "out_of_range", "logic_error", "runtime_error",
// "other" or "none"; the message goes to `message` when given.
template <class F>
std::string thrownKind(F&& call, std::string* message = nullptr) {
    try {
        call();
    } catch (const std::out_of_range& e) {
        if (message) *message = e.what();
        return "out_of_range";
    } catch (const std::logic_error& e) {
        if (message) *message = e.what();
        return "logic_error";
    } catch (const std::runtime_error& e) {
        if (message) *message = e.what();
        return "runtime_error";
    } catch (...) {
        return "other";
    }
    return "none";
}

}  // namespace standin_test
