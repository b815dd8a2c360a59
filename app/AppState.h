#pragma once
// The one process-wide record of everything the program remembers: the selected
// part and mode, the port, the user's options, the four remembered operation
// ranges and the buffers. The windows are the desktop program's own (ui/):
// they hear of buffer changes through app/BufferEvents.h. Every layer reads
// and writes the fields directly; tests put them back to their start values
// with ResetAppState().

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

class SerialTransport;  // link/: the open programmer port

enum class BufferKind : std::uint8_t { Flash = 0, Eeprom = 1 };

// A remembered device-operation range. Flags bit 0 is "Full Device"; the range
// dialogs change bit 0 only and keep the other bits.
struct OperationRange {
    std::uint16_t DeviceStart = 0;
    std::uint16_t DeviceEnd = 0;
    std::uint16_t BufferStart = 0;  // unused by BlankCheckRange
    std::uint8_t Flags = 0;
};
inline constexpr std::uint8_t kRangeFullDevice = 0x01;

// ProgrammingMode bit 1 set means Parallel mode, clear means SPI mode.
inline constexpr std::uint8_t kModeParallel = 0x02;

// OptionFlags bits.
inline constexpr std::uint8_t kOptionClearBeforeLoad = 0x01;
inline constexpr std::uint8_t kOptionClearOnPartChange = 0x02;
inline constexpr std::uint8_t kOptionEraseBeforeProgram = 0x04;
inline constexpr std::uint8_t kOptionVerifyAfterProgram = 0x08;

// The OptionFlags bits in the words of the Options dialog.
struct OptionText {
    std::uint8_t bit;
    std::string_view text;
};
inline constexpr std::array<OptionText, 4> kOptionTexts{{
    {kOptionClearBeforeLoad, "Clear Buffer before loading new file"},
    {kOptionClearOnPartChange, "Clear Buffer for new device selection"},
    {kOptionEraseBeforeProgram, "Erase the device before Programming"},
    {kOptionVerifyAfterProgram, "Verify after Programming the Device"},
}};

// AutoSequence bits.
inline constexpr std::uint8_t kAutoErase = 0x01;
inline constexpr std::uint8_t kAutoBlankCheck = 0x02;
inline constexpr std::uint8_t kAutoProgram = 0x04;
inline constexpr std::uint8_t kAutoVerify = 0x08;
inline constexpr std::uint8_t kAutoProtect = 0x10;

// ProtectionOptions bits: LB1..LB3 of the three-level (40-pin) parts, LB1 and
// LB2 of the two-level (20-pin) parts.
inline constexpr std::uint8_t kProtect3Lb1 = 0x01;
inline constexpr std::uint8_t kProtect3Lb2 = 0x02;
inline constexpr std::uint8_t kProtect3Lb3 = 0x04;
inline constexpr std::uint8_t kProtect2Lb1 = 0x10;
inline constexpr std::uint8_t kProtect2Lb2 = 0x20;

// The serial ports a PortIndex names: COM1 to COM9.
inline constexpr std::uint8_t kComPortCount = 9;

inline constexpr std::size_t kFlashBufferSize = 20480;  // the largest part, AT89C55
inline constexpr std::size_t kEepromBufferSize = 2048;
inline constexpr std::size_t kMaxProgramDirectory = 259;
inline constexpr std::size_t kMaxSelectedFileName = 500;

// A file's contents in brief: a rebuild that writes within the same second,
// or keeps the size, still gives another stamp; the same bytes give the same.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const FileStamp&) const = default;
};

// The file a buffer was last loaded from (files/Reload.h). An empty path:
// none since the start.
struct LoadedFile {
    std::string path;
    std::uint16_t startAddress = 0;  // of a binary file
    FileStamp stamp;                 // the file as it was loaded
    bool stamped = false;            // false: it could not be read whole
    std::vector<bool> loaded;        // by address: the load wrote this byte
};

// Programming that the unit was told of and has not had in full: until it
// is finished, the unit takes every byte it gets as data. Kept by link/.
struct UnitProgramming {
    bool open = false;
    std::uint32_t left = 0;  // announced bytes not yet acknowledged
    // A byte went without its answer: the unit may or may not have taken it,
    // so it may want one byte fewer than `left`.
    bool uncertain = false;
};

struct AppState {
    std::uint8_t SelectedDevice = 0;
    std::uint8_t ProgrammingMode = 0;
    std::uint8_t PortIndex = 0;  // 0 is COM1, 8 is COM9
    std::uint8_t ProtectionOptions = 0xFF;
    std::uint8_t AutoSequence = 0xFF;
    std::uint8_t OptionFlags = 0xFF;

    OperationRange BlankCheckRange;
    OperationRange ProgramRange;
    OperationRange VerifyRange;
    OperationRange ReadRange;

    std::uint16_t FlashLastAddress = 2047;
    std::uint16_t EepromLastAddress = 2047;

    BufferKind CurrentBufferKind = BufferKind::Flash;
    std::uint16_t EnteredAddress = 0;

    std::string ProgramDirectory;
    std::string SelectedFileName;
    std::array<LoadedFile, 2> LoadedFiles;  // by BufferKind

    // Empty until AllocateBuffers; released at shut-down.
    std::vector<std::uint8_t> FlashBuffer;
    std::vector<std::uint8_t> FlashOrigin;
    std::vector<std::uint8_t> EepromBuffer;
    std::vector<std::uint8_t> EepromOrigin;

    // The open programmer port, or none. Owned by link/.
    SerialTransport* ProgrammerLink = nullptr;
    UnitProgramming ProgrammingUnderWay;
};

// The process-wide record.
AppState& App();

// Puts every field back to its start value (before the settings file is read).
// Keeps ProgramDirectory, which belongs to the running executable.
void ResetAppState();

// The last address of the buffer that CurrentBufferKind names.
std::uint16_t CurrentLastAddress();

}  // namespace zvk
