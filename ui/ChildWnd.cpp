#include "ui/ChildWnd.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace zvk::ui {

const ChildInfo* FindChild(CommandId opener) {
    for (const ChildInfo& info : kChildWindows) {
        if (info.opener == opener) return &info;
    }
    return nullptr;
}

ChildWnd::ChildWnd(const ChildInfo& info) : info_(info), text_(new QLabel(this)) {
    setWindowTitle(
        QString::fromLatin1(info.title.data(), static_cast<qsizetype>(info.title.size())));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    auto* layout = new QVBoxLayout(this);
    text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text_);
    App().*info_.handle = this;
    ShowState();
}

ChildWnd::~ChildWnd() { Unregister(); }

void ChildWnd::HandleCommand(int id) {
    received_.push_back(id);
    ShowState();
}

void ChildWnd::SetTopAddress(std::uint16_t address) {
    topAddress_ = address;
    ShowState();
}

void ChildWnd::closeEvent(QCloseEvent* event) {
    // The window is gone for everybody from here on, even though Qt deletes
    // it only later.
    Unregister();
    event->accept();
}

void ChildWnd::Unregister() {
    if (App().*info_.handle == this) App().*info_.handle = nullptr;
}

void ChildWnd::ShowState() {
    QString text = QString("%1\nFirst address shown: %2H")
                       .arg(windowTitle(), QString::asprintf("%04X", topAddress_));
    if (!received_.empty()) text += QString("\nLast command: %1").arg(received_.back());
    text_->setText(text);
}

}  // namespace zvk::ui
