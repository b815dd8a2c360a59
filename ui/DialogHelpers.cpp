#include "ui/DialogHelpers.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <string>

#include "app/AppState.h"
#include "app/HexField.h"
#include "app/Messages.h"
#include "ui/FrameWnd.h"

namespace zvk::ui {

namespace {
constexpr const char* kResizable = "zvkResizable";
}  // namespace

void LetResize(QWidget* dialog) { dialog->setProperty(kResizable, true); }

void WithoutMaximise(QWidget* dialog) {
    if (dialog->property(kResizable).toBool()) return;
    // Without CustomizeWindowHint Qt fills in the usual buttons of a window,
    // maximise included.
    const Qt::WindowFlags flags =
        (dialog->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
        ~(Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    if (flags != dialog->windowFlags() && !dialog->isVisible()) dialog->setWindowFlags(flags);
    // Many window managers go by the size hints alone: a window whose
    // smallest and largest sizes are the same is not theirs to maximise.
    if (QLayout* layout = dialog->layout()) layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CenterDialog(QWidget* dialog, QWidget* parent) {
    if (dialog == nullptr) return;
    WithoutMaximise(dialog);
    if (parent == nullptr) return;
    const QRect p = parent->frameGeometry();
    const QSize d = dialog->frameGeometry().size();
    const QScreen* screen =
        parent->screen() != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect s = screen != nullptr ? screen->geometry() : QRect(0, 0, 1 << 16, 1 << 16);
    int x = p.left() + (p.width() - d.width()) / 2;
    int y = p.top() + (p.height() - d.height()) / 2;
    if (x < 0) {
        x = 0;
    } else if (x + d.width() > s.width()) {
        x = s.width() - d.width();
    }
    if (y < 0) {
        y = 0;
    } else if (y + d.height() > s.height()) {
        y = s.height() - d.height();
    }
    dialog->move(x, y);
}

GetAddressDlg::GetAddressDlg(QWidget* parent) : QDialog(parent), edit_(new QLineEdit(this)) {
    setWindowTitle("Address");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Enter the Starting address.", this));
    edit_->setMaxLength(4);
    edit_->setText(QString::asprintf("%04X", App().EnteredAddress));
    edit_->selectAll();
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &GetAddressDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GetAddressDlg::reject);
    layout->addWidget(buttons);
    edit_->setFocus();
    adjustSize();
    CenterDialog(this, parent);
}

void GetAddressDlg::accept() {
    std::string text = edit_->text().left(4).toStdString();
    if (!ParseHexField(text, App().EnteredAddress)) return;
    QDialog::accept();
}

bool AskAddress(QWidget* parent) {
    GetAddressDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted;
}

namespace {

// The program's frame, which owns every message box; none before it is
// made. Messages come from the core, which knows no windows.
QWidget* MessageOwner() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* frame = dynamic_cast<FrameWnd*>(widget)) return frame;
    }
    return nullptr;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MessageResult Result(int button) {
    switch (button) {
        case QMessageBox::Cancel:
            return MessageResult::Cancel;
        case QMessageBox::Yes:
            return MessageResult::Yes;
        case QMessageBox::No:
            return MessageResult::No;
        case QMessageBox::Retry:
            return MessageResult::Retry;
        default:
            return MessageResult::Ok;
    }
}

}  // namespace

void InstallMessageBoxPresenter() {
    SetMessagePresenter([](const Message& m) {
        QMessageBox box(BoxIcon(m.icon), QString::fromStdString(m.caption),
                        QString::fromStdString(m.text), BoxButtons(m.buttons), MessageOwner());
        // The box waits for the user, whatever the program was busy with
        // when it came up.
        const bool busy = QApplication::overrideCursor() != nullptr;
        if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
        const int button = box.exec();
        if (busy) QApplication::restoreOverrideCursor();
        return Result(button);
    });
}

}  // namespace zvk::ui
