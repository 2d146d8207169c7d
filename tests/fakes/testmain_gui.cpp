#include <gtest/gtest.h>
#include <QApplication>

#include "fakes/failonskip.h"

// One application object for the whole test run (offscreen under CTest).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    velumo::test::FailOnSkip::installWhenAsked();
    return RUN_ALL_TESTS();
}
