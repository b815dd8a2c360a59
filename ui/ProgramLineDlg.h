#pragma once
// Program line entry: the "Edit Program Line" dialog in which one 8051
// instruction is typed, and Enter Program, which takes line after line from
// a start address, assembles each and stores it behind the one before while
// the disassembly view follows.

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;

namespace zvk::ui {

class FrameWnd;

// The line dialog: the address ("%04X:" of EnteredAddress) left of the line,
// which is offered selected so that typing replaces it. Letters are upper case.
class EditProgramLineDlg : public QDialog {
  public:
    EditProgramLineDlg(QWidget* parent, const std::string& line);

    [[nodiscard]] QLineEdit* Edit() const { return edit_; }
    [[nodiscard]] QLabel* AddressLabel() const { return address_; }
    // The line as stored.
    [[nodiscard]] std::string Text() const;

  private:
    QLabel* address_;
    QLineEdit* edit_;
};

// Runs a dialog modally the frame's way (its dialog runner) when the frame
// is its parent, or plainly.
int RunFrameDialog(QDialog& dialog);

// One Enter Program run: from the Buffer menu it asks for the start address
// first; from the view's popup EnteredAddress is already the clicked row's.
void EnterProgram(FrameWnd& frame, bool askAddress);

}  // namespace zvk::ui
