#include "mcs51/Assembler.h"

#include <optional>
#include <string>

#include "mcs51/AsmTables.h"

namespace zvk {
namespace {

// The assembler's working record. The code-byte fields and the length keep
// their values from line to line; each form writes only what it reaches.
struct AsmWorkRecord {
    std::string SourceLine;      // the caller's line, upper-cased
    std::size_t ScanCursor = 0;  // where the last keyword match ended
    std::uint16_t InstructionAddress = 0;
    std::uint16_t OpcodeByte = 0;
    std::uint16_t OperandByte1 = 0;
    std::uint16_t OperandByte2 = 0;
    std::uint8_t EncodedLength = 0;
};

AsmWorkRecord AsmState;

// The failure value of the direct and bit readers: FF cannot be written.
constexpr std::uint8_t kNoAddress = 0xFF;

// NextOperand's two failure values; no operand starts at 0 or 1, since a
// mnemonic takes at least two characters and a blank.
constexpr std::size_t kNoComma = 0;
constexpr std::size_t kNothingBehindComma = 1;

// The character at a position, or NUL at and past the end of the line.
char At(std::size_t position) {
    return position < AsmState.SourceLine.size() ? AsmState.SourceLine[position] : '\0';
}

bool IsEnd(char c) { return c == '\0'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsEndOrBlank(char c) { return IsEnd(c) || IsBlank(c); }
bool IsCommaOrBlank(char c) { return c == ',' || IsBlank(c); }
bool IsEndBlankOrComma(char c) { return IsEndOrBlank(c) || c == ','; }

std::size_t SkipBlanks(std::size_t position) {
    while (IsBlank(At(position))) ++position;
    return position;
}

std::uint8_t LowNibble() { return AsmState.OpcodeByte & 0x0F; }

AsmResult Complete(std::uint8_t length) {
    AsmState.EncodedLength = length;
    return AsmOk;
}

// Compares the word with the line from position on. ScanCursor ends at the
// first differing character, or behind the word when all agree; the character
// behind the word is left to the caller.
bool MatchWordAt(std::string_view word, std::size_t position) {
    for (std::size_t i = 0; i < word.size(); ++i) {
        AsmState.ScanCursor = position + i;
        if (At(position + i) != word[i]) return false;
    }
    AsmState.ScanCursor = position + word.size();
    return true;
}

// A fixed word as an operand: the word, then a character of the given kind.
bool MatchOperandWord(std::string_view word, std::size_t position, bool (*followedBy)(char)) {
    return MatchWordAt(word, position) && followedBy(At(AsmState.ScanCursor));
}

// The start of the operand behind the comma that follows position, or
// kNoComma, or kNothingBehindComma.
std::size_t NextOperand(std::size_t position) {
    if (At(position) != ',') position = SkipBlanks(position);
    if (At(position) != ',') return kNoComma;
    position = SkipBlanks(position + 1);
    return IsEnd(At(position)) ? kNothingBehindComma : position;
}

// NextOperand with its failures turned into results.
std::optional<AsmResult> NextOperandOrFailure(std::size_t position, std::size_t& next) {
    next = NextOperand(position);
    if (next == kNoComma) return AsmIllegalOperand;
    if (next == kNothingBehindComma) return AsmMissingOperand;
    return std::nullopt;
}

// On a match the low nibble of OpcodeByte becomes the row index + 4. The
// accumulator must be followed by the end, a blank, a comma or C (so ACC is
// the accumulator); the other rows are taken whatever follows them.
bool ParseRegisterOperand(std::size_t position) {
    for (std::size_t row = 0; row < AsmRegisterTable.size(); ++row) {
        // The direct-address column is no register: taking it would give the
        // one-byte opcode of a two-byte instruction.
        if (row == kAsmDirectColumnRow) continue;
        if (!MatchWordAt(AsmRegisterTable[row], position)) continue;
        if (row == kAsmAccumulatorRow) {
            const char behind = At(AsmState.ScanCursor);
            if (!IsEndBlankOrComma(behind) && behind != 'C') return false;
        }
        AsmState.OpcodeByte = static_cast<std::uint16_t>((AsmState.OpcodeByte & 0xF0) | (row + 4));
        return true;
    }
    return false;
}

// 1 for @R0, 2 for @R1, 3 for @DPTR, 0 for none.
int MatchIndirectOperand(std::size_t position) {
    for (std::size_t row = 0; row < AsmIndirectTable.size(); ++row) {
        if (MatchWordAt(AsmIndirectTable[row], position)) return static_cast<int>(row) + 1;
    }
    return 0;
}

// Copies up to maxLength characters from position, stopping early at the end,
// a blank, or (when stopAtComma) a comma; ScanCursor ends behind them.
std::string CopyToken(std::size_t position, std::size_t maxLength, bool stopAtComma) {
    std::string token;
    while (token.size() < maxLength) {
        const char c = At(position + token.size());
        if (IsEndOrBlank(c) || (stopAtComma && c == ',')) break;
        token += c;
    }
    AsmState.ScanCursor = position + token.size();
    return token;
}

template <std::size_t N>
std::optional<std::uint8_t> MatchSymbol(const std::array<AsmSymbolRow, N>& table,
                                        std::size_t position) {
    for (const auto& row : table) {
        if (MatchWordAt(row.name, position)) {
            return IsEndBlankOrComma(At(AsmState.ScanCursor)) ? row.address : kNoAddress;
        }
    }
    return std::nullopt;
}

// An SFR name or one or two hex digits; kNoAddress on failure. A name that
// matches decides, so B0-BF (which begin like B) cannot be written as numbers.
std::uint8_t ParseDirectAddress(std::size_t position) {
    if (const auto named = MatchSymbol(AsmSfrTable, position)) return *named;
    const std::string token = CopyToken(position, 2, true);
    if (!IsHexText(token) || !IsEndBlankOrComma(At(AsmState.ScanCursor))) return kNoAddress;
    return static_cast<std::uint8_t>(HexToNumber(token));
}

// A bit name or exactly two hex digits; kNoAddress on failure. Names come
// first, so F0, AC and EA are the flags of those names.
std::uint8_t ParseBitAddress(std::size_t position) {
    if (const auto named = MatchSymbol(AsmBitTable, position)) return *named;
    if (IsEndBlankOrComma(At(position)) || IsEndBlankOrComma(At(position + 1))) return kNoAddress;
    const std::string token = CopyToken(position, 2, false);
    if (!IsHexText(token) || !IsEndBlankOrComma(At(AsmState.ScanCursor))) return kNoAddress;
    return static_cast<std::uint8_t>(HexToNumber(token));
}

// The number behind a "#" at position: up to maxDigits characters up to the
// end or a blank (a comma is taken in), all hex; with endCheck the character
// behind them must be the end or a blank.
std::optional<std::uint16_t> ReadImmediate(std::size_t position, std::size_t maxDigits,
                                           bool endCheck) {
    const std::string token = CopyToken(position + 1, maxDigits, false);
    if (!IsHexText(token)) return std::nullopt;
    if (endCheck && !IsEndOrBlank(At(AsmState.ScanCursor))) return std::nullopt;
    return HexToNumber(token);
}

// A code address of one to four hex digits at position. With endCheck a
// character other than a blank behind the fourth digit is refused first.
std::optional<AsmResult> ReadCodeAddress(std::size_t position, bool endCheck,
                                         AsmResult notHexResult, std::uint16_t& target) {
    const std::string token = CopyToken(position, 4, false);
    if (endCheck && !IsEndOrBlank(At(AsmState.ScanCursor))) return AsmIllegalCodeAddress;
    if (!IsHexText(token)) return notHexResult;
    target = HexToNumber(token);
    return std::nullopt;
}

// False when the target lies outside the 2 KB block of the next instruction.
bool EncodeAbsolute11(std::uint16_t target) {
    const std::uint32_t next = AsmState.InstructionAddress + 2u;
    if ((next & 0xF800) != (target & 0xF800u)) return false;
    AsmState.OpcodeByte =
        static_cast<std::uint16_t>(AsmState.OpcodeByte + 0x20 * ((target >> 8) & 0x07));
    AsmState.OperandByte1 = target & 0xFF;
    return true;
}

// Stores the offset from the next instruction in OperandByte1. 0: out of
// reach; 2: the target is one of the instruction's own operand bytes; 1: done.
int EncodeRelative(std::uint16_t target, std::uint8_t length) {
    const std::int32_t next = AsmState.InstructionAddress + length;
    if (target > next + 127 || target < next - 128) return 0;
    const auto offset = static_cast<std::uint8_t>((target - next) & 0xFF);
    AsmState.OperandByte1 = offset;
    if (offset == 0xFF || (length == 3 && offset == 0xFE)) return 2;
    return 1;
}

// The target of a branch at position: a code address (with or without the end
// check) turned into the offset from the next instruction. The three-byte
// branches then put their bit, direct address or immediate, firstOperand,
// before the offset.
AsmResult BranchTarget(std::size_t position, std::uint8_t length, bool endCheck,
                       std::uint8_t firstOperand) {
    std::uint16_t target = 0;
    if (auto failure = ReadCodeAddress(position, endCheck, AsmIllegalCodeAddress, target)) {
        return *failure;
    }
    switch (EncodeRelative(target, length)) {
        case 0:
            return AsmRelativeTooLong;
        case 2:
            return AsmIllegalCodeAddress;
        default:
            break;
    }
    if (length == 3) {
        AsmState.OperandByte2 = AsmState.OperandByte1;
        AsmState.OperandByte1 = firstOperand;
    }
    return Complete(length);
}

// The same behind the comma that follows position.
AsmResult BranchTargetBehind(std::size_t position, std::uint8_t length, bool endCheck,
                             std::uint8_t firstOperand) {
    std::size_t next = 0;
    if (auto failure = NextOperandOrFailure(position, next)) return *failure;
    return BranchTarget(next, length, endCheck, firstOperand);
}

// A source operand of the accumulator group and XCH: @R0, @R1 or R0-R7 give the
// one-byte form; otherwise (the accumulator row, ACC included, or no match) a
// direct address, except that text beginning with @ or R is refused.
AsmResult RegisterSourceWithFallback(std::uint8_t accumulatorColumn, std::size_t source) {
    AsmState.OpcodeByte = accumulatorColumn;
    if (ParseRegisterOperand(source) && AsmState.OpcodeByte != accumulatorColumn)
        return Complete(1);
    if (At(source) == '@' || At(source) == 'R') return AsmIllegalOperand;
    const std::uint8_t direct = ParseDirectAddress(source);
    if (direct == kNoAddress) return AsmIllegalDataAddress;
    AsmState.OpcodeByte = accumulatorColumn + 1;
    AsmState.OperandByte1 = direct;
    return Complete(2);
}

// A,#data / A,direct / A,@Ri / A,Rn, with the A already matched.
AsmResult AccumulatorAndSource(std::uint8_t accumulatorColumn, std::size_t behindA) {
    std::size_t source = 0;
    if (auto failure = NextOperandOrFailure(behindA, source)) return *failure;
    if (At(source) == '#') {
        AsmState.OpcodeByte = accumulatorColumn;
        const auto data = ReadImmediate(source, 2, true);
        if (!data) return AsmIllegalData;
        AsmState.OperandByte1 = *data;
        return Complete(2);
    }
    return RegisterSourceWithFallback(accumulatorColumn, source);
}

// ---- The rules, one per form; each starts at the first operand. ----

AsmResult AbsoluteRule(const AsmMnemonicRow& row, std::size_t operand, AsmResult notHexResult) {
    std::uint16_t target = 0;
    if (auto failure = ReadCodeAddress(operand, true, notHexResult, target)) return *failure;
    AsmState.OpcodeByte = row.opcode;
    if (!EncodeAbsolute11(target)) return AsmExceeds2K;
    return Complete(2);
}

AsmResult AbsoluteCallRule(const AsmMnemonicRow& row, std::size_t operand) {
    return AbsoluteRule(row, operand, AsmIllegalCodeAddress);
}

AsmResult AbsoluteJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    return AbsoluteRule(row, operand, AsmImproperHexValue);
}

AsmResult ArithmeticRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (!MatchOperandWord("A", operand, IsCommaOrBlank)) return AsmIllegalOperand;
    return AccumulatorAndSource(row.opcode, operand + 1);
}

AsmResult LogicRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (MatchOperandWord("A", operand, IsCommaOrBlank))
        return AccumulatorAndSource(row.opcode, operand + 1);
    std::size_t next = 0;
    if (row.carryOpcode != 0 && MatchOperandWord("C", operand, IsCommaOrBlank)) {
        if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
        AsmState.OpcodeByte = row.carryOpcode;
        if (At(next) == '/') {
            AsmState.OpcodeByte = row.otherOpcode;
            ++next;
        }
        const std::uint8_t bit = ParseBitAddress(next);
        if (bit == kNoAddress) return AsmIllegalBitAddress;
        AsmState.OperandByte1 = bit;
        return Complete(2);
    }
    const std::uint8_t direct = ParseDirectAddress(operand);
    if (direct == kNoAddress) return AsmIllegalDataAddress;
    if (auto failure = NextOperandOrFailure(AsmState.ScanCursor, next)) return *failure;
    AsmState.OperandByte1 = direct;
    if (MatchOperandWord("A", next, IsEndOrBlank)) {
        AsmState.OpcodeByte = row.opcode - 2;
        return Complete(2);
    }
    if (At(next) == '#') {
        AsmState.OpcodeByte = row.opcode - 1;
        const auto data = ReadImmediate(next, 2, true);
        if (!data) return AsmIllegalData;
        AsmState.OperandByte2 = *data;
        return Complete(3);
    }
    return AsmIllegalDataAddress;
}

AsmResult CompareJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    std::size_t next = 0;
    std::uint8_t compared = 0;
    const auto readImmediate = [&](std::size_t position) -> std::optional<AsmResult> {
        // No end check: the token stops at the end or a blank only, so two
        // digits written directly before the comma are read, one is refused.
        const auto data = ReadImmediate(position, 2, false);
        if (!data) return AsmIllegalData;
        compared = static_cast<std::uint8_t>(*data);
        return std::nullopt;
    };
    if (MatchOperandWord("A", operand, IsCommaOrBlank)) {
        if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
        if (At(next) == '#') {
            AsmState.OpcodeByte = row.opcode;
            if (auto failure = readImmediate(next)) return *failure;
        } else {
            compared = ParseDirectAddress(next);
            if (compared == kNoAddress) return AsmIllegalDataAddress;
            AsmState.OpcodeByte = row.opcode + 1;
        }
    } else {
        AsmState.OpcodeByte = row.opcode;
        if (!ParseRegisterOperand(operand) || LowNibble() < 6) return AsmIllegalOperand;
        if (auto failure = NextOperandOrFailure(AsmState.ScanCursor, next)) return *failure;
        if (At(next) != '#') return AsmIllegalOperand;
        if (auto failure = readImmediate(next)) return *failure;
    }
    return BranchTargetBehind(AsmState.ScanCursor, 3, false, compared);
}

AsmResult ClearComplementRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (row.otherOpcode != 0 && MatchOperandWord("A", operand, IsEndOrBlank)) {
        AsmState.OpcodeByte = row.otherOpcode;
        return Complete(1);
    }
    if (MatchOperandWord("C", operand, IsEndOrBlank)) {
        AsmState.OpcodeByte = row.carryOpcode;
        return Complete(1);
    }
    const std::uint8_t bit = ParseBitAddress(operand);
    if (bit == kNoAddress) return AsmIllegalBitAddress;
    AsmState.OpcodeByte = row.opcode;
    AsmState.OperandByte1 = bit;
    return Complete(2);
}

AsmResult AccumulatorRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (!MatchOperandWord("A", operand, IsEndOrBlank)) return AsmIllegalOperand;
    AsmState.OpcodeByte = row.opcode;
    return Complete(1);
}

AsmResult MultiplyDivideRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (!MatchOperandWord("AB", operand, IsEndOrBlank)) return AsmIllegalOperand;
    AsmState.OpcodeByte = row.opcode;
    return Complete(1);
}

AsmResult IncDecRule(const AsmMnemonicRow& row, std::size_t operand) {
    AsmState.OpcodeByte = row.opcode;
    if (ParseRegisterOperand(operand)) return Complete(1);
    if (At(operand) == '@' || At(operand) == 'R') return AsmIllegalOperand;
    if (row.otherOpcode != 0 && MatchWordAt("DPTR", operand)) {
        if (!IsEndOrBlank(At(AsmState.ScanCursor))) return AsmIllegalOperand;
        AsmState.OpcodeByte = row.otherOpcode;
        return Complete(1);
    }
    const std::uint8_t direct = ParseDirectAddress(operand);
    if (direct == kNoAddress) return AsmIllegalDataAddress;
    AsmState.OpcodeByte = row.opcode + 1;
    AsmState.OperandByte1 = direct;
    return Complete(2);
}

AsmResult DecrementJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    AsmState.OpcodeByte = row.opcode;
    if (ParseRegisterOperand(operand)) {
        if (LowNibble() < 8) return AsmIllegalOperand;
        return BranchTargetBehind(AsmState.ScanCursor, 2, true, 0);
    }
    const std::uint8_t direct = ParseDirectAddress(operand);
    if (direct == kNoAddress) return AsmIllegalDataAddress;
    AsmState.OpcodeByte = row.opcode + 1;
    return BranchTargetBehind(AsmState.ScanCursor, 3, true, direct);
}

AsmResult BitJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    const std::uint8_t bit = ParseBitAddress(operand);
    if (bit == kNoAddress) return AsmIllegalBitAddress;
    AsmState.OpcodeByte = row.opcode;
    return BranchTargetBehind(AsmState.ScanCursor, 3, true, bit);
}

AsmResult ConditionalJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    AsmState.OpcodeByte = row.opcode;
    return BranchTarget(operand, 2, true, 0);
}

// SJMP alone has no end check on its target.
AsmResult ShortJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    AsmState.OpcodeByte = row.opcode;
    return BranchTarget(operand, 2, false, 0);
}

AsmResult IndirectJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (!MatchWordAt("@A+DPTR", operand)) return AsmIllegalOperand;
    AsmState.OpcodeByte = row.opcode;
    return Complete(1);
}

AsmResult LongJumpRule(const AsmMnemonicRow& row, std::size_t operand) {
    std::uint16_t target = 0;
    if (auto failure = ReadCodeAddress(operand, true, AsmIllegalCodeAddress, target))
        return *failure;
    AsmState.OpcodeByte = row.opcode;
    AsmState.OperandByte1 = target >> 8;
    AsmState.OperandByte2 = target & 0xFF;
    return Complete(3);
}

// MOV tries its first operand as: A; C; a register (@R0, @R1, R0-R7, and the
// accumulator row, which then finds no comma); a bit, taken only when the
// second operand is C; a direct address; DPTR.
AsmResult MoveRule(const AsmMnemonicRow& row, std::size_t operand) {
    constexpr std::uint8_t kRegisterDestination = 0xF4;  // F6+i / F8+n: @Ri,A / Rn,A
    constexpr std::uint8_t kDirectFromRegister = 0x84;   // 86+i / 88+n: direct,@Ri / direct,Rn
    std::size_t next = 0;
    if (MatchOperandWord("A", operand, IsCommaOrBlank)) {
        if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
        if (At(next) == '#') {
            AsmState.OpcodeByte = 0x74;
            const auto data = ReadImmediate(next, 2, true);
            if (!data) return AsmIllegalData;
            AsmState.OperandByte1 = *data;
            return Complete(2);
        }
        return RegisterSourceWithFallback(row.opcode, next);
    }
    if (MatchOperandWord("C", operand, IsCommaOrBlank)) {
        if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
        const std::uint8_t bit = ParseBitAddress(next);
        if (bit == kNoAddress) return AsmIllegalBitAddress;
        AsmState.OpcodeByte = 0xA2;
        AsmState.OperandByte1 = bit;
        return Complete(2);
    }
    AsmState.OpcodeByte = kRegisterDestination;
    if (ParseRegisterOperand(operand)) {
        if (auto failure = NextOperandOrFailure(AsmState.ScanCursor, next)) return *failure;
        if (MatchOperandWord("A", next, IsEndOrBlank)) return Complete(1);
        if (At(next) == '#') {
            AsmState.OpcodeByte &= 0x7F;  // F6+i / F8+n to 76+i / 78+n
            const auto data = ReadImmediate(next, 2, true);
            if (!data) return AsmIllegalData;
            AsmState.OperandByte1 = *data;
            return Complete(2);
        }
        AsmState.OpcodeByte &= ~0x50;  // F6+i / F8+n to A6+i / A8+n
        const std::uint8_t direct = ParseDirectAddress(next);
        if (direct == kNoAddress) return AsmIllegalDataAddress;
        AsmState.OperandByte1 = direct;
        return Complete(2);
    }
    const std::uint8_t bit = ParseBitAddress(operand);
    if (bit != kNoAddress) {
        if (auto failure = NextOperandOrFailure(AsmState.ScanCursor, next)) return *failure;
        if (MatchOperandWord("C", next, IsEndOrBlank)) {
            AsmState.OpcodeByte = 0x92;
            AsmState.OperandByte1 = bit;
            return Complete(2);
        }
    }
    const std::uint8_t destination = ParseDirectAddress(operand);
    if (destination != kNoAddress) {
        if (auto failure = NextOperandOrFailure(AsmState.ScanCursor, next)) return *failure;
        AsmState.OperandByte1 = destination;
        if (MatchOperandWord("A", next, IsEndOrBlank)) {
            AsmState.OpcodeByte = 0xF5;
            return Complete(2);
        }
        if (At(next) == '#') {
            AsmState.OpcodeByte = 0x75;
            const auto data = ReadImmediate(next, 2, true);
            if (!data) return AsmIllegalData;
            AsmState.OperandByte2 = *data;
            return Complete(3);
        }
        AsmState.OpcodeByte = kDirectFromRegister;
        if (ParseRegisterOperand(next) && AsmState.OpcodeByte != kDirectFromRegister)
            return Complete(2);
        const std::uint8_t source = ParseDirectAddress(next);
        if (source == kNoAddress) return AsmIllegalOperand;
        AsmState.OpcodeByte = 0x85;
        AsmState.OperandByte1 = source;
        AsmState.OperandByte2 = destination;
        return Complete(3);
    }
    if (MatchWordAt("DPTR", operand)) {
        if (auto failure = NextOperandOrFailure(AsmState.ScanCursor, next)) return *failure;
        if (At(next) != '#') return AsmIllegalOperand;
        AsmState.OpcodeByte = 0x90;
        const auto data = ReadImmediate(next, 4, true);
        if (!data) return AsmIllegalData;
        AsmState.OperandByte1 = *data >> 8;
        AsmState.OperandByte2 = *data & 0xFF;
        return Complete(3);
    }
    return AsmIllegalOperand;
}

AsmResult MoveCodeRule(const AsmMnemonicRow&, std::size_t operand) {
    if (!MatchOperandWord("A", operand, IsCommaOrBlank)) return AsmIllegalData;
    std::size_t next = 0;
    if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
    if (MatchWordAt("@A+DPTR", next)) {
        if (!IsEndOrBlank(At(AsmState.ScanCursor))) return AsmIllegalCodeAddress;
        AsmState.OpcodeByte = 0x93;
        return Complete(1);
    }
    if (MatchWordAt("@A+PC", next)) {
        if (!IsEndOrBlank(At(AsmState.ScanCursor))) return AsmIllegalOperand;
        AsmState.OpcodeByte = 0x83;
        return Complete(1);
    }
    return AsmIllegalData;
}

AsmResult MoveExternalRule(const AsmMnemonicRow&, std::size_t operand) {
    // By MatchIndirectOperand's result 1-3: @R0, @R1, @DPTR.
    constexpr std::array<std::uint8_t, 3> kReadOpcodes{0xE2, 0xE3, 0xE0};
    constexpr std::array<std::uint8_t, 3> kWriteOpcodes{0xF2, 0xF3, 0xF0};
    std::size_t next = 0;
    if (MatchOperandWord("A", operand, IsCommaOrBlank)) {
        if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
        const int indirect = MatchIndirectOperand(next);
        if (indirect == 0) return AsmIllegalOperand;
        AsmState.OpcodeByte = kReadOpcodes[indirect - 1];
        return Complete(1);
    }
    const int indirect = MatchIndirectOperand(operand);
    if (indirect == 0) return AsmIllegalOperand;
    if (auto failure = NextOperandOrFailure(AsmState.ScanCursor, next)) return *failure;
    if (!MatchOperandWord("A", next, IsEndOrBlank)) return AsmIllegalOperand;
    AsmState.OpcodeByte = kWriteOpcodes[indirect - 1];
    return Complete(1);
}

AsmResult NoOperandRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (!IsEnd(At(operand))) return AsmIllegalMnemonic;
    AsmState.OpcodeByte = row.opcode;
    return Complete(1);
}

AsmResult StackRule(const AsmMnemonicRow& row, std::size_t operand) {
    constexpr std::uint8_t kAccumulatorAddress = 0xE0;
    std::uint8_t direct = kAccumulatorAddress;
    if (!MatchOperandWord("A", operand, IsEndOrBlank)) {
        direct = ParseDirectAddress(operand);
        if (direct == kNoAddress) return AsmIllegalDataAddress;
    }
    AsmState.OpcodeByte = row.opcode;
    AsmState.OperandByte1 = direct;
    return Complete(2);
}

AsmResult ExchangeRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (!MatchOperandWord("A", operand, IsCommaOrBlank)) return AsmIllegalOperand;
    std::size_t next = 0;
    if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
    return RegisterSourceWithFallback(row.opcode, next);
}

AsmResult ExchangeDigitRule(const AsmMnemonicRow& row, std::size_t operand) {
    if (!MatchOperandWord("A", operand, IsCommaOrBlank)) return AsmIllegalOperand;
    std::size_t next = 0;
    if (auto failure = NextOperandOrFailure(operand + 1, next)) return *failure;
    AsmState.OpcodeByte = row.opcode;
    if (!ParseRegisterOperand(next) || (LowNibble() != 6 && LowNibble() != 7))
        return AsmIllegalOperand;
    return Complete(1);
}

using AsmRule = AsmResult (*)(const AsmMnemonicRow&, std::size_t);

// The rule of each AsmForm, in the order of the enumeration.
constexpr std::array<AsmRule, 22> kAsmRules{{
    AbsoluteCallRule, AbsoluteJumpRule,    ArithmeticRule,  LogicRule,
    CompareJumpRule,  ClearComplementRule, AccumulatorRule, MultiplyDivideRule,
    IncDecRule,       DecrementJumpRule,   BitJumpRule,     ConditionalJumpRule,
    ShortJumpRule,    IndirectJumpRule,    LongJumpRule,    MoveRule,
    MoveCodeRule,     MoveExternalRule,    NoOperandRule,   StackRule,
    ExchangeRule,     ExchangeDigitRule,
}};
static_assert(static_cast<std::size_t>(AsmForm::ExchangeDigit) + 1 == kAsmRules.size());

AsmResult AssembleSourceLine() {
    const std::size_t start = SkipBlanks(0);
    if (IsEnd(At(start))) return AsmBlankLine;
    const AsmMnemonicRow* mnemonic = nullptr;
    for (const auto& row : AsmMnemonicTable) {
        if (MatchWordAt(row.name, start)) {
            mnemonic = &row;
            break;
        }
    }
    if (mnemonic == nullptr) return AsmIllegalMnemonic;
    const std::size_t behind = AsmState.ScanCursor;
    const std::size_t operand = SkipBlanks(behind);
    if (mnemonic->form != AsmForm::NoOperand) {
        if (!IsBlank(At(behind))) return AsmIllegalMnemonic;
        if (IsEnd(At(operand))) return AsmMissingOperand;
    }
    return kAsmRules[static_cast<std::size_t>(mnemonic->form)](*mnemonic, operand);
}

}  // namespace

bool IsHexText(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

std::uint16_t HexToNumber(std::string_view text) {
    std::uint16_t value = 0;
    for (const char c : text) {
        std::uint16_t digit = 0;
        if (c >= '0' && c <= '9') digit = static_cast<std::uint16_t>(c - '0');
        if (c >= 'A' && c <= 'F') digit = static_cast<std::uint16_t>(c - 'A' + 10);
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

AsmOutput AssembleLine(std::string_view text, std::uint16_t address) {
    AsmState.SourceLine.assign(text.substr(0, text.find('\0')));
    for (char& c : AsmState.SourceLine) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    AsmState.InstructionAddress = address;
    AsmState.ScanCursor = 0;
    const AsmResult result = AssembleSourceLine();
    return {result,
            {static_cast<std::uint8_t>(AsmState.OpcodeByte & 0xFF),
             static_cast<std::uint8_t>(AsmState.OperandByte1 & 0xFF),
             static_cast<std::uint8_t>(AsmState.OperandByte2 & 0xFF)},
            AsmState.EncodedLength};
}

}  // namespace zvk
