#pragma once
// Every operator new of the program counted, so a benchmark can show that
// the path it measures allocates nothing.

long long allocationCount();
