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

ChildWnd::ChildWnd(const ChildInfo& info, FrameWnd& frame) : info_(info), frame_(frame) {
    setWindowTitle(
        QString::fromLatin1(info.title.data(), static_cast<qsizetype>(info.title.size())));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    // The view fills the whole window.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void ChildWnd::HandleCommand(int id) { received_.push_back(id); }

void ChildWnd::SetTopAddress(std::uint16_t address) { topAddress_ = address; }

void ChildWnd::closeEvent(QCloseEvent* event) {
    closing_ = true;
    event->accept();
}

}  // namespace zvk::ui
