#pragma once

#include <cstddef>

// Counts heap allocations made by the current thread while a scope is alive:
//   AllocationCounter counter; engine.process (...); EXPECT_EQ (counter.count(), 0u);
class AllocationCounter
{
public:
    AllocationCounter();
    ~AllocationCounter();

    size_t count() const;

private:
    size_t start;
    bool wasCounting;
};
