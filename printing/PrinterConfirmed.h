#pragma once

namespace printing {

// Set when the printer selection is confirmed; the print command reads and clears it.
inline bool PrinterConfirmed = false;

} // namespace printing
