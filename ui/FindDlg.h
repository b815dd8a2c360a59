#pragma once
// Ctrl+F and F3 in the hex editors and the disassembly view: the Find dialog
// (hexadecimal bytes or text) and the search that follows it. The last query
// is shared by the three views, so that F3 goes on with it in any of them.

#include <QDialog>

#include <cstdint>
#include <optional>

#include "app/BufferFind.h"

class QLineEdit;
class QRadioButton;

namespace zvk::ui {

class FindDlg : public QDialog {
  public:
    FindDlg(QWidget* parent, const FindQuery& last);

    [[nodiscard]] QLineEdit* Edit() const { return edit_; }
    [[nodiscard]] QRadioButton* HexButton() const { return hex_; }
    [[nodiscard]] QRadioButton* TextButton() const { return text_; }
    [[nodiscard]] FindQuery Query() const;
    // Hex that is not whole bytes keeps the dialog open, with a message.
    void accept() override;

  private:
    QLineEdit* edit_;
    QRadioButton* hex_;
    QRadioButton* text_;
};

inline constexpr const char* kFindCaption = "Find";

// The query F3 repeats; empty typed text until the first Find.
[[nodiscard]] FindQuery& LastFindQuery();

// Looks for the bytes in the buffer from the address on. With ask (Ctrl+F,
// or F3 before any Find) the Find dialog comes first. Shows "not found" as a
// message. The dialog belongs to the owner. Returns where the bytes start, or
// nullopt.
[[nodiscard]] std::optional<FindHit> FindInView(QWidget* owner, BufferKind kind, std::uint32_t from,
                                                bool ask);

class FrameStatusBar;

// Once the view shows a hit: a search that went on from the buffer's start
// says so in the status bar.
void ShowFindHit(FrameStatusBar& status, const FindHit& hit);

}  // namespace zvk::ui
