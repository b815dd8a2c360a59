#include "ui/SettingsDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>
#include <initializer_list>
#include <utility>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "app/UndoHistory.h"
#include "link/Link.h"
#include "link/PortDiscovery.h"
#include "ops/ProductionJob.h"
#include "ui/ChildWnd.h"
#include "ui/DialogHelpers.h"
#include "ui/FileQuestion.h"
#include "ui/FrameWnd.h"
#include "ui/StatusBar.h"

namespace zvk::ui {
namespace {

struct FlagBox {
    int id;
    std::uint8_t bit;
    const char* text;
};

constexpr FlagBox OptionBox(int id, const OptionText& option) {
    return {id, option.bit, option.text.data()};
}
constexpr std::array<FlagBox, 4> kOptionBoxes{{
    OptionBox(1036, kOptionTexts[0]),
    OptionBox(1037, kOptionTexts[1]),
    OptionBox(1038, kOptionTexts[2]),
    OptionBox(1040, kOptionTexts[3]),
}};

constexpr std::array<FlagBox, 3> kThreeLevelBoxes{{
    {1036, kProtect3Lb1, "Disable read using MOVC executed from External memory"},
    {1037, kProtect3Lb2, "Disable Parallel/Serial verify"},
    {1038, kProtect3Lb3, "Disable External Execution"},
}};
constexpr std::array<FlagBox, 2> kTwoLevelBoxes{{
    {1040, kProtect2Lb1, "Disable Further programming of the device"},
    {1041, kProtect2Lb2, "Disable Verify "},
}};

void SetBits(std::uint8_t& flags, std::uint8_t bits, bool on) {
    flags = static_cast<std::uint8_t>(on ? flags | bits : flags & ~bits);
}

QWidget* Parent(QLayout* layout) { return layout->parentWidget(); }

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SettingsDlg::SettingsDlg(QWidget* parent, const char* title) : QDialog(parent) {
    setWindowTitle(title);
}

QAbstractButton* SettingsDlg::Button(int id) const {
    const auto found = buttons_.find(id);
    return found != buttons_.end() ? found->second : nullptr;
}

QButtonGroup* SettingsDlg::AddGroup(QLayout* layout, const char* title, bool exclusive) {
    auto* box = new QGroupBox(title, Parent(layout));
    layout->addWidget(box);
    auto* group = new QButtonGroup(box);
    group->setExclusive(exclusive);
    connect(group, &QButtonGroup::idClicked, this,
            [this](int id) { Clicked(id, Button(id)->isChecked()); });
    return group;
}

QAbstractButton* SettingsDlg::AddButton(QButtonGroup* group, int id, const QString& text, int row,
                                        int column) {
    auto* box = static_cast<QGroupBox*>(group->parent());
    QAbstractButton* button = nullptr;
    if (group->exclusive()) {
        button = new QRadioButton(text, box);
    } else {
        button = new QCheckBox(text, box);
    }
    if (row >= 0) {
        auto* grid = qobject_cast<QGridLayout*>(box->layout());
        if (grid == nullptr) grid = new QGridLayout(box);
        grid->addWidget(button, row, column);
    } else {
        auto* list = qobject_cast<QVBoxLayout*>(box->layout());
        if (list == nullptr) list = new QVBoxLayout(box);
        list->addWidget(button);
    }
    if (group->exclusive()) {
        group->addButton(button, id);
    } else {
        // Check boxes stay out of the button group: Qt gives a group one tab
        // stop, and each box must be reachable with Tab and toggled by Space.
        connect(button, &QAbstractButton::clicked, this,
                [this, id](bool checked) { Clicked(id, checked); });
    }
    buttons_[id] = button;
    return button;
}

void SettingsDlg::AddOkCancel(QLayout* layout, const char* okText, const char* cancelText) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = new QPushButton(okText, Parent(layout));
    auto* cancel = new QPushButton(cancelText, Parent(layout));
    ok->setDefault(true);
    row->addWidget(ok);
    row->addWidget(cancel);
    buttons_[kOkId] = ok;
    buttons_[kCancelId] = cancel;
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    static_cast<QBoxLayout*>(layout)->addLayout(row);
}

QPushButton* SettingsDlg::AddPushButton(QBoxLayout* row, int id, const char* text) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    row->addWidget(button);
    buttons_[id] = button;
    return button;
}

void SettingsDlg::SetChecked(int id, bool checked) {
    if (QAbstractButton* button = Button(id)) button->setChecked(checked);
}

// Select Device.

SelectDeviceDlg::SelectDeviceDlg(QWidget* parent)
    : SettingsDlg(parent, "Select Device"),
      part_(App().SelectedDevice),
      mode_(App().ProgrammingMode) {
    auto* layout = new QVBoxLayout(this);
    QButtonGroup* parts = AddGroup(layout, "Selection", true);
    constexpr int kColumns = 3;
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        const std::string_view label = DeviceTable[i].DialogLabel;
        AddButton(parts, kFirstDeviceRadioId + static_cast<int>(i),
                  QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())),
                  static_cast<int>(i) / kColumns, static_cast<int>(i) % kColumns);
    }
    QButtonGroup* modes = AddGroup(layout, "Programming Mode", true);
    AddButton(modes, kSpiId, "SPI");
    AddButton(modes, kParallelId, "Parallel");
    AddOkCancel(layout, "OK", "&Cancel");
    ShowState();
    // The keyboard starts on the selected part; the arrow keys move the
    // selection through the grid.
    Button(kFirstDeviceRadioId + part_)->setFocus();
    adjustSize();
    CenterDialog(this, parent);
}

void SelectDeviceDlg::Clicked(int id, bool) {
    if (id == kSpiId || id == kParallelId) {
        SetBits(mode_, kModeParallel, id == kParallelId);
    } else {
        part_ = static_cast<std::uint8_t>(id - kFirstDeviceRadioId);
    }
    ShowState();
}

void SelectDeviceDlg::ShowState() {
    SetChecked(kFirstDeviceRadioId + part_, true);
    mode_ = ProgrammingModeFor(part_, mode_);
    Button(kSpiId)->setEnabled(DeviceTable[part_].SpiCapable);
    const bool parallel = (mode_ & kModeParallel) != 0;
    SetChecked(parallel ? kParallelId : kSpiId, true);
}

void SelectDeviceDlg::accept() {
    const bool changed = part_ != App().SelectedDevice;
    App().ProgrammingMode = mode_;
    SelectDevice(part_);
    if (changed) {
        if ((App().OptionFlags & kOptionClearOnPartChange) != 0) {
            ClearBuffer(BufferKind::Flash);
            ClearBuffer(BufferKind::Eeprom);
            // Left at EEPROM, as clearing both buffers one after the other
            // always left it: the signature command of an S53 part depends on it.
            App().CurrentBufferKind = BufferKind::Eeprom;
        }
        // Undo stays within one part: the buffers' sizes and meaning change.
        ForgetBufferHistory(BufferKind::Flash);
        ForgetBufferHistory(BufferKind::Eeprom);
    }
    QDialog::accept();
}

// Serial Port Setting.

PortSelectDlg::PortSelectDlg(QWidget* parent, DiscoveryRoots roots)
    : SettingsDlg(parent, "Serial Port Setting"), roots_(std::move(roots)), port_(App().PortIndex) {
    auto* layout = new QVBoxLayout(this);
    QButtonGroup* ports = AddGroup(layout, "Select COM Port", true);
    for (std::uint8_t i = 0; i < kComPortCount; ++i) {
        AddButton(ports, kFirstPortId + i, QString("COM%1").arg(i + 1), i, 0);
        auto* device = new QLabel(static_cast<QWidget*>(ports->parent()));
        device->setEnabled(false);
        static_cast<QGridLayout*>(static_cast<QWidget*>(ports->parent())->layout())
            ->addWidget(device, i, 1);
        devices_.push_back(device);
    }
#ifndef _WIN32
    // On Windows a COM name is the system's own; elsewhere a person names
    // the ports.
    auto* assignments = new QHBoxLayout;
    connect(AddPushButton(assignments, kAssignId, "Assign..."), &QPushButton::clicked, this,
            [this] { Assign(); });
    connect(AddPushButton(assignments, kUnassignId, "Remove Assignment"), &QPushButton::clicked,
            this, [this] { Unassign(); });
    assignments->addStretch();
    layout->addLayout(assignments);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    layout->addWidget(note_);
#endif
    AddOkCancel(layout, "OK", "Cancel");
    SetChecked(kFirstPortId + port_, true);
    ShowPorts();
    adjustSize();
    WithoutMaximise(this);
}

QString PortSelectDlg::PortDevice(std::uint8_t portIndex) {
    const ComPortView view = DescribeComPort(portIndex);
    QString text = QString::fromStdString(view.resolved.name);
    if (!view.linkTarget.empty()) text += " -> " + QString::fromStdString(view.linkTarget);
#ifndef _WIN32
    if (!view.present) text += " (not present)";
    if (view.resolved.source == PortSource::ProgramDirectory) text += " (beside the program)";
#endif
    return text;
}

QString PortSelectDlg::Note() const { return note_ != nullptr ? note_->text() : QString(); }

void PortSelectDlg::Clicked(int id, bool) {
    port_ = static_cast<std::uint8_t>(id - kFirstPortId);
    SetChecked(id, true);
    ShowPorts();
}

void PortSelectDlg::ShowPorts() {
    for (std::uint8_t i = 0; i < devices_.size(); ++i) {
        QString text = PortDevice(i);
        if (removals_.contains(i)) text += " (assignment removed on OK)";
        devices_[i]->setText(text);
    }
    const std::uint8_t selected = port_;
    const bool beside = ResolvePort(selected).source == PortSource::ProgramDirectory;
    if (QAbstractButton* remove = Button(kUnassignId)) {
        remove->setEnabled(!beside && HasAssignment(selected) && !removals_.contains(selected));
    }
    if (note_ != nullptr) {
        note_->setText(beside ? QString("%1 is a link beside the program, not an assignment of "
                                        "this dialog; it cannot be removed here.")
                                    .arg(QString::fromStdString(ComName(selected)))
                              : QString());
        note_->setVisible(beside);
    }
    adjustSize();
}

void PortSelectDlg::Assign() {
    const QString com = QString("COM%1").arg(port_ + 1);
    PortAssignDlg chooser(this, com, roots_);
    if (chooser.exec() != QDialog::Accepted) return;
    const std::string failure = AssignPort(port_, chooser.Device(), roots_);
    if (!failure.empty()) ShowMessage(failure, "Error", MessageIcon::Stop);
    // A new assignment replaces one marked for removal.
    if (failure.empty()) removals_.erase(port_);
    ShowPorts();
}

void PortSelectDlg::Unassign() {
    removals_.insert(port_);
    ShowPorts();
}

void PortSelectDlg::accept() {
    App().PortIndex = port_;
    for (const std::uint8_t port : removals_) {
        const std::string failure = UnassignPort(port);
        if (!failure.empty()) ShowMessage(failure, "Error", MessageIcon::Stop);
    }
    removals_.clear();
    QDialog::accept();
}

// Assign Serial Port.

PortAssignDlg::PortAssignDlg(QWidget* parent, const QString& comName, const DiscoveryRoots& roots)
    : QDialog(parent) {
    setWindowTitle("Assign Serial Port");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Serial ports of this computer, for " + comName + ":", this));
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels(
        {"Device", "Description", "Manufacturer", "Serial Number", "Stable Name"});
    for (const SerialPortInfo& port : DiscoverSerialPorts(roots)) {
        auto* row = new QTreeWidgetItem(list_);
        const std::string* fields[] = {&port.device, &port.description, &port.manufacturer,
                                       &port.serialNumber, &port.stableName};
        for (int column = 0; column < 5; ++column) {
            row->setText(column, QString::fromStdString(*fields[column]));
        }
    }
    for (int column = 0; column < 5; ++column) list_->resizeColumnToContents(column);
    list_->setMinimumWidth(640);
    layout->addWidget(list_);

    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(new QLabel("Device:", this));
    device_ = new QLineEdit(this);
    device_->setPlaceholderText(list_->topLevelItemCount() == 0 ? "no serial port found; type a "
                                                                  "device such as /dev/pts/3"
                                                                : "");
    deviceRow->addWidget(device_);
    layout->addLayout(deviceRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    assign_ = new QPushButton("Assign", this);
    auto* cancel = new QPushButton("Cancel", this);
    assign_->setDefault(true);
    buttons->addWidget(assign_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) device_->setText(item->text(0));
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(device_, &QLineEdit::textChanged, this,
            [this](const QString& text) { assign_->setEnabled(!text.trimmed().isEmpty()); });
    connect(assign_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    assign_->setEnabled(false);
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    adjustSize();
}

std::string PortAssignDlg::Device() const {
    // Typed as in a shell: "~/vport" is the link in the home folder that
    // zvk-unit-sim --link ~/vport made.
    QString device = device_->text().trimmed();
    if (device == "~" || device.startsWith("~/")) device.replace(0, 1, QDir::homePath());
    return device.toStdString();
}

// Options.

OptionDlg::OptionDlg(QWidget* parent)
    : SettingsDlg(parent, "Setting - Options"), flags_(App().OptionFlags) {
    auto* layout = new QVBoxLayout(this);
    QButtonGroup* boxes = AddGroup(layout, "Options", false);
    for (const FlagBox& box : kOptionBoxes) {
        AddButton(boxes, box.id, box.text)->setChecked((flags_ & box.bit) != 0);
    }
    AddOkCancel(layout, "OK", "Cancel");
    adjustSize();
    CenterDialog(this, parent);
}

void OptionDlg::Clicked(int id, bool checked) {
    for (const FlagBox& box : kOptionBoxes) {
        if (box.id == id) SetBits(flags_, box.bit, checked);
    }
}

void OptionDlg::accept() {
    App().OptionFlags = flags_;
    QDialog::accept();
}

// Device Protection.

ProtectionDlg::ProtectionDlg(QWidget* parent)
    : SettingsDlg(parent, "Setting - Device Protection"), bits_(App().ProtectionOptions) {
    auto* layout = new QVBoxLayout(this);
    QButtonGroup* three = AddGroup(layout, "Three Level Protection (40 Pin Device)", false);
    for (const FlagBox& box : kThreeLevelBoxes) AddButton(three, box.id, box.text);
    QButtonGroup* two = AddGroup(layout, "Two Level Protection (20 Pin Device)", false);
    for (const FlagBox& box : kTwoLevelBoxes) AddButton(two, box.id, box.text);
    AddOkCancel(layout, "OK", "Cancel");
    ShowState();
    adjustSize();
    CenterDialog(this, parent);
}

std::uint8_t ProtectionDlg::Click(std::uint8_t bits, int id, bool checked) {
    switch (id) {
        case 1036:
            SetBits(bits, kProtect3Lb1, checked || (bits & (kProtect3Lb2 | kProtect3Lb3)) != 0);
            break;
        case 1037:
            if ((bits & kProtect3Lb3) != 0) {
                SetBits(bits, kProtect3Lb2, true);
            } else {
                SetBits(bits, kProtect3Lb2, checked);
                if (checked) SetBits(bits, kProtect3Lb1, true);
            }
            break;
        case 1038:
            SetBits(bits, kProtect3Lb3, checked);
            if (checked) SetBits(bits, kProtect3Lb1 | kProtect3Lb2, true);
            break;
        case 1040:
            SetBits(bits, kProtect2Lb1, checked || (bits & kProtect2Lb2) != 0);
            break;
        case 1041:
            SetBits(bits, kProtect2Lb2, checked);
            if (checked) SetBits(bits, kProtect2Lb1, true);
            break;
        default:
            break;
    }
    return bits;
}

void ProtectionDlg::Clicked(int id, bool checked) {
    bits_ = Click(bits_, id, checked);
    ShowState();
}

void ProtectionDlg::accept() {
    App().ProtectionOptions = bits_;
    QDialog::accept();
}

void ProtectionDlg::ShowState() {
    const auto show = [this](const auto& boxes) {
        for (const FlagBox& box : boxes) {
            SetChecked(box.id, (bits_ & box.bit) != 0);
        }
    };
    show(kThreeLevelBoxes);
    show(kTwoLevelBoxes);
}

// Auto Programming Mode.

AutoProgramDlg::AutoProgramDlg(QWidget* parent)
    : SettingsDlg(parent, AutoSettingsDialog::kTitle.data()) {
    auto* layout = new QVBoxLayout(this);
    QButtonGroup* steps = AddGroup(layout, "Sequence", false);
    for (const AutoStepInfo& step : kAutoSteps) {
        AddButton(steps, step.settingsBoxId,
                  QString::fromLatin1(step.settingsText.data(),
                                      static_cast<qsizetype>(step.settingsText.size())))
            ->setChecked(model_.Checked(step.step));
    }

    auto* production = new QGroupBox("Production", this);
    auto* rows = new QVBoxLayout(production);
    repeat_ = new QCheckBox(Text(AutoSettingsDialog::kRepeatText), production);
    repeat_->setChecked(model_.repeat);
    connect(repeat_, &QAbstractButton::toggled, this, [this](bool on) { model_.repeat = on; });
    rows->addWidget(repeat_);
    // Repeating needs the device check to see a chip go and come, which SPI
    // mode does not make.
    if ((App().ProgrammingMode & kModeParallel) == 0 && SelectedDeviceInfo().SpiCapable) {
        const QString reason = Text(kRepeatNeedsParallelText);
        repeat_->setEnabled(false);
        repeat_->setToolTip(reason);
        auto* why = new QLabel(reason, production);
        why->setWordWrap(true);
        why->setEnabled(false);
        rows->addWidget(why);
    }
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(new QLabel(Text(AutoSettingsDialog::kLogLabel), production));
    log_ = new QLineEdit(QString::fromStdString(model_.logPath), production);
    log_->setMinimumWidth(200);
    connect(log_, &QLineEdit::textChanged, this,
            [this](const QString& text) { model_.logPath = text.toStdString(); });
    logRow->addWidget(log_, 1);
    browse_ = new QPushButton("&Browse...", production);
    connect(browse_, &QPushButton::clicked, this, &AutoProgramDlg::Browse);
    logRow->addWidget(browse_);
    rows->addLayout(logRow);
    AddSerialRows(rows, production);
    layout->addWidget(production);

    AddOkCancel(layout, "&OK", "&Cancel");
    adjustSize();
    CenterDialog(this, parent);
}

void AutoProgramDlg::AddSerialRows(QVBoxLayout* rows, QWidget* group) {
    SerialPlan& plan = model_.serialPlan;
    serial_ = new QCheckBox(Text(AutoSettingsDialog::kSerialText), group);
    serial_->setChecked(model_.serial);
    connect(serial_, &QAbstractButton::toggled, this, [this](bool on) {
        model_.serial = on;
        ShowSerialState();
    });
    rows->addWidget(serial_);

    auto* place = new QHBoxLayout;
    place->addWidget(new QLabel("Buffer:", group));
    serialBuffer_ = new QComboBox(group);
    serialBuffer_->addItems({"Flash", "EEPROM"});
    serialBuffer_->setCurrentIndex(plan.buffer == BufferKind::Eeprom ? 1 : 0);
    connect(serialBuffer_, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.serialPlan.buffer = index == 1 ? BufferKind::Eeprom : BufferKind::Flash;
    });
    place->addWidget(serialBuffer_);
    place->addWidget(new QLabel("Address:", group));
    serialAddress_ = new QLineEdit(QString::asprintf("%04X", plan.address), group);
    serialAddress_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{1,4}"), serialAddress_));
    serialAddress_->setMaximumWidth(60);
    connect(serialAddress_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.serialPlan.address = static_cast<std::uint16_t>(text.toUInt(nullptr, 16));
    });
    place->addWidget(serialAddress_);
    place->addWidget(new QLabel("Format:", group));
    serialFormat_ = new QComboBox(group);
    for (const std::string_view name : AutoSettingsDialog::kSerialFormats) {
        serialFormat_->addItem(Text(name));
    }
    const QString current = QString::fromStdString(SerialFormatName(plan.format));
    if (serialFormat_->findText(current) < 0) serialFormat_->addItem(current);
    serialFormat_->setCurrentText(current);
    connect(serialFormat_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        if (const auto format = ParseSerialFormat(name.toStdString())) {
            model_.serialPlan.format = *format;
        }
    });
    place->addWidget(serialFormat_);
    place->addStretch(1);
    rows->addLayout(place);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel("Number file:", group));
    serialFile_ = new QLineEdit(QString::fromStdString(plan.file), group);
    serialFile_->setToolTip("Holds the next number; several programs may share it");
    connect(serialFile_, &QLineEdit::textChanged, this,
            [this](const QString& text) { model_.serialPlan.file = text.toStdString(); });
    fileRow->addWidget(serialFile_, 1);
    serialBrowse_ = new QPushButton("B&rowse...", group);
    connect(serialBrowse_, &QPushButton::clicked, this, [this] {
        const FileQuestion question{.title = "Serial Number File",
                                    .filters = {"Text Files (*.txt)", "All Files (*)"},
                                    .defaultSuffix = "txt",
                                    .save = true,
                                    .appends = true};
        if (const auto path = AskFile(this, question)) serialFile_->setText(*path);
    });
    fileRow->addWidget(serialBrowse_);
    rows->addLayout(fileRow);
    ShowSerialState();
}

// The number's fields count only with the box ticked.
void AutoProgramDlg::ShowSerialState() {
    for (QWidget* field : std::initializer_list<QWidget*>{
             serialBuffer_, serialAddress_, serialFormat_, serialFile_, serialBrowse_}) {
        field->setEnabled(model_.serial);
    }
}

void AutoProgramDlg::Clicked(int id, bool checked) {
    for (const AutoStepInfo& step : kAutoSteps) {
        if (step.settingsBoxId == id) model_.Click(step.step, checked);
    }
}

void AutoProgramDlg::Browse() {
    const FileQuestion question{.title = "Log File",
                                .filters = {"CSV Files (*.csv)", "All Files (*)"},
                                .defaultSuffix = "csv",
                                .save = true,
                                .appends = true};
    if (const auto path = AskFile(this, question)) log_->setText(*path);
}

void AutoProgramDlg::accept() {
    model_.Accept();
    QDialog::accept();
}

void AutoProgramDlg::reject() {
    model_.Cancel();
    QDialog::reject();
}

// The openers.

void FrameWnd::SelectDeviceCommand() {
    const std::uint8_t part = App().SelectedDevice;
    SelectDeviceDlg dialog(this);
    if (RunDialog(dialog) == QDialog::Accepted) {
        // The views go back to 0000 for another part.
        if (App().SelectedDevice != part) ResetViewsForNewPart();
        UpdateDeviceMenus();
    }
    statusBar_->ShowState();
}

void FrameWnd::SerialPortCommand() {
    PortSelectDlg dialog(this);
    const bool chosen = RunDialog(dialog) == QDialog::Accepted;
    // OK opens the chosen port again when it is another port, when it is in
    // error (the unit may be back), or when its name now leads to another
    // device. Cancel leaves a port in error alone, but not one whose name was
    // given another device while the dialog was open.
    const bool reopen =
        (chosen || !ProgrammerPortInError()) && ProgrammerPortStale(App().PortIndex);
    if (!reopen) return;
    CloseProgrammerPort();
    OpenProgrammerPort(App().PortIndex);
    statusBar_->ShowState();
}

void FrameWnd::OptionsCommand() {
    OptionDlg dialog(this);
    RunDialog(dialog);
}

void FrameWnd::ProtectionCommand() {
    ProtectionDlg dialog(this);
    RunDialog(dialog);
    statusBar_->ShowState();
}

void FrameWnd::AutoProgrammingModeCommand() {
    AutoProgramDlg dialog(this);
    RunDialog(dialog);
}

}  // namespace zvk::ui
