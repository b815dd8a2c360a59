#include "ui/FieldDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/DialogHelpers.h"

namespace zvk::ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// OK and Cancel with the model's labels; OK is the default button.
QDialogButtonBox* MakeButtons(QDialog* dialog, const QString& okText, const QString& cancelText,
                              QPushButton*& ok, QPushButton*& cancel) {
    auto* buttons = new QDialogButtonBox(dialog);
    ok = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    cancel = buttons->addButton(cancelText, QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

QLineEdit* MakeHexEdit(QWidget* parent, const std::string& text, std::size_t maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(static_cast<int>(maxLength));
    edit->setText(Q(text));
    edit->selectAll();
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& typed) {
        const QString upper = typed.toUpper();
        if (upper == typed) return;
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    });
    return edit;
}

FieldDialogView::FieldDialogView(QWidget* parent, FieldDialog& model)
    : QDialog(parent), model_(model) {
    setWindowTitle(Q(model.title));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (const DialogField& field : model.fields) {
        QLineEdit* edit = MakeHexEdit(this, field.text, field.maxLength);
        form->addRow(BuddyLabel(Q(field.label), edit, this), edit);
        edits_.push_back(edit);
    }
    layout->addLayout(form);
    if (!model.choices.empty()) {
        auto* group = new QGroupBox(Q(model.choiceGroup), this);
        auto* groupLayout = new QVBoxLayout(group);
        auto* buttons = new QButtonGroup(group);
        for (const DialogChoice& choice : model.choices) {
            auto* radio = new QRadioButton(Q(choice.label), group);
            radio->setChecked(choice.id == model.checkedChoice);
            buttons->addButton(radio, choice.id);
            groupLayout->addWidget(radio);
            radios_.push_back(radio);
        }
        connect(buttons, &QButtonGroup::idClicked, this, [this](int id) {
            model_.checkedChoice = id;
            if (model_.choose) model_.choose(id);
        });
        layout->addWidget(group);
    }
    layout->addWidget(MakeButtons(this, Q(model.acceptLabel), Q(model.cancelLabel), ok_, cancel_));
    if (!edits_.empty()) edits_.front()->setFocus();
    adjustSize();
    CenterDialog(this, parent);
}

void FieldDialogView::accept() {
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        model_.fields[i].text = edits_[i]->text().toStdString();
    }
    if (model_.accept && !model_.accept(model_)) return;
    QDialog::accept();
}

bool RunFieldDialog(QWidget* parent, FieldDialog& model) {
    FieldDialogView view(parent, model);
    return view.exec() == QDialog::Accepted;
}

RangeDialogView::RangeDialogView(QWidget* parent, RangeDialog& model)
    : QDialog(parent), model_(model) {
    const RangeDialogModel& m = model.model;
    setWindowTitle(Q(m.title));
    auto* layout = new QVBoxLayout(this);
    fullDevice_ = new QCheckBox("Full Device", this);
    fullDevice_->setChecked(m.fullDevice);
    layout->addWidget(fullDevice_);
    auto* form = new QFormLayout;
    deviceStart_ = MakeHexEdit(this, m.deviceStart, kRangeFieldLength);
    form->addRow("Device Starting Address:", deviceStart_);
    deviceEnd_ = MakeHexEdit(this, m.deviceEnd, kRangeFieldLength);
    form->addRow("Device Ending Address:", deviceEnd_);
    if (m.hasBufferField) {
        bufferStart_ = MakeHexEdit(this, m.bufferStart, kRangeFieldLength);
        form->addRow("Buffer Starting Address:", bufferStart_);
    }
    layout->addLayout(form);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    layout->addWidget(MakeButtons(this, "OK", "Cancel", ok, cancel));
    connect(fullDevice_, &QCheckBox::clicked, this, [this](bool checked) {
        model_.ClickFullDevice(checked);
        Render();
    });
    Render();
    if (m.focusDeviceStart) deviceStart_->setFocus();
    adjustSize();
    CenterDialog(this, parent);
}

void RangeDialogView::Render() {
    const RangeDialogModel& m = model_.model;
    fullDevice_->setChecked(m.fullDevice);
    for (QLineEdit* edit : {deviceStart_, deviceEnd_, bufferStart_}) {
        if (edit != nullptr) edit->setEnabled(m.fieldsEnabled);
    }
}

void RangeDialogView::accept() {
    RangeDialogModel& m = model_.model;
    m.deviceStart = deviceStart_->text().toStdString();
    m.deviceEnd = deviceEnd_->text().toStdString();
    if (bufferStart_ != nullptr) m.bufferStart = bufferStart_->text().toStdString();
    if (!model_.Ok()) return;
    QDialog::accept();
}

void RangeDialogView::reject() {
    model_.Cancel();
    QDialog::reject();
}

}  // namespace zvk::ui
