#pragma once

// Allocations made through operator new by this thread so far; linking
// allocation_counter.cpp replaces the global operator new to count them.
long allocationCount();
