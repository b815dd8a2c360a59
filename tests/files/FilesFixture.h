#pragma once
// Shared by the buffer-file tests: a fresh program state with AT89C55 selected
// and the buffers allocated, a scratch directory, and file helpers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Clock.h"
#include "app/DeviceTable.h"
#include "files/BlockOps.h"
#include "tests/support/BufferChangeLog.h"
#include "tests/support/TempDir.h"

namespace zvk::test {

// One Intel HEX record with a correct checksum, built independently of the
// program's writer.
inline std::string Record(unsigned type, unsigned offset, const std::vector<std::uint8_t>& data,
                          const char* lineEnd = "\n") {
    char head[16];
    std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(data.size()), offset,
                  type);
    std::string line = head;
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    for (const auto b : data) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", b);
        line += digits;
        sum += b;
    }
    char checksum[4];
    std::snprintf(checksum, sizeof checksum, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + checksum + lineEnd;
}

inline constexpr std::uint8_t kAt89C2051 = 1;  // last address 07FF
inline constexpr std::uint8_t kAt89C55 = 9;    // last address 4FFF

// A user at a field dialog: types the texts into the fields in order (and
// ticks the choice when non-zero), then presses OK once.
inline FieldDialogRunner AnswerDialogWith(std::vector<std::string> texts, int choice = 0) {
    return [texts = std::move(texts), choice](FieldDialog& dialog) {
        if (choice != 0 && dialog.choose) {
            dialog.choose(choice);
            dialog.checkedChoice = choice;
        }
        for (std::size_t i = 0; i < texts.size() && i < dialog.fields.size(); ++i) {
            dialog.fields[i].text = texts[i];
        }
        return dialog.accept && dialog.accept(dialog);
    };
}

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        ResetFileOperationSettings();
        SelectDevice(kAt89C55);
        ASSERT_EQ(AllocateBuffers(), 0);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("zvk-files-" + std::string(info->test_suite_name()) + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Starts again from the program's start state with the part and buffer.
    static void Restart(std::uint8_t part, BufferKind kind) {
        ResetAppState();
        SelectDevice(part);
        ASSERT_EQ(AllocateBuffers(), 0);
        App().CurrentBufferKind = kind;
    }

    [[nodiscard]] std::string PathOf(const std::string& name) const {
        return (dir_ / name).string();
    }

    std::string WriteFile(const std::string& name, const std::string& content) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    static std::string ReadFile(const std::string& path) { return ReadTextFile(path); }

    // The names in the scratch directory, sorted: a temporary file left
    // behind shows up here.
    [[nodiscard]] std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
        std::mt19937 random(seed);
        std::vector<std::uint8_t> bytes(count);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        return bytes;
    }

    // The buffer's bytes first .. first + count - 1, read through the accessors.
    static std::vector<std::uint8_t> BufferBytes(BufferKind kind, std::uint32_t first,
                                                 std::uint32_t count) {
        std::vector<std::uint8_t> out;
        for (std::uint32_t a = first; a < first + count; ++a) {
            out.push_back(BufferRead(kind, static_cast<std::uint16_t>(a)));
        }
        return out;
    }

    std::filesystem::path dir_;
};

// A clock that moves 1 ms each time it is read, so that every job step runs
// out of its budget after a few lines or records.
class TickingClock final : public Clock {
  public:
    TimePoint Now() override { return now_ += Duration(1); }
    void Sleep(Duration duration) override { now_ += duration; }

  private:
    TimePoint now_{};
};

}  // namespace zvk::test
