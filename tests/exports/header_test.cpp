#include <gtest/gtest.h>

#include "exports/ksr.h"

extern "C" int ksrHeaderCompilesFromC(void);

TEST(PublicHeader, CompilesFromCAndCpp) {
    static_assert(sizeof(SetupRecord) == KSR_SETUP_V52_SIZE);
    static_assert(sizeof(CaseVertex) == 20 && sizeof(CaseEdge) == 16);
    EXPECT_EQ(ksrHeaderCompilesFromC(), 1);
}
