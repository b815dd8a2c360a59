#include "ui/HexEditWnd.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <array>

#include "app/AppState.h"
#include "ui/DialogHelpers.h"
#include "ui/FileQuestion.h"
#include "ui/FindDlg.h"
#include "ui/FrameWnd.h"
#include "ui/StatusBar.h"

namespace zvk::ui {

using namespace zvk::views;
namespace {

// Colours of the origin marks, indexed by ByteOrigin.
constexpr std::array<QRgb, 4> kOriginColours{
    qRgb(0, 0, 0),    // OriginNone
    qRgb(0, 0, 255),  // OriginFile
    qRgb(255, 0, 0),  // OriginEdited
    qRgb(0, 128, 0),  // OriginDevice
};

struct KeyBinding {
    int key;
    HexKey action;
};
constexpr KeyBinding kKeyBindings[] = {
    {Qt::Key_PageUp, HexKey::PageUp}, {Qt::Key_PageDown, HexKey::PageDown},
    {Qt::Key_Home, HexKey::Home},     {Qt::Key_End, HexKey::End},
    {Qt::Key_Left, HexKey::Left},     {Qt::Key_Right, HexKey::Right},
    {Qt::Key_Up, HexKey::Up},         {Qt::Key_Down, HexKey::Down},
};

struct SliderBinding {
    QAbstractSlider::SliderAction action;
    ScrollRequest request;
};
constexpr SliderBinding kSliderBindings[] = {
    {QAbstractSlider::SliderSingleStepSub, ScrollRequest::LineUp},
    {QAbstractSlider::SliderSingleStepAdd, ScrollRequest::LineDown},
    {QAbstractSlider::SliderPageStepSub, ScrollRequest::PageUp},
    {QAbstractSlider::SliderPageStepAdd, ScrollRequest::PageDown},
    {QAbstractSlider::SliderMove, ScrollRequest::Track},
    {QAbstractSlider::SliderToMinimum, ScrollRequest::ToStart},
    {QAbstractSlider::SliderToMaximum, ScrollRequest::ToEnd},
};

// The characters a key types. With Ctrl a letter (and @ [ \ ] ^ _) is its
// control character, whether the platform sends it so or as the letter; other
// keys with Ctrl type nothing. Keys with Alt or Meta are the menus' and type
// nothing either, but for AltGr, which Windows reports as Ctrl+Alt: it makes
// characters such as @, \ and { on many keyboards, and they are typed.
QString TypedText(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const QString text = event.text();
    if ((modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ==
        (Qt::ControlModifier | Qt::AltModifier)) {
        return text.size() == 1 && text.front().isPrint() ? text : QString();
    }
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) return {};
    if (!(modifiers & Qt::ControlModifier) || text.size() != 1) return text;
    const char16_t c = text.front().unicode();
    if (c < 0x20) return text;
    if (c >= 0x40 && c < 0x80) return QString(QChar(c & 0x1F));
    return {};
}

// The frame's keys for Find, Locate, Undo and Redo in the buffer windows.
bool IsViewKey(const QKeyEvent& event) {
    const QKeySequence pressed(event.keyCombination());
    return pressed == QKeySequence(Qt::CTRL | Qt::Key_F) ||
           pressed == QKeySequence(Qt::CTRL | Qt::Key_G) ||
           pressed == QKeySequence(Qt::CTRL | Qt::Key_Z) ||
           pressed == QKeySequence(Qt::CTRL | Qt::Key_Y) ||
           pressed == QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

// Editors live and die with their windows; what they remember outlives them.
HexEditorState flashEditorState;
HexEditorState eepromEditorState;

}  // namespace

QColor OriginColour(ByteOrigin origin) {
    return QColor(kOriginColours[static_cast<std::size_t>(origin) % kOriginColours.size()]);
}

// The rows, the caret and the scroll bars of one editor.
class HexView final : public QAbstractScrollArea {
  public:
    HexView(HexEditWnd& window, HexEditor& editor)
        : QAbstractScrollArea(&window),
          window_(window),
          editor_(editor),
          font_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
        const QFontMetrics metrics(font_);
        charWidth_ = std::max(metrics.averageCharWidth(), 1);
        ascent_ = metrics.ascent();
        lineHeight_ = metrics.height() + metrics.leading() + 8;
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setCursor(Qt::ArrowCursor);
        viewport()->setAutoFillBackground(false);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        verticalScrollBar()->setSingleStep(1);
        horizontalScrollBar()->setSingleStep(1);
        connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
                [this](int action) { OnSlider(*verticalScrollBar(), action, true); });
        connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
                [this](int action) { OnSlider(*horizontalScrollBar(), action, false); });
        blink_.setInterval(std::max(QApplication::cursorFlashTime() / 2, 100));
        connect(&blink_, &QTimer::timeout, this, [this] {
            caretShown_ = !caretShown_;
            viewport()->update(CaretRect());
        });
    }

    [[nodiscard]] int CharWidth() const { return charWidth_; }
    [[nodiscard]] int LineHeight() const { return lineHeight_; }

    QSize sizeHint() const override {
        return {(kRowColumns + 2) * charWidth_ + verticalScrollBar()->sizeHint().width(),
                16 * lineHeight_ + horizontalScrollBar()->sizeHint().height()};
    }

    // The scroll bars follow the editor's positions and ranges.
    void SyncScrollBars() {
        QScrollBar* v = verticalScrollBar();
        v->setRange(0, editor_.VerticalMaximum());
        v->setPageStep(std::max(editor_.RowCount(), 1));
        v->setValue(editor_.VerticalPosition());
        QScrollBar* h = horizontalScrollBar();
        h->setRange(0, editor_.HorizontalMaximum());
        h->setPageStep(std::max(editor_.VisibleColumns(), 1));
        h->setValue(editor_.HorizontalPosition());
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        editor_.Resize(viewport()->height() / lineHeight_, viewport()->width() / charWidth_);
        window_.Refresh(false);
    }

    void scrollContentsBy(int, int) override { viewport()->update(); }

    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), Qt::white);
        painter.setFont(font_);
        const int left = -editor_.HorizontalPosition() * charWidth_;
        const int firstRow = std::max(event->rect().top() / lineHeight_, 0);
        const int endRow = std::min(event->rect().bottom() / lineHeight_ + 1, editor_.RowCount());
        for (int row = firstRow; row < endRow; ++row) {
            const QString text = QString::fromLatin1(editor_.RowText(row));
            const int baseline = row * lineHeight_ + ascent_;
            painter.setPen(Qt::black);
            painter.drawText(left + kAddressColumn * charWidth_, baseline,
                             text.mid(kAddressColumn, 4));
            for (int k = 0; k < kBytesPerRow; ++k) {
                painter.setPen(OriginColour(editor_.Origin(row * kBytesPerRow + k)));
                const int hex = kFirstHexColumn + 4 * k;
                painter.drawText(left + hex * charWidth_, baseline, text.mid(hex, 2));
                const int character = kFirstCharColumn + k;
                painter.drawText(left + character * charWidth_, baseline, text.mid(character, 1));
            }
        }
        if (hasFocus() && caretShown_) {
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            painter.fillRect(CaretRect(), Qt::white);
        }
    }

    void focusInEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusInEvent(event);
        caretShown_ = true;
        blink_.start();
        viewport()->update();
        window_.ShowEditAddress();
    }

    void focusOutEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusOutEvent(event);
        blink_.stop();
        viewport()->update();
    }

    // Tab is a character to type, not a way out.
    bool focusNextPrevChild(bool) override { return false; }

    bool event(QEvent* event) override {
        // In the character area a key that types a character is typed, even
        // one that is also a shortcut (Ctrl+W is byte 17 here).
        // Ctrl+F, Ctrl+G, Ctrl+Z and Ctrl+Y stay the keys of Find, Locate,
        // Undo and Redo there too; their bytes can be typed in the hex area.
        if (event->type() == QEvent::ShortcutOverride && !editor_.InHexArea() &&
            !IsViewKey(*static_cast<QKeyEvent*>(event)) &&
            !TypedText(*static_cast<QKeyEvent*>(event)).isEmpty()) {
            event->accept();
            return true;
        }
        return QAbstractScrollArea::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        event->accept();
        for (const KeyBinding& binding : kKeyBindings) {
            if (binding.key == event->key()) {
                editor_.Key(binding.action);
                AfterInput();
                return;
            }
        }
        // Delete names no character of its own.
        if (event->key() == Qt::Key_Delete) return;
        bool typed = false;
        for (char32_t c : TypedText(*event).toUcs4()) typed = editor_.Type(c) || typed;
        if (!typed) return;
        AfterInput();
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QPoint at = event->position().toPoint();
        editor_.Click(ColumnAt(at.x()), at.y() / lineHeight_);
        AfterInput();
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QPoint at = event->position().toPoint();
        if (editor_.AddressDoubleClick(ColumnAt(at.x()), at.y() / lineHeight_)) {
            window_.Locate();
        } else {
            mousePressEvent(event);
        }
    }

  private:
    [[nodiscard]] int ColumnAt(int x) const {
        return x / charWidth_ + editor_.HorizontalPosition();
    }

    [[nodiscard]] QRect CaretRect() const {
        return {(editor_.CaretColumn() - editor_.HorizontalPosition()) * charWidth_,
                editor_.CaretRow() * lineHeight_, charWidth_, lineHeight_ - 7};
    }

    void AfterInput() {
        // The caret shows at once after it moved.
        caretShown_ = true;
        if (blink_.isActive()) blink_.start();
        window_.Refresh();
    }

    void OnSlider(QScrollBar& bar, int action, bool vertical) {
        for (const SliderBinding& binding : kSliderBindings) {
            if (binding.action != action) continue;
            const int track = bar.sliderPosition();
            if (vertical) {
                editor_.ScrollVertical(binding.request, track);
            } else {
                editor_.ScrollHorizontal(binding.request, track);
            }
            bar.setSliderPosition(vertical ? editor_.VerticalPosition()
                                           : editor_.HorizontalPosition());
            window_.Refresh();
            return;
        }
    }

    HexEditWnd& window_;
    HexEditor& editor_;
    QFont font_;
    int charWidth_ = 1;
    int lineHeight_ = 1;
    int ascent_ = 0;
    QTimer blink_;
    bool caretShown_ = true;
};

HexEditWnd::HexEditWnd(const ChildInfo& info, FrameWnd& frame, const HexEditorKind& kind,
                       HexEditorState& state)
    : ChildWnd(info, frame), editor_(kind, state), view_(new HexView(*this, editor_)) {
    layout()->addWidget(view_);
    setFocusProxy(view_);
    ChildWnd::SetTopAddress(editor_.TopAddress());
    bufferChanges_ =
        SubscribeBufferChanges([this](const BufferChange& change) { OnBufferChange(change); });
    if (QMdiArea* client = frame.Client()) {
        // The frame writes "Ready" whenever the active window changes; an
        // editor coming forward puts its address back once the frame is done.
        connect(client, &QMdiArea::subWindowActivated, this, [this, client](QMdiSubWindow* window) {
            if (window == nullptr || window->widget() != this) return;
            QTimer::singleShot(0, this, [this, client] {
                const QMdiSubWindow* active = client->activeSubWindow();
                if (active != nullptr && active->widget() == this) ShowEditAddress();
            });
        });
    }
}

QAbstractScrollArea* HexEditWnd::View() const { return view_; }
QWidget* HexEditWnd::Canvas() const { return view_->viewport(); }
int HexEditWnd::CharWidth() const { return view_->CharWidth(); }
int HexEditWnd::LineHeight() const { return view_->LineHeight(); }

void HexEditWnd::HandleCommand(int id) {
    ChildWnd::HandleCommand(id);
    switch (id) {
        case kCmdGoTo:
            Locate();
            return;
        case kCmdFind:
        case kCmdFindNext: {
            const std::uint32_t from = editor_.EditingAddress() + (id == kCmdFindNext ? 1u : 0u);
            if (const auto hit =
                    FindInView(&Frame(), editor_.Kind().buffer, from, id == kCmdFind)) {
                editor_.ShowAt(hit->address, LastFindQuery().text);
                Refresh();
                ShowFindHit(*Frame().Status(), *hit);
            }
            return;
        }
        default:
            return;
    }
    Refresh(false);
}

void HexEditWnd::OnBufferChange(const BufferChange& change) {
    if (editor_.Follow(change)) Refresh(false);
}

void HexEditWnd::ResetScroll() {
    if (!editor_.Kind().handlesResetScroll) return;
    editor_.ResetScroll();
    editor_.Reload();
    Refresh(false);
}

void HexEditWnd::SetTopAddress(std::uint16_t address) {
    editor_.SetTopAddress(address);
    ChildWnd::SetTopAddress(editor_.TopAddress());
}

void HexEditWnd::Locate() {
    if (!AskAddress(&Frame())) return;
    editor_.Locate(App().EnteredAddress);
    Refresh();
}

void HexEditWnd::Refresh(bool showAddress) {
    view_->SyncScrollBars();
    if (TopAddress() != editor_.TopAddress()) ChildWnd::SetTopAddress(editor_.TopAddress());
    view_->viewport()->update();
    if (showAddress) ShowEditAddress();
}

void HexEditWnd::ShowEditAddress() {
    Frame().Status()->SetPaneText(
        0, QString::fromStdString(EditAddressText(editor_.EditingAddress())));
}

void HexEditWnd::closeEvent(QCloseEvent* event) {
    ChildWnd::closeEvent(event);
    Frame().Status()->SetPaneText(0, "Ready");
}

FlashEditWnd::FlashEditWnd(const ChildInfo& info, FrameWnd& frame)
    : HexEditWnd(info, frame, kFlashEditorKind, flashEditorState) {}

EepromEditWnd::EepromEditWnd(const ChildInfo& info, FrameWnd& frame)
    : HexEditWnd(info, frame, kEepromEditorKind, eepromEditorState) {
    setAcceptDrops(true);
}

void EepromEditWnd::dragEnterEvent(QDragEnterEvent* event) { (void)DroppedFile(event); }

void EepromEditWnd::dragMoveEvent(QDragMoveEvent* event) { (void)DroppedFile(event); }

void EepromEditWnd::dropEvent(QDropEvent* event) {
    if (const auto path = DroppedFile(event)) {
        Frame().OpenFileLater(BufferKind::Eeprom, *path, true);
    }
}

ChildWnd* CreateFlashEditWindow(const ChildInfo& info, FrameWnd& frame) {
    return new FlashEditWnd(info, frame);
}
ChildWnd* CreateEepromEditWindow(const ChildInfo& info, FrameWnd& frame) {
    return new EepromEditWnd(info, frame);
}

}  // namespace zvk::ui
