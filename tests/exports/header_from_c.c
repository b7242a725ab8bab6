/* The public header compiles as C, and its records have the sizes a host
 * relies on. */
#include <stddef.h>

#include "exports/ksr.h"

_Static_assert(sizeof(SetupRecord) == KSR_SETUP_V52_SIZE, "setup record v52 size");
_Static_assert(offsetof(SetupRecord, groundStacked) == KSR_SETUP_V51_SIZE, "setup record v51 size");
_Static_assert(sizeof(CaseVertex) == 20, "vertex record size");
_Static_assert(sizeof(CaseEdge) == 16, "edge record size");

/* Referencing the exports from C checks their C linkage. */
int ksrHeaderCompilesFromC(void) {
    int32_t (KSR_CALL *getFreeId)(void) = CI_GetFreeID;
    int32_t (KSR_CALL *setValue)(int32_t, const SetupRecord*) = IP_SetValue;
    return getFreeId != NULL && setValue != NULL;
}
