#include <gtest/gtest.h>

#include <QtGlobal>

#include "app/Application.h"
#include "core/TerminationSignals.h"

int main(int argc, char* argv[])
{
    // Headless and silent, also when run (or listed) outside ctest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TARNWICK_AUDIO"))
        qputenv("TARNWICK_AUDIO", "none");
    // The recovery test's child process ends on its signals as the program does.
    if (!qEnvironmentVariableIsEmpty("TW_RECOVERY_CHILD"))
        tw::TerminationSignals::holdBack();
    tw::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
