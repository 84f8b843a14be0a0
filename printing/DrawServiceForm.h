#pragma once

#include "ServicePage.h"

namespace printing {

class PrintLayout;
class ServiceFormSource;

// Composes the service form of the record the service window shows: each selected field at its
// box, single-line fields with their headings, every line of a long field wrapped to the box width
// in the page's font, the record code as a barcode in the barcode box. Leaves each drawn value in its
// box.
ServicePage DrawServiceForm(PrintLayout& layout, const ServiceFormSource& source);

} // namespace printing
