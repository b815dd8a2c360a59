#include "ui/ProgressDialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtMath>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "ui/DialogHelpers.h"
#include "ui/FileQuestion.h"

namespace zvk::ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The bar works in int; positions beyond its range are clamped by Qt anyway.
void RenderBar(QProgressBar* bar, std::uint32_t minimum, std::uint32_t maximum,
               std::uint32_t position) {
    bar->setRange(static_cast<int>(minimum), static_cast<int>(maximum));
    bar->setValue(static_cast<int>(position));
}

QLabel* AddRow(QGridLayout* grid, const QString& label, QWidget* parent,
               QLabel** labelOut = nullptr) {
    const int row = grid->rowCount();
    auto* name = new QLabel(label, parent);
    auto* value = new QLabel(parent);
    value->setMinimumWidth(60);
    grid->addWidget(name, row, 0);
    grid->addWidget(value, row, 1);
    if (labelOut != nullptr) *labelOut = name;
    return value;
}

// The columns of the findings list (" %04X\t\t%02X\t\t%02X"), in characters of
// its fixed-pitch font with a tab stop every kListTabColumns characters, and
// the heading over each.
constexpr int kListTabColumns = 8;
struct ListColumn {
    const char* heading;
    int column;
};
constexpr ListColumn kVerifyColumns[] = {{"Address", 1}, {"Device Data", 16}, {"Buffer Data", 32}};
constexpr ListColumn kBlankCheckColumns[] = {{"Address", 1}, {"Device Data", 16}};
// Room for the last heading behind its column.
constexpr int kLastHeadingColumns = 12;

// Headings over a list of fixed-pitch lines, each where its column starts in
// the list, wherever the layout puts the two.
class ListHeadings final : public QWidget {
  public:
    ListHeadings(QWidget* parent, QPlainTextEdit* list, std::span<const ListColumn> columns)
        : QWidget(parent), list_(list) {
        int height = 0;
        for (const ListColumn& c : columns) {
            auto* label = new QLabel(c.heading, this);
            height = std::max(height, label->sizeHint().height());
            labels_.push_back({label, c.column});
        }
        setFixedHeight(height);
        list_->installEventFilter(this);
    }

  protected:
    void resizeEvent(QResizeEvent*) override { Place(); }
    void showEvent(QShowEvent*) override { Place(); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize) Place();
        return false;
    }

  private:
    void Place() {
        // Where the list draws the first character of a line.
        const QPoint first = list_->cursorRect(QTextCursor(list_->document())).topLeft();
        const int origin = mapFrom(window(), list_->viewport()->mapTo(window(), first)).x();
        const qreal advance = QFontMetricsF(list_->font()).horizontalAdvance(QLatin1Char(' '));
        for (const auto& [label, column] : labels_) {
            label->resize(label->sizeHint());
            label->move(origin + qRound(column * advance), 0);
        }
    }

    QPlainTextEdit* list_;
    std::vector<std::pair<QLabel*, int>> labels_;
};

// Program and Auto cannot be stopped half-way: no close box in the title bar.
void WithoutCloseBox(QDialog* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

}  // namespace

JobDialog::JobDialog(QWidget* parent, Job& job, const QString& stopText)
    : QDialog(parent),
      job_(job),
      stop_(new QPushButton(stopText, this)),
      progress_(new QProgressBar(this)),
      floor_(new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed)) {
    progress_->setTextVisible(false);
    connect(stop_, &QPushButton::clicked, this, [this] { driver_->Cancel(); });
}

void JobDialog::Drive(std::function<bool()> staysOpen) {
    // The width the dialog asked for, kept once the layout sizes it.
    Widen(minimumWidth());
    static_cast<QBoxLayout*>(layout())->addSpacerItem(floor_);
    driver_ = new JobDriver(
        *this, job_,
        [this] {
            Render();
            FitContents();
        },
        std::move(staysOpen));
    FitContents();
}

void JobDialog::FitContents() {
    // The job writes its texts as it starts, after the dialog was first laid
    // out: until it shows, the dialog takes the size they need and is centred
    // again. Its layout keeps it at that size (no window manager offers to
    // maximise it), and once it shows it gets no narrower, so that it does
    // not jump about.
    if (isVisible()) {
        Widen(width());
        // A dialog left resizable grows by hand.
        const QSize needed = sizeHint().expandedTo(minimumSizeHint());
        if (needed.width() > width() || needed.height() > height()) {
            resize(size().expandedTo(needed));
        }
        return;
    }
    adjustSize();
    CenterDialog(this, parentWidget());
}

void JobDialog::Widen(int width) {
    const QMargins margins = layout() != nullptr ? layout()->contentsMargins() : QMargins();
    const int inner = width - margins.left() - margins.right();
    if (inner <= floor_->sizeHint().width()) return;
    floor_->changeSize(inner, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (layout() != nullptr) layout()->invalidate();
}

void JobDialog::AddProgressLines(QVBoxLayout* layout) {
    status_ = new QLabel(this);
    percentage_ = new QLabel(this);
    layout->addWidget(status_);
    auto* bar = new QHBoxLayout;
    bar->addWidget(progress_, 1);
    bar->addWidget(percentage_);
    layout->addLayout(bar);
}

void JobDialog::reject() {
    if (stop_->isEnabled()) driver_->Cancel();
}

void JobDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void JobDialog::RenderDevice(const DeviceProgressModel& model) {
    setWindowTitle(Q(model.title));
    // Wide enough for the whole title beside the window manager's icon and
    // buttons, which would otherwise cut it ("Auto Programming Mode - AT8...").
    // Window managers draw titles larger and bolder than the dialog's text.
    QFont titleFont = font();
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    Widen(title.horizontalAdvance(windowTitle()) * 5 / 4 + 6 * title.height() + 16);
    status_->setText(Q(model.status));
    percentage_->setText(Q(model.percentage));
    RenderBar(progress_, model.progress.minimum, model.progress.maximum, model.progress.position);
    stop_->setEnabled(model.closeEnabled);
    if (model.closeFocused && model.closeEnabled) {
        stop_->setDefault(true);
        stop_->setFocus();
    }
}

FileProgressDialog::FileProgressDialog(QWidget* parent, Job& job, const ProgressModel& model,
                                       const QString& cancelText)
    : JobDialog(parent, job, cancelText), model_(model), label_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(progress_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop_);
    buttons->addStretch();
    layout->addLayout(buttons);
    label_->setMinimumWidth(260);
    Render();
    Drive();
}

void FileProgressDialog::Render() {
    setWindowTitle(Q(model_.title));
    label_->setText(Q(model_.label));
    RenderBar(progress_, 0, model_.progressMax, model_.progressPos);
}

LoadDetailsDialog::LoadDetailsDialog(QWidget* parent, const LoadDetailsModel& model)
    : QDialog(parent),
      headline_(new QLabel(Q(model.headline), this)),
      details_(new QPlainTextEdit(this)) {
    setWindowTitle("File Loading Details");
    LetResize(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headline_);
    layout->addWidget(new QLabel("Loading Details:", this));
    QStringList lines;
    for (const std::string& entry : LoadDetailsEntries(model.details)) lines.append(Q(entry));
    details_->setReadOnly(true);
    details_->setPlainText(lines.join('\n'));
    details_->setMinimumSize(220, 120);
    layout->addWidget(details_);
    auto* ok = new QPushButton("&Ok", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    layout->addLayout(buttons);
    adjustSize();
    CenterDialog(this, parent);
}

ProgramDialog::ProgramDialog(QWidget* parent, ProgramJob& job)
    : JobDialog(parent, job, "&Close"), model_(job.model) {
    WithoutCloseBox(this);
    auto* layout = new QVBoxLayout(this);
    AddProgressLines(layout);
    auto* grid = new QGridLayout;
    eraseResult = AddRow(grid, "Chip Erase :", this, &eraseLabel);
    bytesProgrammed = AddRow(grid, "Number of bytes Programmed :", this);
    deviceStart = AddRow(grid, "Device Starting Address :", this);
    deviceEnd = AddRow(grid, "Device Ending Address  :", this);
    bufferStart = AddRow(grid, "Buffer Starting Address   :", this);
    verifyResult = AddRow(grid, "Verification :", this, &verifyLabel);
    layout->addLayout(grid);
    layout->addWidget(stop_, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
    Render();
    Drive([this] { return model_.staysOpen; });
}

void ProgramDialog::Render() {
    RenderDevice(model_);
    eraseLabel->setEnabled(model_.eraseLabelEnabled);
    eraseResult->setText(Q(model_.eraseResult));
    verifyLabel->setEnabled(model_.verifyLabelEnabled);
    verifyResult->setText(Q(model_.verifyResult));
    bytesProgrammed->setText(Q(model_.bytesProgrammed));
    deviceStart->setText(Q(model_.deviceStart));
    deviceEnd->setText(Q(model_.deviceEnd));
    bufferStart->setText(Q(model_.bufferStart));
}

ReadDialog::ReadDialog(QWidget* parent, ReadJob& job)
    : JobDialog(parent, job, "&Cancel"), model_(job.model) {
    auto* layout = new QVBoxLayout(this);
    AddProgressLines(layout);
    layout->addWidget(stop_, 0, Qt::AlignHCenter);
    setMinimumWidth(300);
    Render();
    Drive();
}

void ReadDialog::Render() { RenderDevice(model_); }

ScanDialog::ScanDialog(QWidget* parent, VerifyJob& job)
    : ScanDialog(parent, job, job.model, &job.model) {}

ScanDialog::ScanDialog(QWidget* parent, BlankCheckJob& job)
    : ScanDialog(parent, job, job.model, nullptr) {}

ScanDialog::ScanDialog(QWidget* parent, Job& job, const ScanModel& model, const VerifyModel* verify)
    : JobDialog(parent, job, "Close"), model_(model), verify_(verify) {
    LetResize(this);  // the list of differences may be long
    auto* layout = new QVBoxLayout(this);
    auto* history =
        new QGroupBox(verify != nullptr ? "Verification History:" : "BlankCheck History:", this);
    auto* grid = new QGridLayout(history);
    deviceStart = AddRow(grid, "Device Starting Address :", history);
    deviceEnd = AddRow(grid, "Device Ending Address  :", history);
    if (verify != nullptr) bufferStart = AddRow(grid, "Buffer Starting Address   :", history);
    layout->addWidget(history);

    // The lines keep their tabs, as the report stores them; the fixed-pitch
    // font and the tab stops put every field in its column under its heading.
    const std::span<const ListColumn> columns =
        verify != nullptr ? std::span<const ListColumn>(kVerifyColumns) : kBlankCheckColumns;
    list = new QPlainTextEdit(this);
    list->setReadOnly(true);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const qreal advance = QFontMetricsF(list->font()).horizontalAdvance(QLatin1Char(' '));
    list->setTabStopDistance(kListTabColumns * advance);
    const int textWidth = qCeil((columns.back().column + kLastHeadingColumns) * advance);
    list->setMinimumSize(
        std::max(verify != nullptr ? 320 : 240,
                 textWidth + list->verticalScrollBar()->sizeHint().width() +
                     2 * list->frameWidth() + 2 * qCeil(list->document()->documentMargin())),
        160);
    layout->addWidget(new ListHeadings(this, list, columns));
    layout->addWidget(list);

    AddProgressLines(layout);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (verify != nullptr) {
        storeButton = new QPushButton("Store to disk", this);
        connect(storeButton, &QPushButton::clicked, this, &ScanDialog::StoreToDisk);
        buttons->addWidget(storeButton);
    }
    buttons->addWidget(stop_);
    buttons->addStretch();
    layout->addLayout(buttons);
    Render();
    Drive([this] { return model_.staysOpen; });
}

QString ScanDialog::ListText() const { return list->toPlainText(); }

void ScanDialog::Render() {
    RenderDevice(model_);
    deviceStart->setText(Q(model_.deviceStart));
    deviceEnd->setText(Q(model_.deviceEnd));
    if (verify_ != nullptr) {
        bufferStart->setText(Q(verify_->bufferStart));
        storeButton->setEnabled(verify_->storeEnabled);
    }
    // The list only grows while the walk runs, so only new text is appended;
    // at the end it may be replaced by the one-line outcome.
    const std::string& text = model_.list;
    if (text.compare(0, shownList_.size(), shownList_) != 0) {
        shownList_.clear();
        list->clear();
    }
    if (text.size() > shownList_.size()) {
        QString added = Q(text.substr(shownList_.size()));
        added.remove('\r');
        list->moveCursor(QTextCursor::End);
        list->insertPlainText(added);
        shownList_ = text;
    }
}

void ScanDialog::StoreToDisk() {
    // The question opens on the report file chosen last, in this verify or
    // an earlier one.
    static QString lastReport;
    const auto path =
        AskFile(this, {.title = "SaveAs",
                       .filters = NameFilters(kVerifyReportFileQuestion.filters),
                       .defaultSuffix = QString::fromUtf8(kVerifyReportFileQuestion.defaultExtension),
                       .save = true,
                       .initialFile = lastReport});
    if (!path) return;
    lastReport = *path;
    (void)StoreVerifyReport(path->toStdString(), model_.list);
}

AutoDialog::AutoDialog(QWidget* parent, AutoJob& job)
    : AutoDialog(parent, job, job.model, nullptr) {}

AutoDialog::AutoDialog(QWidget* parent, ProductionJob& job)
    : AutoDialog(parent, job, job.model, &job) {}

AutoDialog::AutoDialog(QWidget* parent, Job& job, const AutoModel& model, ProductionJob* production)
    : JobDialog(parent, job, "&Close"), model_(model), production_(production) {
    WithoutCloseBox(this);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < kAutoStepCount; ++i) {
        boxes[i] = new QCheckBox(this);
        // Only the program ticks these boxes.
        boxes[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        boxes[i]->setFocusPolicy(Qt::NoFocus);
        labels[i] = new QLabel(QString::fromUtf8(kAutoSteps[i].progressLabel), this);
        grid->addWidget(boxes[i], static_cast<int>(i), 0);
        grid->addWidget(labels[i], static_cast<int>(i), 1);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    AddProgressLines(layout);
    if (production_ != nullptr) {
        serial = new QLabel(this);
        layout->addWidget(serial);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (production_ != nullptr) {
        nextChip = new QPushButton("&Next Chip", this);
        nextChip->setToolTip("The chip in the socket is a new one: program it");
        connect(nextChip, &QPushButton::clicked, this, [this] {
            production_->ForceNextChip();
            Render();
        });
        buttons->addWidget(nextChip);
    }
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    Render();
    Drive([this] { return model_.staysOpen; });
}

void AutoDialog::Render() {
    RenderDevice(model_);
    for (std::size_t i = 0; i < kAutoStepCount; ++i) {
        boxes[i]->setEnabled(model_.steps[i].enabled);
        labels[i]->setEnabled(model_.steps[i].enabled);
        boxes[i]->setChecked(model_.steps[i].ticked);
    }
    if (production_ == nullptr) return;
    const ProductionModel& run = production_->model;
    serial->setText(run.serial ? QString("Serial number: %1").arg(*run.serial) : QString());
    serial->setVisible(run.serial.has_value());
    nextChip->setEnabled(run.waiting == SocketWait::Removal);
}

}  // namespace zvk::ui
