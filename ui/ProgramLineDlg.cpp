#include "ui/ProgramLineDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Messages.h"
#include "mcs51/ProgramLine.h"
#include "ui/DialogHelpers.h"
#include "ui/FrameWnd.h"
#include "ui/ProgramWnd.h"

namespace zvk::ui {

using namespace zvk::views;
namespace {

// Turns every letter typed or pasted into upper case.
class UpperCaseValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace

EditProgramLineDlg::EditProgramLineDlg(QWidget* parent, const std::string& line)
    : QDialog(parent),
      address_(new QLabel(QString::asprintf("%04X:", App().EnteredAddress), this)),
      edit_(new QLineEdit(this)) {
    setWindowTitle("Edit Program Line");
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel("Enter the New Program Line:", this);
    prompt->setAlignment(Qt::AlignCenter);
    layout->addWidget(prompt);

    auto* lineRow = new QHBoxLayout;
    address_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lineRow->addWidget(address_);
    edit_->setMaxLength(kProgramLineMaxLength);
    edit_->setValidator(new UpperCaseValidator(edit_));
    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QString(36, 'M')));
    edit_->setText(QString::fromStdString(line).left(kProgramLineMaxLength));
    edit_->selectAll();
    lineRow->addWidget(edit_, 1);
    layout->addLayout(lineRow);

    auto* buttons = new QHBoxLayout;
    auto* store = new QPushButton("&Store", this);
    auto* cancel = new QPushButton("&Cancel", this);
    store->setDefault(true);
    connect(store, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    buttons->addWidget(store);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);

    setFocusProxy(edit_);
    edit_->setFocus();
    adjustSize();
    CenterDialog(this, parent);
}

std::string EditProgramLineDlg::Text() const {
    return edit_->text().left(kProgramLineMaxLength).toStdString();
}

int RunFrameDialog(QDialog& dialog) {
    auto* frame = dynamic_cast<FrameWnd*>(dialog.parentWidget());
    return frame != nullptr ? frame->RunDialog(dialog) : dialog.exec();
}

void EnterProgram(FrameWnd& frame, bool askAddress) {
    AppState& app = App();
    if (askAddress) {
        GetAddressDlg question(&frame);
        if (RunFrameDialog(question) != QDialog::Accepted) return;
    }
    if (app.EnteredAddress >= app.FlashLastAddress) {
        ShowMessage(kInvalidAddressMessage, "Address Error", MessageIcon::Stop);
        return;
    }
    if (frame.Child(CommandId::Disassembly) == nullptr) {
        frame.OnCommand(static_cast<int>(CommandId::Disassembly));
    }
    // The view cannot be closed while a dialog of the run is open, but it
    // is not needed for the run either.
    QPointer<ProgramWnd> view = OpenDisassemblyView(frame);
    std::uint32_t address = app.EnteredAddress;
    if (view) view->Area()->BeginEntry(static_cast<std::uint16_t>(address));
    for (;;) {
        app.EnteredAddress = static_cast<std::uint16_t>(address);
        EditProgramLineDlg dialog(&frame, InstructionText(app.EnteredAddress));
        if (RunFrameDialog(dialog) != QDialog::Accepted) break;
        const LinePlan plan =
            PlanProgramLine(dialog.Text(), app.EnteredAddress, app.FlashLastAddress);
        if (plan.outcome == LineOutcome::AsmError) {
            ShowMessage(plan.message, "Error", MessageIcon::Stop);
            continue;
        }
        if (plan.outcome == LineOutcome::DoesNotFit) {
            ShowMessage(kInvalidAddressMessage, "Address Error", MessageIcon::Stop);
            continue;
        }
        // A blank line, or the offered one stored as it was, keeps the stored
        // instruction and its origin marks, and goes on behind it.
        std::uint8_t length = StoredInstructionLength(app.EnteredAddress);
        if (plan.outcome == LineOutcome::Store) {
            length = plan.count;
            StoreProgramLine(app.EnteredAddress, plan.code.data(), plan.count);
        }
        if (view) view->Area()->EntryLineStored();
        address += length;
        if (address > app.FlashLastAddress) break;
    }
    if (view) view->Area()->EndEntry();
}

}  // namespace zvk::ui
