#pragma once
// Small helpers every dialog of the desktop program shares: centring a dialog
// over its parent, the address dialog, and the message-box presenter behind
// ShowMessage.

#include <QDialog>

class QLineEdit;
class QWidget;

namespace zvk::ui {

// Places the dialog centred over the parent and inside the screen, without
// changing its size, and offers no maximise or minimise button (WithoutMaximise).
void CenterDialog(QWidget* dialog, QWidget* parent);

// A dialog has the size its contents give it: its title bar offers no
// maximise or minimise button, whatever the window manager would add, and
// its layout keeps it at that size. Keeps the close box where the dialog has
// one. Only before the dialog shows.
void WithoutMaximise(QWidget* dialog);

// A dialog whose list is worth enlarging (load details, differences found)
// stays resizable: WithoutMaximise leaves it alone. Before CenterDialog.
void LetResize(QWidget* dialog);

// The address dialog: "Enter the Starting address." with the last accepted
// address selected. OK stores a valid entry in EnteredAddress; an invalid one
// keeps the dialog open without a message.
class GetAddressDlg : public QDialog {
  public:
    explicit GetAddressDlg(QWidget* parent);

    [[nodiscard]] QLineEdit* Edit() const { return edit_; }
    void accept() override;

  private:
    QLineEdit* edit_;
};

// Runs the address dialog modally; true when an address was accepted into
// EnteredAddress.
bool AskAddress(QWidget* parent);

// Presents ShowMessage calls in modal message boxes owned by the frame window.
void InstallMessageBoxPresenter();

}  // namespace zvk::ui
