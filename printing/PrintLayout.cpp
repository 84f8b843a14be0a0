#include "PrintLayout.h"

#include <algorithm>
#include <cmath>

namespace printing {

namespace {

struct Design {
    const char* field;
    int left, top, width, height;
    const char* text;
    bool multiLine;
};

// By box index.
constexpr Design kDesign[PrintLayout::kBoxes] = {
    {"Tarih", 6240, 360, 1095, 360, "30-12-2005", false},
    {"Saat", 8250, 360, 825, 360, "10:30", false},
    {"Ünvan", 210, 840, 4185, 360, " Ünvan", false},
    {"Adres1", 210, 1260, 4185, 360, " Adres1", false},
    {"Adres2", 210, 1680, 4185, 360, " Adres2", false},
    {"Şehir", 210, 2100, 4185, 360, " Şehir", false},
    {"Telefon", 210, 2520, 4185, 360, " Telefon", false},
    {"Vergi Dairesi", 210, 2940, 4185, 360, " Vergi Dairesi", false},
    {"Vergi Numarası", 210, 3360, 4185, 360, " Vergi Numarası", false},
    {"Sistem", 210, 3780, 4185, 360, " Sistem", false},
    {"Marka Model", 210, 4200, 4185, 360, " Marka Model", false},
    {"Seri No", 210, 4620, 4185, 360, " Seri No", false},
    {"Teknisyen", 210, 5040, 4185, 360, " Teknisyen", false},
    {"Başvuru Sebebi", 4830, 840, 4575, 1455, " Başvuru Sebebi", true},
    {"Yapılan İş", 4830, 2340, 4575, 1455, " Yapılan İş", true},
    {"Kullanılan Malzeme", 4830, 3840, 4575, 1455, " Kullanılan Malzeme", true},
    {"Sonuç", 4830, 5340, 4575, 1455, " Sonuç", true},
    {"Kayıt No", 210, 420, 4185, 360, " Kayıt No", false},
    {"Barkod", 210, 5520, 3000, 1080, " Barkod", false},
};

double inReach(double v) {
    return std::clamp(v, -PrintLayout::kPageReach, PrintLayout::kPageReach);
}

} // namespace

PrintLayout::PrintLayout(QObject* parent)
    : QObject(parent) {
    for (int i = 0; i < kBoxes; ++i) {
        const Design& d = kDesign[i];
        boxes_[i] = {QString::fromUtf8(d.field), QRectF(d.left, d.top, d.width, d.height),
                     QString::fromUtf8(d.text), d.multiLine};
    }
}

bool PrintLayout::boxInReach(double left, double top) {
    return std::abs(left) <= kPageReach && std::abs(top) <= kPageReach;
}

bool PrintLayout::windowInReach(const QRectF& w) {
    return std::abs(w.left()) <= kScreenReach && std::abs(w.top()) <= kScreenReach && w.width() > 0 &&
           w.height() > 0 && w.width() <= kScreenReach && w.height() <= kScreenReach;
}

int PrintLayout::boxOfItem(int item) {
    if (item == 2)
        return 17;
    return item < 2 || item == kBarcodeBox ? item : item - 1;
}

int PrintLayout::itemOfBox(int box) {
    if (box == 17)
        return 2;
    return box < 2 || box == kBarcodeBox ? box : box + 1;
}

void PrintLayout::moveBox(int index, double left, double top) {
    boxes_[index].twips.moveTo(inReach(left), inReach(top));
    emit changed();
}

void PrintLayout::setBoxGeometry(int index, const QRectF& twips) {
    boxes_[index].twips =
        QRectF(inReach(twips.left()), inReach(twips.top()), std::clamp(twips.width(), 0.0, kPageReach),
               std::clamp(twips.height(), 0.0, kPageReach));
    emit changed();
}

void PrintLayout::reset() {
    for (int i = 0; i < kBoxes; ++i) {
        const Design& d = kDesign[i];
        boxes_[i].twips = QRectF(d.left, d.top, d.width, d.height);
    }
    window_ = {};
    emit changed();
}

void PrintLayout::setBoxText(int index, const QString& text) {
    if (boxes_[index].text == text)
        return;
    boxes_[index].text = text;
    emit changed();
}

void PrintLayout::setWindow(const QRectF& twips) {
    if (windowInReach(twips))
        window_ = twips;
}

void PrintLayout::setHeadings(bool on) {
    headings_ = on;
    emit changed();
}

void PrintLayout::setSelection(const std::array<bool, kBoxes>& items) {
    selection_ = items;
    emit changed();
}

} // namespace printing
