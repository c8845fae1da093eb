#include "EditorTestFixture.h"

TEST_F (EditorTest, OpensAndClosesAtTheDesignSize)
{
    auto& e = openEditor();
    EXPECT_EQ (e.getWidth(), 980);
    EXPECT_EQ (e.getHeight(), 690);
    closeEditor();
}
