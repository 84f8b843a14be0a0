#pragma once

#include "ServicePage.h"

namespace printing {

class PrintLayout;
class ServiceFormSource;

// Composes the service form of the record the service window shows: each selected field at its
// box, single-line fields with their headings, long fields line by line or wrapped to the box
// width as measured in the service window's font. Leaves each drawn value in its box.
ServicePage DrawServiceForm(PrintLayout& layout, const ServiceFormSource& source);

} // namespace printing
