#pragma once
// The small address dialogs: FieldDialogView shows a FieldDialog model (Save
// Buffer, Fill, Copy, Checksum) and RangeDialogView a RangeDialog (the ranges
// of Blank Check, Program, Verify and Read). Both only render their model and
// hand the user's clicks and typed texts to it.

#include <QDialog>

#include <vector>

#include "files/FieldDialog.h"
#include "ops/OperationRange.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zvk::ui {

class FieldDialogView : public QDialog {
  public:
    FieldDialogView(QWidget* parent, FieldDialog& model);

    [[nodiscard]] const std::vector<QLineEdit*>& Edits() const { return edits_; }
    [[nodiscard]] const std::vector<QRadioButton*>& Radios() const { return radios_; }
    [[nodiscard]] QPushButton* OkButton() const { return ok_; }
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }

    void accept() override;

  private:
    FieldDialog& model_;
    std::vector<QLineEdit*> edits_;
    std::vector<QRadioButton*> radios_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// Runs the view modally over parent; true when it ended with OK.
bool RunFieldDialog(QWidget* parent, FieldDialog& model);

class RangeDialogView : public QDialog {
  public:
    RangeDialogView(QWidget* parent, RangeDialog& model);

    [[nodiscard]] QCheckBox* FullDevice() const { return fullDevice_; }
    [[nodiscard]] QLineEdit* DeviceStart() const { return deviceStart_; }
    [[nodiscard]] QLineEdit* DeviceEnd() const { return deviceEnd_; }
    [[nodiscard]] QLineEdit* BufferStart() const { return bufferStart_; }  // null for Blank Check

    void accept() override;
    void reject() override;

  private:
    void Render();

    RangeDialog& model_;
    QCheckBox* fullDevice_;
    QLineEdit* deviceStart_;
    QLineEdit* deviceEnd_;
    QLineEdit* bufferStart_ = nullptr;
};

// A line edit for hexadecimal entries: limited to maxLength characters,
// letters turned to upper case as they are typed, the whole text selected.
QLineEdit* MakeHexEdit(QWidget* parent, const std::string& text, std::size_t maxLength);

}  // namespace zvk::ui
