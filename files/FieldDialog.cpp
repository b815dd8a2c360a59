#include "files/FieldDialog.h"

#include <cstdio>

#include "app/HexField.h"

namespace zvk {

std::vector<DialogField> MakeFields(const DialogFieldLayout* layouts, std::size_t count,
                                    const std::uint16_t* values) {
    std::vector<DialogField> fields;
    for (std::size_t i = 0; i < count; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, layouts[i].maxLength == 2 ? "%02X" : "%04X",
                      static_cast<unsigned>(values[i]));
        fields.push_back(
            {layouts[i].id, std::string(layouts[i].label), text, layouts[i].maxLength});
    }
    return fields;
}

bool ParseDialogField(DialogField& field, std::uint16_t& value) {
    if (field.text.size() > field.maxLength) return false;
    return ParseHexField(field.text, value);
}

}  // namespace zvk
