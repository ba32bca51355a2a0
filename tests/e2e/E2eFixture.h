// One X session for all tests of a suite; every test starts its own viewer.
#pragma once

#include "XSession.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace e2e {

class SessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_session = new XSession(); }
    static void TearDownTestSuite()
    {
        delete s_session;
        s_session = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_session->IsUp()) << "Xvfb and openbox must be installed"; }
    const XSession& Session() { return *s_session; }

    static inline XSession* s_session = nullptr;
    QTemporaryDir dir;
};

}  // namespace e2e
