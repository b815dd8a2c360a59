#pragma once
// The fields of a production log row, split at every comma (the tests' rows
// hold no quoted field with a comma in it).

#include <string>
#include <vector>

namespace zvk::test {

inline std::vector<std::string> CsvFields(const std::string& row) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t comma; (comma = row.find(',', from)) != std::string::npos; from = comma + 1) {
        fields.push_back(row.substr(from, comma - from));
    }
    fields.push_back(row.substr(from));
    return fields;
}

}  // namespace zvk::test
