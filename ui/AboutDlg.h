#pragma once
// The About box: the product title, its icon and "Version 2.2", centred over
// the frame.

#include <QDialog>

namespace zvk::ui {

class AboutDlg : public QDialog {
  public:
    explicit AboutDlg(QWidget* parent);
};

}  // namespace zvk::ui
