#include "ui/ChildWnd.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace zvk::ui {

const ChildInfo* FindChild(CommandId opener) {
    for (const ChildInfo& info : kChildWindows) {
        if (info.opener == opener) return &info;
    }
    return nullptr;
}

ChildWnd::ChildWnd(const ChildInfo& info) : info_(info) {
    setWindowTitle(
        QString::fromLatin1(info.title.data(), static_cast<qsizetype>(info.title.size())));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    // The view fills the whole window.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    App().*info_.handle = this;
}

ChildWnd::~ChildWnd() { Unregister(); }

void ChildWnd::HandleCommand(int id) { received_.push_back(id); }

void ChildWnd::SetTopAddress(std::uint16_t address) { topAddress_ = address; }

void ChildWnd::closeEvent(QCloseEvent* event) {
    // The window is gone for everybody from here on, even though Qt deletes
    // it only later.
    Unregister();
    event->accept();
}

void ChildWnd::Unregister() {
    if (App().*info_.handle == this) App().*info_.handle = nullptr;
}

}  // namespace zvk::ui
