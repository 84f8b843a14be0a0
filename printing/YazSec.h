#pragma once

#include <QDialog>
#include <array>

class QComboBox;
class QPushButton;

namespace printing {

// The printer selection: the installed printers with the remembered one preselected. "&Tamam"
// makes the chosen one the program's current printer and sets PrinterConfirmed; every close
// stores the chosen name under Prn.
class YazSec : public QDialog {
    Q_OBJECT

public:
    explicit YazSec(QWidget* owner);

    // Fills the list. With no printer installed it says so, closes and returns false.
    bool Form_Load();

    void done(int result) override;

private:
    void Tamam_Click();

    QComboBox* Combo1 = nullptr;
    std::array<QPushButton*, 2> YazCmd{};
    bool stored_ = false;
};

} // namespace printing
