#pragma once
// Each test starts from the module as it is right after load.

#include <gtest/gtest.h>

#include "exports/ksr.h"
#include "exports/module_state.h"
#include "module_reset.h"

class FreshModule : public ::testing::Test {
protected:
    void SetUp() override { ksr::resetModuleState(); }
    void TearDown() override { ksr::resetModuleState(); }

    // A new instance, made current; its id.
    static int32_t makeCurrentInstance() {
        const int32_t id = CI_GetFreeID();
        EXPECT_GT(id, 0);
        EXPECT_EQ(CI_MakeCurrent(id), 0);
        return id;
    }
};
