// The solver manager is fetched from the exchange library afresh on every use.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "sdk/solver.h"
#include "standin/varnex2_standin.h"

namespace {

using namespace OrvaneSDK;

TEST(SolverManagerInstance, IsAskedForOnEveryUseAndANullManagerRaises) {
    varnex2_standin_reset();
    ISolverManager& manager = ISolverManager::instance();
    EXPECT_EQ(static_cast<void*>(&manager), varnex2_standin_manager());

    varnex2_standin_set_manager_available(0);
    const std::function<void()> uses[] = {[] { ISolverManager::instance(); }, [] { OrvaneSDK::version(); },
                                          [] { OrvaneSDK::versionString(); }};
    for (const auto& use : uses) {
        try {
            use();
            ADD_FAILURE() << "no exception without a manager";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Failed to access ISolverManager");
        }
    }
    varnex2_standin_set_manager_available(1);
    EXPECT_EQ(&ISolverManager::instance(), &manager);
    varnex2_standin_reset();
}

}  // namespace
