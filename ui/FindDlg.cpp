#include "ui/FindDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/Messages.h"
#include "ui/DialogHelpers.h"
#include "ui/ProgramLineDlg.h"
#include "ui/StatusBar.h"

namespace zvk::ui {

namespace {

constexpr const char* kBadHexMessage =
    "Type the bytes as pairs of hexadecimal digits, for example 02 00 30.";
constexpr const char* kBadTextMessage = "Only characters that are one byte each can be found.";
constexpr const char* kWrappedStatus = "Passed the end of the buffer; found from its start";

}  // namespace

FindDlg::FindDlg(QWidget* parent, const FindQuery& last)
    : QDialog(parent),
      edit_(new QLineEdit(QString::fromStdString(last.typed), this)),
      hex_(new QRadioButton("&Hex bytes", this)),
      text_(new QRadioButton("&Text", this)) {
    setWindowTitle(kFindCaption);
    auto* layout = new QVBoxLayout(this);
    auto* what = new QLabel("Find &what:", this);
    what->setBuddy(edit_);
    layout->addWidget(what);
    edit_->setMinimumWidth(edit_->fontMetrics().averageCharWidth() * 36);
    edit_->selectAll();
    layout->addWidget(edit_);
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(hex_);
    kinds->addWidget(text_);
    kinds->addStretch();
    layout->addLayout(kinds);
    (last.text ? text_ : hex_)->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("&Find");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    CenterDialog(this, parent);
}

FindQuery FindDlg::Query() const { return {edit_->text().toStdString(), text_->isChecked()}; }

void FindDlg::accept() {
    const FindQuery query = Query();
    if (!FindBytes(query)) {
        if (!query.typed.empty()) {
            ShowMessage(query.text ? kBadTextMessage : kBadHexMessage, kFindCaption,
                        MessageIcon::Stop);
        }
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    QDialog::accept();
}

FindQuery& LastFindQuery() {
    static FindQuery query;
    return query;
}

std::optional<FindHit> FindInView(QWidget* owner, BufferKind kind, std::uint32_t from, bool ask) {
    FindQuery& last = LastFindQuery();
    if (ask || !FindBytes(last)) {
        FindDlg dialog(owner, last);
        if (RunFrameDialog(dialog) != QDialog::Accepted) return std::nullopt;
        last = dialog.Query();
    }
    const auto bytes = FindBytes(last);
    if (!bytes) return std::nullopt;
    const auto hit = FindInBuffer(kind, *bytes, from);
    if (!hit) {
        ShowMessage("\"" + last.typed + "\" was not found.", kFindCaption,
                    MessageIcon::Information);
        return std::nullopt;
    }
    return hit;
}

void ShowFindHit(FrameStatusBar& status, const FindHit& hit) {
    if (hit.wrapped) status.SetPaneText(0, kWrappedStatus);
}

}  // namespace zvk::ui
