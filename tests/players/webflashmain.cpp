#include <gtest/gtest.h>
#include <QApplication>

#include "fakes/failonskip.h"
#include "players/web/webengine.h"
#include "players/webrig.h"

// One application object and one set of browser windows for the whole run: browsers are slow
// to start, and they must go before the application does.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    velumo::prepareWebEngine();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    velumo::test::FailOnSkip::installWhenAsked();
    const int code = RUN_ALL_TESTS();
    velumo::test::WebRig::destroy();
    return code;
}
