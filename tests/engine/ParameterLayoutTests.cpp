#include "engine/SabrelProcessor.h"

#include <gtest/gtest.h>

TEST (ParameterLayout, Smoke)
{
    SabrelProcessor p;
    EXPECT_EQ (p.getParameters().size(), 439);
}
