// What only the real port shows: exclusive use, closing and reopening, and a
// unit that goes away.

#include <gtest/gtest.h>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "link/Link.h"
#include "link/Protocol.h"
#include "link/QtSerialTransport.h"
#include "tests/link/LinkRigs.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {
namespace {

using Lines = std::vector<std::string>;

class QtSerialTransportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        rig_.Start(Unit());
        SelectDevice(*FindDeviceByName("AT89S52"));
        App().ProgrammingMode = kModeParallel;
    }
    void TearDown() override {
        CloseProgrammerPort();
        rig_.Stop();
    }

    PtyRig rig_;
    MessageRecorder messages_;
};

TEST_F(QtSerialTransportTest, APortInUseCannotBeOpenedASecondTime) {
    ASSERT_NE(OpenProgrammerPort(kCom2), nullptr);
    auto second = MakeQtSerialTransport();
    EXPECT_FALSE(second->Open(ResolvePortName(kCom2)));
    EXPECT_TRUE(CheckProgrammer(App().ProgrammerLink));
}

TEST_F(QtSerialTransportTest, TheUnitStaysReachableWhenThePortIsClosedAndOpenedAgain) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(OpenProgrammerPort(kCom2), nullptr) << i;
        EXPECT_TRUE(CheckProgrammer(App().ProgrammerLink)) << i;
        CloseProgrammerPort();
    }
    EXPECT_TRUE(messages_.Lines().empty());
}

TEST_F(QtSerialTransportTest, AUnitThatGoesAwayGivesACommunicationError) {
    ASSERT_NE(OpenProgrammerPort(kCom2), nullptr);
    rig_.Stop();
    std::uint8_t block[3] = {0x32, 0, 0};
    LinkWrite(App().ProgrammerLink, block, 1);
    EXPECT_FALSE(LinkRead(App().ProgrammerLink, block, 3));
    ASSERT_FALSE(messages_.Lines().empty());
    EXPECT_EQ(messages_.Lines().back(), "ERROR|Serial port communication error!");
}

}  // namespace
}  // namespace zvk::test
