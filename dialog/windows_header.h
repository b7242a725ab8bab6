#pragma once
// <windows.h> for window code that also sees the design layer. It still
// defines near and far, the 16-bit pointer qualifiers, as empty macros; they
// would erase names such as the near and far edges of an audience.

#include <windows.h>

#undef near
#undef far
