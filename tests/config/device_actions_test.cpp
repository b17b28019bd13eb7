#include "config/operations.h"
#include "tests/config/device_fixture.h"

namespace kavrel::testing {
namespace {

using DeviceInfoTest = DeviceFixture;

TEST_F(DeviceInfoTest, ShowsAnIncompatibleDeviceWithoutComplaint) {
    SetDevice({}, 3, 12);

    ShowDeviceInfo(*link);

    const std::vector<std::pair<int, int>> expected = {{47, 0}, {46, 0}};
    EXPECT_EQ(Requests(), expected);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_TRUE(ui.IsInfoWindowOpen());
    EXPECT_EQ(ui.Text(Control::lblFirmwareVersion), "12");
    EXPECT_EQ(ui.Text(Control::lblDeviceClass), "3");
    EXPECT_EQ(ui.Text(Control::lblConfiguratorVersion), "4");
    EXPECT_EQ(ui.Text(Control::lblConfiguratorClass), "2");
    ExpectSessionEnded();
    // The session is over, but wndMain refuses input while wndInfo is open.
    EXPECT_FALSE(ui.IsMainWindowEnabled());
}

TEST_F(DeviceInfoTest, NoWindowWhenTheClassGoesUnanswered) {
    unit.AddFault({.command = 46, .kind = sim::FaultKind::NoAnswer});

    ShowDeviceInfo(*link);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_FALSE(ui.IsInfoWindowOpen());
    EXPECT_TRUE(ui.IsMainWindowEnabled());
    ExpectSessionEnded();
}

// Test and reset share everything but their command.
struct Action {
    const char* name;
    void (*run)(DeviceLink&);
    int command;
};
void PrintTo(const Action& action, std::ostream* out) {
    *out << action.name;
}

class DeviceActionTest : public DeviceFixture, public ::testing::WithParamInterface<Action> {};

TEST_P(DeviceActionTest, SendsItsCommandWithValueFourAfterTheClassCheck) {
    GetParam().run(*link);

    const std::vector<std::pair<int, int>> expected = {{46, 0}, {GetParam().command, 4}};
    EXPECT_EQ(Requests(), expected);
    EXPECT_TRUE(ui.messages.empty());
    ExpectSessionEnded();
    EXPECT_TRUE(ui.IsMainWindowEnabled());
}

TEST_P(DeviceActionTest, ClassMismatchStopsBeforeTheCommand) {
    SetDevice({}, 3);

    GetParam().run(*link);

    EXPECT_EQ(Commands(), std::vector<int>{46});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].title, "Ошибка");
    EXPECT_EQ(ui.messages[0].text, ClassMismatchText(3));
    ExpectSessionEnded();
}

TEST_P(DeviceActionTest, ARefusalIsReported) {
    unit.AddFault({.command = GetParam().command, .kind = sim::FaultKind::Refuse, .param = 0});

    GetParam().run(*link);

    EXPECT_EQ(Commands(), (std::vector<int>{46, GetParam().command}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].title, "Ошибка");
    EXPECT_EQ(ui.messages[0].text, kRefusalText);
    ExpectSessionEnded();
}

INSTANTIATE_TEST_SUITE_P(TestAndReset, DeviceActionTest,
                         ::testing::Values(Action{"Test", RunTest, 32},
                                           Action{"Reset", RunReset, 48}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace kavrel::testing
