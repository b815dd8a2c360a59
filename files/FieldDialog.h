#pragma once
// The model of the small address dialogs (Save Buffer, Fill, Copy, Checksum):
// a title, hexadecimal text fields, optional radio choices and the OK/Cancel
// labels. The desktop program renders it, writes the typed texts back into
// the fields and calls accept() on OK; the logic stays here.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

// A field as a fixed table row describes it.
struct DialogFieldLayout {
    int id;
    std::string_view label;
    std::size_t maxLength;
};

struct DialogField {
    int id = 0;
    std::string label;
    std::string text;
    std::size_t maxLength = 4;
};

struct DialogChoice {
    int id = 0;
    std::string label;
};

struct FieldDialog {
    std::string title;
    std::string acceptLabel;
    std::string cancelLabel;
    std::vector<DialogField> fields;
    std::string choiceGroup;
    std::vector<DialogChoice> choices;
    int checkedChoice = 0;
    // A radio click; takes effect at once, even if the dialog is then cancelled.
    std::function<void(int id)> choose;
    // OK: reads the fields' texts. True ends the dialog with OK; false keeps it
    // open with no message.
    std::function<bool(FieldDialog&)> accept;
};

// Shows the dialog modally; true when it ended with OK (accept() said true).
using FieldDialogRunner = std::function<bool(FieldDialog&)>;

// Makes the fields of a table, each showing its value ("%04X", or "%02X" for a
// two-character field).
std::vector<DialogField> MakeFields(const DialogFieldLayout* layouts, std::size_t count,
                                    const std::uint16_t* values);

// Reads a field: one to maxLength hexadecimal digits, in any case (upper-cased
// in place). False, value untouched, otherwise.
[[nodiscard]] bool ParseDialogField(DialogField& field, std::uint16_t& value);

}  // namespace zvk
