#include "ui/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/DialogHelpers.h"
#include "ui/FrameWnd.h"
#include "ui/ToolBar.h"

namespace zvk::ui {

AboutDlg::AboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    top->addWidget(icon);
    auto* texts = new QVBoxLayout;
    auto* title = new QLabel(kFrameTitle, this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    texts->addWidget(title);
    texts->addWidget(new QLabel("Version 2.2", this));
    top->addLayout(texts);
    layout->addLayout(top);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    adjustSize();
    CenterDialog(this, parent);
}

}  // namespace zvk::ui
