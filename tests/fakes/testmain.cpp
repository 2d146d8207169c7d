#include <gtest/gtest.h>
#include <QCoreApplication>

// One application object for the whole test run.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
