#include <gtest/gtest.h>
#include <QGuiApplication>

#include "fakes/failonskip.h"
#include "net/curlglobal.h"

// One application object for the whole test run; fonts and pictures need the Gui module, never
// widgets (offscreen under CTest).
int main(int argc, char** argv)
{
    // Before any thread starts: the FTP and feed tests transfer on workers.
    const velumo::CurlGlobal curl;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    velumo::test::FailOnSkip::installWhenAsked();
    return RUN_ALL_TESTS();
}
