#include "ui/ProgramWnd.h"

#include <QAction>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Messages.h"
#include "mcs51/ProgramLine.h"
#include "ui/DialogHelpers.h"
#include "ui/FindDlg.h"
#include "ui/FrameWnd.h"
#include "ui/ProgramLineDlg.h"
#include "ui/StatusBar.h"
#include "ui/ToolBar.h"

namespace zvk::ui {

using namespace zvk::views;
namespace {

// The first address shown outlives the view, so that it opens again where
// it was left.
std::uint16_t lastTopAddress = 0;

// Rows are taller than the font by this much, the text centred in them.
constexpr int kRowPadding = 8;
constexpr int kWheelLines = 3;
constexpr int kSizeHintColumns = 66;
constexpr int kSizeHintRows = 20;
// The columns a double click acts on: the address, and the instruction.
constexpr int kAddressFirstColumn = 2;
constexpr int kAddressLastColumn = 5;
constexpr int kInstructionColumn = 27;

struct PopupItem {
    const char* text;
    int id;
};
constexpr PopupItem kPopupItems[] = {
    {"Edit Instruction", kCmdEditInstruction},
    {"Enter Program", kCmdEnterProgramHere},
    {"Set Address", kCmdSetAddress},
};

// The keys and the scroll bar requests that move the view by a line or a page.
struct ScrollStep {
    int key;
    int action;
    void (DisassemblyArea::*move)();
};
constexpr ScrollStep kScrollSteps[] = {
    {Qt::Key_Up, QAbstractSlider::SliderSingleStepSub, &DisassemblyArea::LineUp},
    {Qt::Key_Down, QAbstractSlider::SliderSingleStepAdd, &DisassemblyArea::LineDown},
    {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub, &DisassemblyArea::PageUp},
    {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd, &DisassemblyArea::PageDown},
};

template <typename Match>
const ScrollStep* FindStep(Match match) {
    for (const ScrollStep& step : kScrollSteps) {
        if (match(step)) return &step;
    }
    return nullptr;
}

QColor ToQColor(Colour colour) { return QColor(colour.red, colour.green, colour.blue); }

}  // namespace

DisassemblyArea::DisassemblyArea(QWidget* parent, std::function<void(int id)> command)
    : QAbstractScrollArea(parent),
      command_(std::move(command)),
      font_(QFontDatabase::systemFont(QFontDatabase::FixedFont)),
      popup_(new QMenu("Selection", this)) {
    // Crisp glyphs in exactly the colours of their words.
    font_.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font_);
    charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    lineHeight_ = metrics.height() + metrics.leading() + kRowPadding;
    ascent_ = metrics.ascent();

    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnVerticalAction(action); });

    for (const PopupItem& item : kPopupItems) {
        QAction* action = popup_->addAction(item.text);
        action->setData(item.id);
    }
    view_.MoveTo(lastTopAddress <= App().FlashLastAddress ? lastTopAddress : 0);
}

void DisassemblyArea::MoveTo(std::uint16_t address) {
    view_.MoveTo(address);
    RedrawAll();
}

void DisassemblyArea::Reload() {
    view_.Reload();
    RedrawAll();
}

void DisassemblyArea::ResetVerticalRange() {
    const int rows = std::max(view_.LineCount(), 1);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, App().FlashLastAddress + 2 - rows));
    bar->setPageStep(rows);
    SyncVertical();
}

void DisassemblyArea::SyncVertical() {
    verticalScrollBar()->setValue(view_.TopAddress());
    lastTopAddress = view_.TopAddress();
    if (topListener_) topListener_(view_.TopAddress());
}

void DisassemblyArea::RedrawAll() {
    viewport()->update();
    SyncVertical();
}

QRect DisassemblyArea::RowRect(int row) const {
    return {0, row * lineHeight_, viewport()->width(), lineHeight_};
}

void DisassemblyArea::ScrollRows(int direction) {
    // Only the new row is drawn; the others move as pixels.
    const int rows = view_.LineCount();
    const QRect band(0, lineHeight_, viewport()->width(), (rows - 1) * lineHeight_);
    viewport()->scroll(0, direction * lineHeight_, band);
    viewport()->update(RowRect(direction > 0 ? 1 : rows - 1));
}

void DisassemblyArea::LineUp() {
    if (view_.LineUp()) ScrollRows(+1);
    SyncVertical();
}

void DisassemblyArea::LineDown() {
    if (view_.LineDown()) ScrollRows(-1);
    SyncVertical();
}

void DisassemblyArea::PageUp() {
    if (view_.PageUp()) viewport()->update();
    SyncVertical();
}

void DisassemblyArea::PageDown() {
    if (view_.PageDown()) viewport()->update();
    SyncVertical();
}

void DisassemblyArea::TrackTo(int position) {
    MoveTo(static_cast<std::uint16_t>(std::clamp(position, 0, 0xFFFF)));
}

void DisassemblyArea::BeginEntry(std::uint16_t address) {
    view_.BeginEntry(address);
    RedrawAll();
}

void DisassemblyArea::EntryLineStored() {
    if (view_.EntryLineStored()) {
        ScrollRows(-1);
    } else {
        viewport()->update();
    }
    SyncVertical();
}

void DisassemblyArea::EndEntry() {
    view_.EndEntry();
    RedrawAll();
}

void DisassemblyArea::OnVerticalAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderToMinimum ||
        action == QAbstractSlider::SliderToMaximum) {
        TrackTo(bar->sliderPosition());
        return;
    }
    const ScrollStep* step = FindStep([action](const ScrollStep& s) { return s.action == action; });
    if (step == nullptr) return;
    (this->*step->move)();
    // The bar shows where the view went, not where the bar would have gone.
    bar->setSliderPosition(view_.TopAddress());
}

QSize DisassemblyArea::sizeHint() const {
    // Room for the longest line and a screenful of code.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return {kSizeHintColumns * charWidth_ + bar, kSizeHintRows * lineHeight_ + bar};
}

void DisassemblyArea::resizeEvent(QResizeEvent*) {
    const QSize size = viewport()->size();
    const int rows = size.height() / lineHeight_;
    columnCount_ = size.width() / charWidth_;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, kDisassemblyTextWidth + 1 - columnCount_));
    horizontal->setPageStep(std::max(columnCount_, 1));
    // The buffer may have changed while the view was not told; a new size
    // is a fresh look at it, whether or not the rows changed.
    if (rows != view_.LineCount()) {
        view_.SetLineCount(rows);
    } else {
        view_.Reload();
    }
    ResetVerticalRange();
    viewport()->update();
}

void DisassemblyArea::scrollContentsBy(int dx, int) {
    // Vertical moves are the view's own; only the columns move as pixels.
    if (dx != 0) viewport()->scroll(dx * charWidth_, 0);
}

void DisassemblyArea::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, Qt::white);
    painter.setFont(font_);
    const int x = -horizontalScrollBar()->value() * charWidth_;
    const int firstRow = dirty.top() / lineHeight_;
    const int lastRow = std::min(dirty.bottom() / lineHeight_, view_.LineCount() - 1);
    for (int row = firstRow; row <= lastRow; ++row) PaintRow(painter, row, x);
}

void DisassemblyArea::PaintRow(QPainter& painter, int row, int x) const {
    const int top = row * lineHeight_;
    const int baseline = top + kRowPadding / 2 + ascent_;
    if (row == 0) {
        QString header =
            QString::fromLatin1(kDisassemblyHeaderTitles.data(),
                                static_cast<qsizetype>(kDisassemblyHeaderTitles.size()));
        header = header.leftJustified(kDisassemblyHeaderLength, ' ');
        painter.fillRect(x, top, kDisassemblyHeaderLength * charWidth_, lineHeight_,
                         ToQColor(kHeaderBackground));
        painter.setPen(ToQColor(kHeaderText));
        painter.drawText(x, baseline, header);
        return;
    }
    const DisassemblyView::Row& line = view_.RowAt(row);
    if (!line.shown) return;
    for (const LinePiece& piece : ColourPieces(line.text)) {
        painter.setPen(ToQColor(piece.colour));
        painter.drawText(
            x + piece.column * charWidth_, baseline,
            QString::fromLatin1(piece.text.data(), static_cast<qsizetype>(piece.text.size())));
    }
}

void DisassemblyArea::keyPressEvent(QKeyEvent* event) {
    // Every other key is taken and does nothing.
    const int key = event->key();
    const ScrollStep* step = FindStep([key](const ScrollStep& s) { return s.key == key; });
    if (step != nullptr) (this->*step->move)();
    event->accept();
}

void DisassemblyArea::wheelEvent(QWheelEvent* event) {
    // A notch of the wheel moves three instructions.
    wheelRemainder_ += event->angleDelta().y();
    while (wheelRemainder_ >= 120) {
        wheelRemainder_ -= 120;
        for (int i = 0; i < kWheelLines; ++i) LineUp();
    }
    while (wheelRemainder_ <= -120) {
        wheelRemainder_ += 120;
        for (int i = 0; i < kWheelLines; ++i) LineDown();
    }
    event->accept();
}

void DisassemblyArea::StoreClick(const QPoint& position) {
    clickColumn_ = position.x() / charWidth_;
    clickRow_ = position.y() / lineHeight_;
}

void DisassemblyArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) return;
    StoreClick(event->position().toPoint());
    // No menu on the header, nor on the blank rows below the code.
    if (!view_.RowAddress(clickRow_)) return;
    const QPoint at = event->globalPosition().toPoint();
    QAction* chosen = menuRunner_ ? menuRunner_(*popup_, at) : popup_->exec(at);
    if (chosen != nullptr) command_(chosen->data().toInt());
}

void DisassemblyArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    StoreClick(event->position().toPoint());
    if (!view_.RowAddress(clickRow_)) return;
    const int column = clickColumn_ + horizontalScrollBar()->value();
    if (column >= kAddressFirstColumn && column <= kAddressLastColumn) {
        command_(kCmdSetAddress);
    } else if (column >= kInstructionColumn) {
        // The dialog opens once the double click is over.
        QTimer::singleShot(0, this, [this] { command_(kCmdEditInstruction); });
    }
}

ProgramWnd::ProgramWnd(const ChildInfo& info, FrameWnd& frame)
    : ChildWnd(info, frame),
      area_(new DisassemblyArea(this, [this](int id) { HandleCommand(id); })) {
    layout()->addWidget(area_);
    setFocusProxy(area_);
    area_->SetTopListener([this](std::uint16_t top) { ChildWnd::SetTopAddress(top); });
    ChildWnd::SetTopAddress(area_->View().TopAddress());
    // Instructions run across rows: any change of the Flash buffer may move
    // what the rows show.
    flashChanges_ = SubscribeBufferChanges([this](const BufferChange& change) {
        if (change.kind == BufferKind::Flash) area_->Reload();
    });
}

ProgramWnd::~ProgramWnd() = default;

void ProgramWnd::HandleCommand(int id) {
    switch (id) {
        case kCmdSetAddress:
            if (const auto row = area_->View().RowAddress(area_->ClickRow())) GoToAddress(*row);
            return;
        case kCmdGoTo:
            GoToAddress(area_->View().TopAddress());
            return;
        case kCmdFind:
        case kCmdFindNext: {
            const std::uint32_t from = area_->View().TopAddress() + (id == kCmdFindNext ? 1u : 0u);
            if (const auto hit = FindInView(&Frame(), BufferKind::Flash, from, id == kCmdFind)) {
                area_->MoveTo(hit->address);
                ShowFindHit(*Frame().Status(), *hit);
            }
            return;
        }
        case kCmdEditInstruction:
            EditInstruction();
            return;
        case kCmdEnterProgramHere:
            EnterProgramHere();
            return;
        default:
            ChildWnd::HandleCommand(id);
    }
}

void ProgramWnd::SetTopAddress(std::uint16_t address) { area_->MoveTo(address); }

void ProgramWnd::ResetScroll() {
    area_->ResetVerticalRange();
    area_->Reload();
}

void ProgramWnd::GoToAddress(std::uint16_t offered) {
    App().EnteredAddress = offered;
    GetAddressDlg dialog(&Frame());
    if (RunFrameDialog(dialog) != QDialog::Accepted) return;
    if (App().EnteredAddress > App().FlashLastAddress) {
        ShowMessage(kAddressRangeMessage, "Address Error", MessageIcon::Stop);
        return;
    }
    area_->MoveTo(App().EnteredAddress);
}

void ProgramWnd::EditInstruction() {
    const std::optional<InstructionEdit> edit = area_->View().EditAt(area_->ClickRow());
    if (!edit) return;
    App().EnteredAddress = edit->address;
    std::string line = edit->text;
    for (;;) {
        EditProgramLineDlg dialog(&Frame(), line);
        if (RunFrameDialog(dialog) != QDialog::Accepted) return;
        line = dialog.Text();
        const LinePlan plan = area_->View().StoreEdit(*edit, line);
        switch (plan.outcome) {
            case LineOutcome::Blank:
            case LineOutcome::Unchanged:
                // Nothing typed, or the offered line stored as it was: the
                // instruction stays as it is, byte for byte.
                return;
            case LineOutcome::AsmError:
                ShowMessage(plan.message, "Error", MessageIcon::Stop);
                continue;
            case LineOutcome::Longer:
            case LineOutcome::DoesNotFit:
                ShowMessage(kLongerInstructionMessage, "Error", MessageIcon::Stop);
                continue;
            case LineOutcome::Store:
                break;
        }
        if (plan.nopsAdded) ShowMessage(kNopAddedMessage, "Warning", MessageIcon::Warning);
        // The store announced its bytes: this view and the Flash editor
        // have reloaded.
        return;
    }
}

void ProgramWnd::EnterProgramHere() {
    const std::optional<std::uint16_t> address = area_->View().RowAddress(area_->ClickRow());
    if (!address) return;
    App().EnteredAddress = *address;
    EnterProgram(Frame(), false);
}

void ProgramWnd::showEvent(QShowEvent* event) {
    ChildWnd::showEvent(event);
    if (watchingActivation_) return;
    if (auto* window = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        watchingActivation_ = true;
        connect(window, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates before, Qt::WindowStates now) {
                    const bool was = before.testFlag(Qt::WindowActive);
                    const bool is = now.testFlag(Qt::WindowActive);
                    if (was != is) Activated(is);
                });
        if (window->windowState().testFlag(Qt::WindowActive)) Activated(true);
    }
}

void ProgramWnd::Activated(bool active) {
    if (FrameToolBar* toolBar = Frame().ToolBar()) {
        if (active) {
            toolBar->PressButton(CommandId::Disassembly);
        } else if (QAction* button = toolBar->Button(CommandId::Disassembly)) {
            button->setChecked(false);
        }
    }
    if (!active) Frame().Status()->SetPaneText(0, "Ready");
}

ProgramWnd* OpenDisassemblyView(const FrameWnd& frame) {
    return dynamic_cast<ProgramWnd*>(frame.Child(CommandId::Disassembly));
}

ChildWnd* CreateDisassemblyWindow(const ChildInfo& info, FrameWnd& frame) {
    return new ProgramWnd(info, frame);
}

}  // namespace zvk::ui
