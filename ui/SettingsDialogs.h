#pragma once
// The settings dialogs: Select Device, Serial Port Setting, Options, Device
// Protection and Auto Programming Mode. Each edits its own copy of the values
// it shows and writes them to AppState on OK; Cancel leaves AppState as it was.
// Buttons are found by their numeric ids (1 OK, 2 Cancel, the rest as listed
// with each dialog).

#include <QDialog>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "link/PortDiscovery.h"
#include "ops/AutoJob.h"

class QAbstractButton;
class QComboBox;
class QVBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QBoxLayout;
class QLayout;
class QButtonGroup;

namespace zvk::ui {

inline constexpr int kOkId = 1;
inline constexpr int kCancelId = 2;

class SettingsDlg : public QDialog {
  public:
    [[nodiscard]] QAbstractButton* Button(int id) const;

  protected:
    SettingsDlg(QWidget* parent, const char* title);
    // A titled group of radio buttons (exclusive) or check boxes; a click on
    // one of them reaches Clicked with its id.
    QButtonGroup* AddGroup(QLayout* layout, const char* title, bool exclusive);
    // A button of the group, placed in the group's box (in the grid cell
    // given, for a grid).
    QAbstractButton* AddButton(QButtonGroup* group, int id, const QString& text, int row = -1,
                               int column = 0);
    void AddOkCancel(QLayout* layout, const char* okText, const char* cancelText);
    // A push button found by its id, placed in the given row.
    QPushButton* AddPushButton(QBoxLayout* row, int id, const char* text);
    void SetChecked(int id, bool checked);
    virtual void Clicked(int id, bool checked) = 0;

  private:
    std::map<int, QAbstractButton*> buttons_;
};

// "Select Device": parts 1042 + index, modes 1060 SPI and 1061 Parallel.
class SelectDeviceDlg : public SettingsDlg {
  public:
    static constexpr int kSpiId = 1060;
    static constexpr int kParallelId = 1061;

    explicit SelectDeviceDlg(QWidget* parent);
    // Stores the part and mode, sets FlashLastAddress and, when the part
    // changed, clears the buffers (when the option says so).
    void accept() override;

    // The part and mode as chosen so far.
    [[nodiscard]] std::uint8_t Part() const { return part_; }
    [[nodiscard]] std::uint8_t Mode() const { return mode_; }

  private:
    void Clicked(int id, bool checked) override;
    void ShowState();

    std::uint8_t part_;
    std::uint8_t mode_;
};

// "Serial Port Setting": COM1 to COM9 as 1000 to 1008, each with the device
// it resolves to and whether that is there. Outside Windows, "Assign..."
// (1010) gives the selected COM name one of the machine's serial ports, and
// "Remove Assignment" (1011) takes it back on OK. Only links in the settings
// folder are ours to remove: one beside the program (a virtual unit's, a
// portable copy's) is shown as such and left alone.
class PortSelectDlg : public SettingsDlg {
  public:
    static constexpr int kFirstPortId = 1000;
    static constexpr int kAssignId = 1010;
    static constexpr int kUnassignId = 1011;

    // The ports offered by Assign are found under the given roots.
    explicit PortSelectDlg(QWidget* parent, DiscoveryRoots roots = {});
    // The device shown beside a port's button.
    [[nodiscard]] static QString PortDevice(std::uint8_t portIndex);

    // Stores the chosen port and removes the assignments marked with Remove
    // Assignment, then ends with 1.
    void accept() override;
    // Why the selected name's link cannot be removed here, or empty.
    [[nodiscard]] QString Note() const;
    // The port as chosen so far.
    [[nodiscard]] std::uint8_t Port() const { return port_; }

  private:
    void Clicked(int id, bool checked) override;
    void Assign();
    void Unassign();
    // Rewrites the devices and enables Remove Assignment for the selected
    // name when it has an assignment of its own in the settings folder.
    void ShowPorts();

    DiscoveryRoots roots_;
    std::uint8_t port_;
    std::vector<QLabel*> devices_;
    QLabel* note_ = nullptr;
    // Names whose assignment goes on OK; Cancel leaves them as they are.
    std::set<std::uint8_t> removals_;
};

// "Assign Serial Port": the machine's serial ports with their description,
// manufacturer, serial number and stable name; the chosen one (or a device
// typed in, such as a pseudo-terminal or ~/vport, with ~ as the home folder)
// is in Device().
class PortAssignDlg : public QDialog {
  public:
    PortAssignDlg(QWidget* parent, const QString& comName, const DiscoveryRoots& roots);
    [[nodiscard]] QTreeWidget* List() const { return list_; }
    [[nodiscard]] QLineEdit* DeviceField() const { return device_; }
    [[nodiscard]] QPushButton* AssignButton() const { return assign_; }
    [[nodiscard]] std::string Device() const;

  private:
    QTreeWidget* list_;
    QLineEdit* device_;
    QPushButton* assign_;
};

// "Setting - Options": the four OptionFlags boxes.
class OptionDlg : public SettingsDlg {
  public:
    explicit OptionDlg(QWidget* parent);
    void accept() override;
    // The flags as chosen so far.
    [[nodiscard]] std::uint8_t Flags() const { return flags_; }

  private:
    void Clicked(int id, bool checked) override;

    std::uint8_t flags_;
};

// "Setting - Device Protection": the lock levels of both families, kept
// cumulative as the user clicks.
class ProtectionDlg : public SettingsDlg {
  public:
    explicit ProtectionDlg(QWidget* parent);
    void accept() override;
    // The levels as chosen so far.
    [[nodiscard]] std::uint8_t Bits() const { return bits_; }
    // The click rules on the lock bits: a level implies the levels below it,
    // and a level cannot be dropped while a higher one is chosen.
    [[nodiscard]] static std::uint8_t Click(std::uint8_t bits, int id, bool checked);

  private:
    void Clicked(int id, bool checked) override;
    void ShowState();

    std::uint8_t bits_;
};

// " Setting - Auto Programming Mode": the five steps of the sequence, and the
// production choices: repeat for the next chip, the log file, and a serial
// number in every chip of a repeat run (buffer, address, format, number file).
class AutoProgramDlg : public SettingsDlg {
  public:
    explicit AutoProgramDlg(QWidget* parent);
    void accept() override;
    void reject() override;

    [[nodiscard]] QAbstractButton* RepeatBox() const { return repeat_; }
    [[nodiscard]] QLineEdit* LogField() const { return log_; }
    [[nodiscard]] QPushButton* BrowseButton() const { return browse_; }
    [[nodiscard]] QAbstractButton* SerialBox() const { return serial_; }
    [[nodiscard]] QComboBox* SerialBufferField() const { return serialBuffer_; }
    [[nodiscard]] QLineEdit* SerialAddressField() const { return serialAddress_; }
    [[nodiscard]] QComboBox* SerialFormatField() const { return serialFormat_; }
    [[nodiscard]] QLineEdit* SerialFileField() const { return serialFile_; }

  private:
    void Clicked(int id, bool checked) override;
    void Browse();
    void AddSerialRows(QVBoxLayout* rows, QWidget* group);
    void ShowSerialState();

    AutoSettingsDialog model_;
    QAbstractButton* repeat_;
    QLineEdit* log_;
    QPushButton* browse_;
    QAbstractButton* serial_ = nullptr;
    QComboBox* serialBuffer_ = nullptr;
    QLineEdit* serialAddress_ = nullptr;
    QComboBox* serialFormat_ = nullptr;
    QLineEdit* serialFile_ = nullptr;
    QPushButton* serialBrowse_ = nullptr;
};

}  // namespace zvk::ui
