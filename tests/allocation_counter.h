#pragma once
// The test binary replaces operator new to count calls, so tests can prove that
// frames allocate nothing. Every call is counted; tests compare before and after.
#include <atomic>

extern std::atomic<long> OperatorNewCalls;
