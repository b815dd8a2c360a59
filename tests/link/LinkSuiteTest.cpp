// One suite for the programmer link, run against every transport: the unit in
// the same process, and zvk-unit-sim on a pseudo-terminal through QSerialPort
// and through termios, or through the Win32 transport on a Wine COM port.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Clock.h"
#include "app/DeviceTable.h"
#include "link/DeviceCommands.h"
#include "link/Link.h"
#include "link/Protocol.h"
#include "tests/link/LinkRigs.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/VirtualUnit.h"

namespace zvk::test {
namespace {

using Lines = std::vector<std::string>;
using Pauses = std::vector<Clock::Duration>;
using std::chrono::milliseconds;

template <typename Rig>
class LinkSuite : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        ASSERT_EQ(AllocateBuffers(), 0);
        rig_.emplace();
    }
    void TearDown() override {
        CloseProgrammerPort();
        if (rig_) rig_->Stop();
        rig_.reset();
        ReleaseBuffers();
        ResetAppState();
    }

    Rig& rig() { return *rig_; }

    // Starts the unit, selects its part (or `selected`) and the mode, and
    // opens COM2.
    void Open(const SimSetup& setup, const char* selected = nullptr, bool spi = false) {
        rig().Start(setup);
        const auto part = FindDeviceByName(selected != nullptr ? selected : setup.part);
        ASSERT_TRUE(part.has_value());
        SelectDevice(*part);
        App().ProgrammingMode = spi ? 0 : kModeParallel;
        ASSERT_NE(OpenProgrammerPort(rig().Port()), nullptr) << messages.Lines().front();
        // The opening waits for a quiet line; the pauses a test looks at are
        // those of the exchanges after it.
        rig().Sleeps().clear();
    }

    // For tables of cases: a fresh unit, port and message record.
    void Restart() {
        CloseProgrammerPort();
        rig_->Stop();
        rig_.reset();
        rig_.emplace();
        messages.messages.clear();
    }

    // Runs f and returns the time it took on the current clock.
    template <typename F>
    Clock::Duration Timed(F&& f) {
        const auto start = CurrentClock().Now();
        f();
        return std::chrono::duration_cast<Clock::Duration>(CurrentClock().Now() - start);
    }

    void ExpectTook(Clock::Duration took, Clock::Duration expected) {
        if constexpr (Rig::kExactTime) {
            EXPECT_EQ(took, expected);
        } else {
            EXPECT_GE(took, expected);
        }
    }

    MessageRecorder messages;
    std::optional<Rig> rig_;
};

struct RigNames {
    template <typename T>
    static std::string GetName(int /*index*/) {
        return T::kName;
    }
};

#if defined(_WIN32) && defined(ZVK_UNIT_SIM_PATH)
using Rigs = ::testing::Types<InProcessRig, PtyRig<Win32Port>>;
#elif defined(_WIN32)
using Rigs = ::testing::Types<InProcessRig>;
#elif defined(ZVK_TEST_QT_TRANSPORT)
using Rigs = ::testing::Types<InProcessRig, PtyRig<QtPort>, PtyRig<TermiosPort>>;
#else
using Rigs = ::testing::Types<InProcessRig, PtyRig<TermiosPort>>;
#endif
TYPED_TEST_SUITE(LinkSuite, Rigs, RigNames);

// --- the read-time rule ----------------------------------------------------

TYPED_TEST(LinkSuite, ASilentUnitEndsShortReadsEmptyAndALongReadWithBothTimeOutMessages) {
    this->Open(Unit().Silent());
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    const LinkTimeouts& t = CurrentLinkTimeouts();
    SerialTransport* port = App().ProgrammerLink;

    for (std::size_t n : {1U, 4U}) {
        std::array<std::uint8_t, 16> block;
        block.fill(0xAA);
        LinkResult result = LinkFailed;
        const auto took = this->Timed([&] { result = LinkReadRaw(port, block.data(), n); });
        EXPECT_EQ(result, LinkDone) << n;
        this->ExpectTook(took, t.ReadPerByte * static_cast<int>(n) + t.ReadConstant);
        EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](auto b) { return b == 0xAA; }))
            << "block kept";
    }
    EXPECT_TRUE(this->messages.Lines().empty());

    std::array<std::uint8_t, 16> block{};
    bool read = true;
    const auto took = this->Timed([&] { read = LinkRead(port, block.data(), block.size()); });
    EXPECT_FALSE(read);
    this->ExpectTook(took, t.WaitBound);
    EXPECT_EQ(
        this->messages.Lines(),
        (Lines{"ERROR|Time out error", "ERROR|Read Time out error in serial communication!"}));
    for (const auto& m : this->messages.messages) EXPECT_EQ(m.icon, MessageIcon::Stop);
}

TYPED_TEST(LinkSuite, AShortAnswerEndsTheReadAsDoneAndLeavesTheRestOfTheBlock) {
    this->Open(Unit());
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    const LinkTimeouts t = CurrentLinkTimeouts();
    SerialTransport* port = App().ProgrammerLink;

    // The total time-out ends a 4-byte read that got one byte.
    std::array<std::uint8_t, 4> block{0xAA, 0xAA, 0xAA, 0xAA};
    const std::uint8_t check = 0x0D;
    ASSERT_TRUE(LinkWrite(port, &check, 1));
    LinkResult result = LinkFailed;
    auto took = this->Timed([&] { result = LinkReadRaw(port, block.data(), block.size()); });
    EXPECT_EQ(result, LinkDone);
    EXPECT_EQ(block, (std::array<std::uint8_t, 4>{'-', 0xAA, 0xAA, 0xAA}));
    this->ExpectTook(took, t.ReadPerByte * 4 + t.ReadConstant);

    // With an interval time-out shorter than the wait bound, the silence
    // after the last byte ends a 16-byte read that would otherwise time out.
    LinkTimeouts shortInterval = t;
    shortInterval.ReadInterval = t.ReadPerByte;
    ScopedLinkTimeouts interval(shortInterval);
    std::array<std::uint8_t, 16> signature{};
    const std::uint8_t readSignature = 0x14;
    ASSERT_TRUE(LinkWrite(port, &readSignature, 1));
    took = this->Timed([&] { result = LinkReadRaw(port, signature.data(), signature.size()); });
    EXPECT_EQ(result, LinkDone);
    EXPECT_EQ(signature[0], 0x1E);
    EXPECT_EQ(signature[1], 0x52);
    EXPECT_EQ(signature[3], 0x00);
    this->ExpectTook(took, shortInterval.ReadInterval);
    EXPECT_TRUE(this->messages.Lines().empty());
}

TYPED_TEST(LinkSuite, APortThatCannotBeOpenedIsNoneAndEveryTransferOnItFails) {
    this->rig().Start(Unit());
    App().ProgrammingMode = kModeParallel;
    EXPECT_EQ(OpenProgrammerPort(this->rig().NowherePort()), nullptr);
    EXPECT_EQ(App().ProgrammerLink, nullptr);
    ASSERT_EQ(this->messages.Lines(), (Lines{"Error|Cannot Establish Communication"}));
    EXPECT_EQ(this->messages.messages[0].icon, MessageIcon::Stop);

    this->messages.messages.clear();
    std::uint8_t byte = 0x0D;
    EXPECT_FALSE(LinkWrite(nullptr, &byte, 1));
    EXPECT_FALSE(LinkRead(nullptr, &byte, 1));
    EXPECT_FALSE(CheckProgrammer(nullptr));
    EXPECT_FALSE(CheckDevice());
    EXPECT_EQ(this->messages.Lines(), (Lines{"ERROR|Serial port communication error!",
                                             "ERROR|Serial port communication error!",
                                             "Error|Unable to Access the programmer!",
                                             "Error|Unable to Access the programmer!"}));

    // Picking the right port afterwards works.
    EXPECT_NE(OpenProgrammerPort(this->rig().Port()), nullptr);
    EXPECT_TRUE(CheckProgrammer(App().ProgrammerLink));
}

TYPED_TEST(LinkSuite, ASilentUnitFailsTheProgrammerCheckWithOnlyItsOwnMessage) {
    this->Open(Unit().Silent());
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    EXPECT_FALSE(CheckProgrammer(App().ProgrammerLink));
    EXPECT_EQ(this->messages.Lines(), (Lines{"Error|Unable to Access the programmer!"}));
    // A production run's quiet probe still says this once: it ends the run.
    this->messages.messages.clear();
    EXPECT_EQ(ProbeSocket(), SocketState::Unreachable);
    EXPECT_EQ(this->messages.Lines(), (Lines{"Error|Unable to Access the programmer!"}));
}

// --- the device check --------------------------------------------------------

TYPED_TEST(LinkSuite, TheDeviceCheckComparesTheSignatureWithTheSelectedPart) {
    struct Case {
        SimSetup unit;
        const char* selected;
        SocketState state;
        Lines messages;
        Lines wire;
    };
    const Case cases[] = {
        {Unit("AT89S52"), "AT89S52", SocketState::Expected, {}, {"> 0D < 2D", "> 32 < 1E 52 06"}},
        {Unit("AT89S52").WrongPart("AT89C51"),
         "AT89S52",
         SocketState::WrongPart,
         {"ERROR|Error - Device Mismatch!"},
         {"> 0D < 2D", "> 32 < 1E 51 FF"}},
        // The S51 check passes only with the third byte 0x06.
        {Unit("AT89S51"), "AT89S51", SocketState::Expected, {}, {"> 0D < 2D", "> 32 < 1E 51 06"}},
        {Unit("AT89S51").ThirdByte(0xFF),
         "AT89S51",
         SocketState::WrongPart,
         {"ERROR|Error - Device Mismatch!"},
         {"> 0D < 2D", "> 32 < 1E 51 FF"}},
        // A C51 in the socket of a selected C52 and the other way round.
        {Unit("AT89C51"),
         "AT89C52",
         SocketState::WrongPart,
         {"ERROR|Error - Device Mismatch!"},
         {"> 0D < 2D", "> 14 < 1E 51 FF"}},
        {Unit("AT89C2051"), "AT89C2051", SocketState::Expected, {}, {"> 0D < 2D", "> 0E < 1E 21"}},
        {Unit("AT89S8252"),
         "AT89S8252",
         SocketState::Expected,
         {},
         {"> 0D < 2D", "> 31 < 1E 72 FF"}},
        {Unit("AT89S53"), "AT89S53", SocketState::Expected, {}, {"> 0D < 2D", "> 14 < 1E 53 FF"}},
        // An empty socket: two tries, then the message.
        {Unit("AT89S52").NoChip(),
         "AT89S52",
         SocketState::Empty,
         {"ERROR|Error - No Device in the socket"},
         {"> 0D < 2D", "> 32 < FF FF FF", "> 32 < FF FF FF"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.unit.part) + " selected " + c.selected);
        this->Restart();
        this->Open(c.unit, c.selected);
        EXPECT_EQ(CheckDevice(), c.state == SocketState::Expected);
        EXPECT_EQ(this->messages.Lines(), c.messages);
        for (const auto& m : this->messages.messages) EXPECT_EQ(m.icon, MessageIcon::Stop);
        EXPECT_EQ(this->rig().Wire(), c.wire);

        // The quiet probe of a production run makes the same exchanges and
        // tells the same finding without a message.
        this->Restart();
        this->Open(c.unit, c.selected);
        EXPECT_EQ(ProbeSocket(), c.state);
        EXPECT_TRUE(this->messages.Lines().empty());
        EXPECT_EQ(this->rig().Wire(), c.wire);
    }
}

TYPED_TEST(LinkSuite, TheSecondSignatureTryCatchesAUnitThatWasStillWaitingForData) {
    // Programming announced two bytes and was abandoned by a program that
    // was killed, so this one cannot know: the unit takes the programmer
    // check and the first signature command as data bytes, so only the
    // second try reads the signature.
    this->Open(Unit("AT89S52"));
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    ASSERT_TRUE(BeginProgramming(BufferKind::Flash, 0x0000, 2));
    App().ProgrammingUnderWay = {};
    EXPECT_TRUE(CheckDevice());
    EXPECT_TRUE(this->messages.Lines().empty());
    EXPECT_EQ(this->rig().Wire(),
              (Lines{"> 38 00 00 00 02", "> 0D < 2D", "> 32 < 2D", "> 32 < 1E 52 06"}));
}

TYPED_TEST(LinkSuite, InSpiModeNoSignatureIsReadAndAWrongPartGoesUnnoticed) {
    this->Open(Unit("AT89S52").WrongPart("AT89C51"), "AT89S52", true);
    EXPECT_TRUE(CheckDevice());
    EXPECT_EQ(ProbeSocket(), SocketState::NotChecked);
    EXPECT_TRUE(this->messages.Lines().empty());
    EXPECT_TRUE(this->rig().Wire().empty());
}

// --- device commands ---------------------------------------------------------

TYPED_TEST(LinkSuite, EraseAfterTheDeviceCheckAsksForTheProgrammerTwice) {
    this->Open(Unit("AT89S52").Image({0x12, 0x34}));
    ASSERT_TRUE(CheckDevice());
    EraseCommand();
    EXPECT_EQ(this->messages.Lines(), (Lines{"Erase|Chip Erased Sucessfully"}));
    EXPECT_EQ(this->messages.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(this->rig().Wire(), (Lines{"> 0D < 2D", "> 32 < 1E 52 06", "> 0D < 2D", "> 33"}));
    EXPECT_EQ(this->rig().Chip().Flash[0], 0xFF);
}

TYPED_TEST(LinkSuite, AC5xPartIsErasedByTheCommandItsThirdSignatureByteChooses) {
    struct Case {
        SimSetup unit;
        Lines wire;
    };
    const Case cases[] = {
        {Unit("AT89C51").Image({0x00}), {"> 0D < 2D", "> 14 < 1E 51 FF", "> 15"}},
        {Unit("AT89C51").ThirdByte(0x05).Image({0x00}), {"> 0D < 2D", "> 14 < 1E 51 05", "> 16"}},
        {Unit("AT89C55").ThirdByte(0x00).Image({0x00}), {"> 0D < 2D", "> 14 < 1E 55 00", "> 16"}},
    };
    for (const Case& c : cases) {
        this->Restart();
        this->Open(c.unit);
        EraseCommand();
        EXPECT_EQ(this->messages.Lines(), (Lines{"Erase|Chip Erased Sucessfully"}));
        EXPECT_EQ(this->rig().Wire(), c.wire);
        EXPECT_EQ(this->rig().Chip().Flash[0], 0xFF) << "the unit erased with that command";
    }
}

TYPED_TEST(LinkSuite, AC5xPartWhoseSignatureDoesNotComeIsErasedWithTheSecondCommand) {
    this->Open(Unit("AT89C51").Silent());
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    EXPECT_TRUE(SendChipErase());
    EXPECT_EQ(this->rig().Wire(), (Lines{"> 14", "> 16"}));
    EXPECT_TRUE(this->messages.Lines().empty());
}

TYPED_TEST(LinkSuite, ProtectSendsTheChosenLockBitsWithTheirPauses) {
    struct Case {
        SimSetup unit;
        bool spi;
        std::uint8_t options;
        Lines wire;
        Pauses pauses;
        std::uint8_t lockBits;
    };
    constexpr auto ms25 = milliseconds(25), ms100 = milliseconds(100);
    // clang-format off
    const Case cases[] = {
        {Unit("AT89S52"), false, kProtect3Lb1 | kProtect3Lb2,
         {"> 0D < 2D", "> 34", "> 35"}, {ms100, ms25}, 0x03},
        {Unit("AT89S52"), true, 0x07,
         {"> 0D < 2D", "> 3D", "> 3E", "> 3F"}, {ms100, ms25, ms25, ms25}, 0x07},
        {Unit("AT89S8252"), true, kProtect3Lb1,
         {"> 0D < 2D", "> 30", "> 28"}, {ms100, ms25}, 0x01},
        {Unit("AT89S8252"), false, kProtect3Lb3,
         {"> 0D < 2D", "> 2F"}, {ms25}, 0x04},
        {Unit("AT89C2051"), false, 0xFF,
         {"> 0D < 2D", "> 10", "> 11"}, {ms25, ms25}, 0x03},
        {Unit("AT89LV52"), false, kProtect3Lb2,
         {"> 0D < 2D", "> 18"}, {ms25}, 0x02},
        {Unit("AT89C51"), false, kProtect3Lb3,
         {"> 0D < 2D", "> 14 < 1E 51 FF", "> 19"}, {ms25}, 0x04},
        {Unit("AT89C52").ThirdByte(0x05), false, kProtect3Lb1,
         {"> 0D < 2D", "> 14 < 1E 52 05", "> 1A"}, {ms25}, 0x01},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit.part + (c.spi ? " SPI" : " Parallel"));
        this->Restart();
        this->Open(c.unit, nullptr, c.spi);
        ProtectCommand(c.options);
        EXPECT_EQ(this->messages.Lines(), (Lines{"Protect|Chip Protected Sucessfully"}));
        EXPECT_EQ(this->messages.messages.at(0).icon, MessageIcon::Information);
        EXPECT_EQ(this->rig().Sleeps(), c.pauses);
        EXPECT_EQ(this->rig().Wire(), c.wire);
        EXPECT_EQ(this->rig().Chip().LockBits, c.lockBits);
    }
}

TYPED_TEST(LinkSuite, ProtectWithNoLockBitOfThePartsClassTouchesNothing) {
    struct Case {
        const char* part;
        std::uint8_t options;
    };
    // 20-pin parts take bits 4 and 5, 40-pin parts bits 0 to 2.
    for (const Case& c : {Case{"AT89C2051", kProtect3Lb1 | kProtect3Lb2 | kProtect3Lb3},
                          Case{"AT89S52", kProtect2Lb1 | kProtect2Lb2}, Case{"AT89C51", 0}}) {
        SCOPED_TRACE(c.part);
        this->Restart();
        this->Open(Unit(c.part));
        ProtectCommand(c.options);
        EXPECT_EQ(this->messages.Lines(), (Lines{"Error|Protection option is disabled"}));
        EXPECT_EQ(this->messages.messages.at(0).icon, MessageIcon::Stop);
        EXPECT_TRUE(this->rig().Wire().empty());
        EXPECT_EQ(this->rig().Chip().LockBits, 0);
    }
}

TYPED_TEST(LinkSuite, SerialProgrammingIsSwitchedOffAndOnWithItsMessages) {
    this->Open(Unit("AT89S8252"));
    SerialProgramDisableCommand();
    EXPECT_FALSE(this->rig().Chip().SerialProgramming);
    this->Restart();
    this->Open(Unit("AT89LS8252"));
    SerialProgramDisableCommand();
    SerialProgramEnableCommand();
    EXPECT_EQ(this->messages.Lines(),
              (Lines{"Serial Program Disable|Serial Program Disabled Sucessfully",
                     "Serial Program Enable|Serial Program Enabled Sucessfully"}));
    EXPECT_EQ(this->rig().Wire(), (Lines{"> 0D < 2D", "> 21", "> 0D < 2D", "> 20"}));
    EXPECT_TRUE(this->rig().Chip().SerialProgramming);
}

TYPED_TEST(LinkSuite, DeviceCommandsStopWhenTheProgrammerDoesNotAnswer) {
    this->Open(Unit().Silent());
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    const auto protect = [] { ProtectCommand(kProtect3Lb1); };
    for (void (*command)() :
         {&EraseCommand, +protect, &SerialProgramEnableCommand, &SerialProgramDisableCommand}) {
        this->messages.messages.clear();
        command();
        EXPECT_EQ(this->messages.Lines(), (Lines{"Error|Unable to Access the programmer!"}));
    }
    EXPECT_EQ(this->rig().Wire(), (Lines{"> 0D", "> 0D", "> 0D", "> 0D"}));
}

// --- programming and reading -------------------------------------------------

TYPED_TEST(LinkSuite, ProgrammingAnnouncesTheRangeThenSendsEachByteForItsAnswer) {
    std::vector<std::uint8_t> image(0x0103, 0xFF);
    image[0x0100] = 0xF0;  // programming can only clear bits
    this->Open(Unit("AT89C2051").Image(image));
    ASSERT_TRUE(BeginProgramming(BufferKind::Flash, 0x0100, 3));
    EXPECT_TRUE(ProgramByte(0x12));
    EXPECT_TRUE(ProgramByte(0x34));
    EXPECT_TRUE(ProgramByte(0x56));
    EXPECT_TRUE(ReadFlashToBuffer(0x0100, 4, 0x0200));
    EXPECT_EQ(this->messages.Lines(), Lines{});
    EXPECT_EQ(this->rig().Wire(), (Lines{"> 13 01 00 00 03", "> 12 < 2D", "> 34 < 2D", "> 56 < 2D",
                                         "> 12 01 00 00 04 < 10 34 56 FF"}));
    EXPECT_EQ(FlashRead(0x0200), 0x10);
    EXPECT_EQ(FlashRead(0x0203), 0xFF);
    for (std::uint16_t a = 0x0200; a < 0x0204; ++a) {
        EXPECT_EQ(GetOrigin(BufferKind::Flash, a), OriginDevice) << a;
    }
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x0204), OriginNone);
}

TYPED_TEST(LinkSuite, BeginProgrammingUsesTheCommandOfThePartsFamilyModeAndKind) {
    struct Case {
        SimSetup unit;
        bool spi;
        Lines wire;
    };
    const Case cases[] = {
        {Unit("AT89C51"), false, {"> 14 < 1E 51 FF", "> 1E 00 20 00 01", "> 5A < 2D"}},
        {Unit("AT89C52").ThirdByte(0x05),
         false,
         {"> 14 < 1E 52 05", "> 1F 00 20 00 01", "> 5A < 2D"}},
        {Unit("AT89LV55"), false, {"> 1E 00 20 00 01", "> 5A < 2D"}},
        {Unit("AT89S53"), false, {"> 2C 00 20 00 01", "> 5A < 2D"}},
        {Unit("AT89LS53"), true, {"> 25 00 20 00 01", "> 5A < 2D"}},
        {Unit("AT89LS51"), true, {"> 3C 00 20 00 01", "> 5A < 2D"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit.part + (c.spi ? " SPI" : " Parallel"));
        this->Restart();
        this->Open(c.unit, nullptr, c.spi);
        ASSERT_TRUE(BeginProgramming(BufferKind::Flash, 0x0020, 1));
        EXPECT_TRUE(ProgramByte(0x5A));
        EXPECT_EQ(this->rig().Wire(), c.wire);
        EXPECT_EQ(this->rig().Chip().Flash[0x20], 0x5A);
    }
}

TYPED_TEST(LinkSuite, AnErrorAnswerEndsProgrammingAtThatByte) {
    this->Open(Unit("AT89S52").FailAt(0x0011));
    ASSERT_TRUE(BeginProgramming(BufferKind::Flash, 0x0010, 4));
    EXPECT_TRUE(ProgramByte(0xAA));
    EXPECT_FALSE(ProgramByte(0xBB));
    // The unit has left programming: the next byte is a command again.
    EXPECT_TRUE(CheckProgrammer(App().ProgrammerLink));
    EXPECT_TRUE(this->messages.Lines().empty());
    EXPECT_EQ(this->rig().Wire(),
              (Lines{"> 38 00 10 00 04", "> AA < 2D", "> BB < 45", "> 0D < 2D"}));
    EXPECT_EQ(this->rig().Chip().Flash[0x10], 0xAA);
    EXPECT_EQ(this->rig().Chip().Flash[0x11], 0xFF);
}

TYPED_TEST(LinkSuite, ProgramByteGivesUpWhenTheUnitStaysSilentForTheWaitBound) {
    this->Open(Unit("AT89S52").Silent());
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    const LinkTimeouts& t = CurrentLinkTimeouts();
    bool programmed = true;
    const auto took = this->Timed([&] { programmed = ProgramByte(0x12); });
    EXPECT_FALSE(programmed);
    this->ExpectTook(took, t.WaitBound);
    if constexpr (TypeParam::kExactTime) {
        // Three empty one-byte reads of 2 s each.
        EXPECT_EQ(this->rig().Sleeps(), Pauses(3, t.ReadPerByte + t.ReadConstant));
    }
    EXPECT_TRUE(this->messages.Lines().empty());
}

TYPED_TEST(LinkSuite, ProgramByteSkipsBytesThatAreNeitherAnswer) {
    // Every answer is inverted: '-' arrives as D2 and is skipped, so the
    // byte counts as unanswered.
    this->Open(Unit("AT89S52").GarbageEvery(1));
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    ASSERT_TRUE(BeginProgramming(BufferKind::Flash, 0x0000, 1));
    EXPECT_FALSE(ProgramByte(0x12));
    EXPECT_EQ(this->rig().Wire(), (Lines{"> 38 00 00 00 01", "> 12 < D2"}));
}

TYPED_TEST(LinkSuite, ProgrammingStoppedByALostAnswerIsFinishedBeforeTheNextCommand) {
    // Every third answer is lost. The third data byte is programmed, but the
    // host cannot tell that from a byte that never arrived.
    this->Open(Unit("AT89S52").DropEvery(3));
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    ASSERT_TRUE(BeginProgramming(BufferKind::Flash, 0x0010, 6));
    EXPECT_TRUE(ProgramByte(0x11));
    EXPECT_TRUE(ProgramByte(0x22));
    EXPECT_FALSE(ProgramByte(0x33));
    EXPECT_TRUE(ProgrammingUnfinished());
    // The check first completes the count: three FF bytes are taken as
    // data (the answer to the third lost again), the fourth meets silence as
    // well; then the unit answers 0D, once for the finishing and once for
    // the check itself.
    EXPECT_TRUE(CheckProgrammer(App().ProgrammerLink));
    EXPECT_FALSE(ProgrammingUnfinished());
    EXPECT_TRUE(this->messages.Lines().empty());
    Lines wire = this->rig().Wire();
    // The terminal rig ends with a check of its own, whose answer is lost too.
    if (wire.size() == 11 && wire.back() == "> 0D") wire.pop_back();
    EXPECT_EQ(wire, (Lines{"> 38 00 10 00 06", "> 11 < 2D", "> 22 < 2D", "> 33", "> FF < 2D",
                           "> FF < 2D", "> FF", "> FF", "> 0D < 2D", "> 0D < 2D"}));
    std::vector<std::uint8_t> expected(0x2000, 0xFF);
    expected[0x10] = 0x11;
    expected[0x11] = 0x22;
    expected[0x12] = 0x33;
    EXPECT_EQ(this->rig().Chip().Flash, expected) << "nothing but the data was programmed";
}

TYPED_TEST(LinkSuite, AUnitThatDoesNotComeBackFromProgrammingGetsNoCommandAndAsksForAReset) {
    // The unit goes silent after acknowledging two data bytes.
    this->Open(Unit("AT89S52").SilentAfter(2));
    ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
    ASSERT_TRUE(BeginProgramming(BufferKind::Flash, 0x0000, 4));
    EXPECT_TRUE(ProgramByte(0x11));
    EXPECT_TRUE(ProgramByte(0x22));
    EXPECT_FALSE(ProgramByte(0x33));
    const Lines notBack{
        "ERROR|The programmer unit did not come back from programming that stopped part-way. "
        "Reset the programmer unit!"};
    EXPECT_FALSE(FinishProgramming());
    EXPECT_TRUE(this->messages.Lines().empty()) << "the caller says it";
    // Every later exchange tries again and says so, and sends nothing else.
    EXPECT_FALSE(CheckProgrammer(App().ProgrammerLink));
    EXPECT_FALSE(ReadFlashToBuffer(0x0000, 16, 0x0000));
    EXPECT_EQ(this->messages.Lines(), (Lines{notBack[0], notBack[0]}));
    for (const std::string& line : this->rig().Wire()) {
        EXPECT_TRUE(line.starts_with("> FF") || line.starts_with("> 0D") ||
                    line.starts_with("> 38") || line.starts_with("> 11") ||
                    line.starts_with("> 22") || line.starts_with("> 33"))
            << line;
    }
    EXPECT_TRUE(ProgrammingUnfinished());
}

TYPED_TEST(LinkSuite, TheEepromOfThe8252IsReachedAbove2000InParallelAndByItsOwnCommandsInSpi) {
    struct Case {
        bool spi;
        Lines wire;
    };
    const Case cases[] = {
        {false,
         {"> 2C 20 10 00 03", "> 11 < 2D", "> 22 < 2D", "> 33 < 2D",
          "> 2B 20 10 00 10 < 11 22 33 FF FF FF FF FF FF FF FF FF FF FF FF FF",
          "> 2B 20 10 00 02 < 11 22"}},
        {true,
         {"> 27 00 10 00 03", "> 11 < 2D", "> 22 < 2D", "> 33 < 2D",
          "> 26 00 10 00 10 < 11 22 33 FF FF FF FF FF FF FF FF FF FF FF FF FF",
          "> 26 00 10 00 02 < 11 22"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spi ? "SPI" : "Parallel");
        this->Restart();
        this->Open(Unit("AT89S8252"), nullptr, c.spi);
        ASSERT_TRUE(BeginProgramming(BufferKind::Eeprom, 0x0010, 3));
        for (std::uint8_t v : {0x11, 0x22, 0x33}) EXPECT_TRUE(ProgramByte(v));
        std::array<std::uint8_t, 16> block{};
        EXPECT_TRUE(ReadEepromBlock(0x0010, 16, block.data()));
        EXPECT_EQ(block[2], 0x33);
        // The second byte is past the buffer.
        EXPECT_TRUE(ReadEepromToBuffer(0x0010, 2, 0x07FF));
        EXPECT_EQ(EepromRead(0x07FF), 0x11);
        EXPECT_EQ(GetOrigin(BufferKind::Eeprom, 0x07FF), OriginDevice);
        EXPECT_EQ(this->rig().Wire(), c.wire);
        const sim::ChipState chip = this->rig().Chip();
        EXPECT_EQ(chip.Eeprom.size(), 2048U);
        EXPECT_EQ(chip.Eeprom[0x10], 0x11);
        EXPECT_EQ(chip.Flash[0x10], 0xFF);
    }
}

TYPED_TEST(LinkSuite, PartsWithoutEepromReadNoEepromBlock) {
    this->Open(Unit("AT89S53"));
    std::array<std::uint8_t, 4> block{1, 2, 3, 4};
    EXPECT_FALSE(ReadEepromBlock(0x0000, 4, block.data()));
    EXPECT_EQ(block, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_TRUE(this->rig().Wire().empty());
}

TYPED_TEST(LinkSuite, ReadingUsesTheFamilysReadCommandAndPrepareReadOnlyTheS53InSpi) {
    struct Case {
        const char* part;
        bool spi;
        Lines wire;
    };
    const Case cases[] = {
        {"AT89S8252", true, {"> 30", "> 24 00 00 00 01 < 02"}},
        {"AT89S53", false, {"> 2B 00 00 00 01 < 02"}},
        {"AT89S51", true, {"> 3B 00 00 00 01 < 02"}},
        {"AT89S51", false, {"> 37 00 00 00 01 < 02"}},
        {"AT89C55", false, {"> 1D 00 00 00 01 < 02"}},
        {"AT89LV51", false, {"> 1D 00 00 00 01 < 02"}},
        {"AT89C1051U", false, {"> 12 00 00 00 01 < 02"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.part) + (c.spi ? " SPI" : " Parallel"));
        this->Restart();
        this->Open(Unit(c.part).Image({0x02}), nullptr, c.spi);
        EXPECT_TRUE(PrepareRead());
        std::uint8_t byte = 0;
        EXPECT_TRUE(ReadFlashBlock(0x0000, 1, &byte));
        EXPECT_EQ(byte, 0x02);
        EXPECT_EQ(this->rig().Wire(), c.wire);
    }
}

TYPED_TEST(LinkSuite, AReadIntoTheBufferEndsAtItsLastAddressAndNeverWrapsRound) {
    std::vector<std::uint8_t> image(16);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i);
    this->Open(Unit("AT89C55").Image(image));
    EXPECT_TRUE(ReadFlashToBuffer(0x0000, 16, 0x4FF8));
    EXPECT_TRUE(ReadFlashToBuffer(0x0000, 16, 0xFFF8));
    EXPECT_EQ(FlashRead(0x4FF8), 0x00);
    EXPECT_EQ(FlashRead(0x4FFF), 0x07);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x4FFF), OriginDevice);
    EXPECT_EQ(FlashRead(0x0000), 0xFF);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x0000), OriginNone);
    EXPECT_EQ(App().FlashBuffer.size(), kFlashBufferSize);
}

TYPED_TEST(LinkSuite, ABlockThatDoesNotComeWholeLeavesTheBufferAndItsMarksAndSaysSo) {
    struct Case {
        const char* name;
        SimSetup unit;
        std::uint16_t count;
        Lines messages;
    };
    const Lines timedOut{"ERROR|Time out error",
                         "ERROR|Read Time out error in serial communication!"};
    const Case cases[] = {
        // Nothing comes and the wait bound runs out.
        {"silent", Unit("AT89C2051").Silent(), 16, timedOut},
        // The unit goes silent part-way through the block.
        {"cut", Unit("AT89C2051").SilentAfter(5), 16, timedOut},
        // Half of it comes and the port's own time-out ends the read as done:
        // for chip data that is a read time-out all the same.
        {"short",
         Unit("AT89C2051").DropEvery(2),
         4,
         {"ERROR|Read Time out error in serial communication!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        this->Restart();
        this->Open(c.unit);
        ScopedLinkTimeouts scoped(this->rig().TimingTimeouts());
        for (std::uint16_t a = 0x0100; a < 0x0110; ++a) FlashWrite(a, 0x42);
        EXPECT_FALSE(ReadFlashToBuffer(0x0000, c.count, 0x0100));
        for (std::uint16_t a = 0x0100; a < 0x0110; ++a) {
            EXPECT_EQ(FlashRead(a), 0x42) << a;
            EXPECT_EQ(GetOrigin(BufferKind::Flash, a), OriginNone) << a;
        }
        EXPECT_EQ(this->messages.Lines(), c.messages);
        for (const auto& m : this->messages.messages) EXPECT_EQ(m.icon, MessageIcon::Stop);
    }
}

TYPED_TEST(LinkSuite, AFailedTransferEndsItsExchangeWithTheLinksMessageOnce) {
    // An AT89C51 asks its signature before erasing, locking and programming.
    this->Open(Unit("AT89C51"));
    SerialTransport* const port = App().ProgrammerLink;
    App().ProgrammerLink = nullptr;  // the port has gone
    std::array<std::uint8_t, 16> block{};
    const std::pair<const char*, std::function<bool()>> exchanges[] = {
        {"read block", [&] { return ReadFlashBlock(0x0000, 16, block.data()); }},
        {"read to buffer", [] { return ReadFlashToBuffer(0x0000, 16, 0x0000); }},
        {"erase", [] { return SendChipErase(); }},
        {"lock bits", [] { return SendLockBits(kProtect3Lb1); }},
        {"begin programming", [] { return BeginProgramming(BufferKind::Flash, 0x0000, 1); }},
        {"program byte", [] { return ProgramByte(0x12); }},
    };
    for (const auto& [name, exchange] : exchanges) {
        SCOPED_TRACE(name);
        this->messages.messages.clear();
        const std::uint64_t failures = LinkFailureCount();
        EXPECT_FALSE(exchange());
        EXPECT_EQ(this->messages.Lines(), Lines{"ERROR|Serial port communication error!"});
        EXPECT_EQ(LinkFailureCount(), failures + 1);
    }
    App().ProgrammerLink = port;
    EXPECT_TRUE(this->rig().Wire().empty());
}

// A device command whose command never reached the unit is no success: the
// link's message is all the user sees.
TEST(DeviceCommandsOnABrokenPort, ShowOnlyTheLinksMessage) {
    struct Case {
        const char* part;
        std::function<void()> command;
    };
    const Case cases[] = {
        {"AT89S52", [] { EXPECT_FALSE(CheckDevice()); }},
        {"AT89S52", EraseCommand},
        {"AT89S52", [] { ProtectCommand(kProtect3Lb1); }},
        {"AT89S8252", SerialProgramEnableCommand},
        {"AT89S8252", SerialProgramDisableCommand},
    };
    for (const Case& c : cases) {
        VirtualUnit unit(c.part);
        SCOPED_TRACE(::testing::Message() << c.part << " case " << (&c - cases));
        unit.Chip().Flash[0] = 0x00;
        unit.BreakAfterWrites(1);  // the programmer check goes, then the port breaks
        c.command();
        EXPECT_EQ(unit.messages.Lines(), Lines{"ERROR|Serial port communication error!"});
        EXPECT_EQ(unit.WireLines(), Lines{"> 0D < 2D"});
        EXPECT_EQ(unit.Chip().Flash[0], 0x00);
        EXPECT_EQ(unit.Chip().LockBits, 0);
    }
}

}  // namespace
}  // namespace zvk::test
