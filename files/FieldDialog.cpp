#include "files/FieldDialog.h"

#include <cstdio>
#include <utility>

#include "app/HexField.h"

namespace zvk {

std::vector<DialogField> MakeFields(const DialogFieldSpec* specs, std::size_t count,
                                    const std::uint16_t* values) {
    std::vector<DialogField> fields;
    for (std::size_t i = 0; i < count; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, specs[i].maxLength == 2 ? "%02X" : "%04X",
                      static_cast<unsigned>(values[i]));
        fields.push_back({specs[i].id, std::string(specs[i].label), text, specs[i].maxLength});
    }
    return fields;
}

bool ParseDialogField(DialogField& field, std::uint16_t& value) {
    if (field.text.size() > field.maxLength) return false;
    return ParseHexField(field.text, value);
}

FieldDialogRunner AnswerDialogWith(std::vector<std::string> texts, int choice) {
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

}  // namespace zvk
