#pragma once

#include "LabelPage.h"

#include <QDialog>

class QComboBox;
class QSpinBox;
class QPushButton;

namespace printing {

// "Etiket Yazdır": a preview of the shown record's device label at its real size, the label
// printer (remembered apart from the form's printer), the label's size and the number of copies.
class Etiket : public QDialog {
    Q_OBJECT

public:
    Etiket(const LabelFields& fields, QWidget* owner);

    QSizeF labelSize() const; // in millimetres

private:
    void Yazdir_Click();
    void PdfKaydet_Click();
    void sizeChosen();
    void paintLabel(QPainter& painter) const;

    LabelFields fields_;
    QWidget* preview_ = nullptr;
    QComboBox* printer_ = nullptr;
    QComboBox* size_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QSpinBox* copies_ = nullptr;
};

} // namespace printing
