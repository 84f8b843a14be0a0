#include "StoredLayout.h"

#include "SatirFile.h"
#include "Settings.h"

#include <algorithm>

namespace printing {

static_assert(PrintLayout::kFieldBoxes == settings::kSecimCount);

void loadStoredLayout(PrintLayout& layout) {
    satir::read(satir::kFileName, layout);
    satir::readBarcode(satir::kBarcodeFileName, layout);
    layout.setHeadings(settings::baslik());
    std::array<bool, PrintLayout::kBoxes> items{};
    const std::array<bool, settings::kSecimCount> fields = settings::secim();
    std::copy(fields.begin(), fields.end(), items.begin());
    items[PrintLayout::kBarcodeBox] = settings::barkod();
    layout.setSelection(items);
}

void storeSelectionItem(const PrintLayout& layout, int item) {
    const std::array<bool, PrintLayout::kBoxes>& items = layout.selection();
    if (item == PrintLayout::kBarcodeBox) {
        settings::setBarkod(items[item]);
        return;
    }
    std::array<bool, settings::kSecimCount> fields{};
    std::copy_n(items.begin(), fields.size(), fields.begin());
    settings::setSecim(fields);
}

} // namespace printing
