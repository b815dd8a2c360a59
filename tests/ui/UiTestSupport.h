#pragma once
// Small helpers of the dialog tests: the messages shown, as a list Qt Test
// prints when it differs, and a whole file read back.

#include <QString>
#include <QStringList>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/VirtualUnit.h"

namespace zvk::test {

// The messages shown so far, "caption|text" each.
inline QStringList Shown(const VirtualUnit& unit) {
    QStringList lines;
    for (const std::string& line : unit.messages.Lines())
        lines.append(QString::fromStdString(line));
    return lines;
}

inline QString ReadWholeFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return QString::fromStdString(out.str());
}

}  // namespace zvk::test
