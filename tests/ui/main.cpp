#include <gtest/gtest.h>

#include "app/Application.h"

int main(int argc, char* argv[])
{
    tw::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
