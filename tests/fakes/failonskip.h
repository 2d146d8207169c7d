#pragma once

#include <gtest/gtest.h>
#include <QtGlobal>

namespace velumo::test {

// A test that skips because a tool is missing proves nothing. With VELUMO_FAIL_ON_SKIP=1 (as the
// CI script sets it) every skipped test fails instead; run by hand, GTEST_SKIP stays a skip.
class FailOnSkip final : public ::testing::EmptyTestEventListener {
public:
    // Installs the listener when the environment asks for it; call after InitGoogleTest.
    static void installWhenAsked()
    {
        if (qEnvironmentVariableIntValue("VELUMO_FAIL_ON_SKIP") != 1)
            return;
        ::testing::UnitTest::GetInstance()->listeners().Append(new FailOnSkip);
    }

    // Listeners end in reverse order, so this runs before the printer reports the test.
    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        if (info.result()->Skipped())
            ADD_FAILURE() << "skipped, and VELUMO_FAIL_ON_SKIP=1 does not allow a skip: install "
                             "what the test needs (tools/install-deps.sh)";
    }
};

}  // namespace velumo::test
