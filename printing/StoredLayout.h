#pragma once

#include "PrintLayout.h"

#include <array>

namespace printing {

// The service form's layout as the user left it: the boxes from their files in the current
// directory, the headings and the field selection from the settings.
void loadStoredLayout(PrintLayout& layout);

// Keeps the layout's selection item `item`: a field item in the text it has always had, the
// barcode's apart, so that choosing the barcode leaves that text as it was.
void storeSelectionItem(const PrintLayout& layout, int item);

} // namespace printing
