#pragma once

#include <QString>

namespace printing {

// What the printout reads from the service window each time it draws: the value for each layout
// box and the captions of the long fields.
class ServiceFormSource {
public:
    virtual ~ServiceFormSource() = default;
    // The value box `box` (0 to 17) is given; box 15 holds the used items' names, one per line.
    virtual QString formText(int box) const = 0;
    // The service window's caption of the long field shown in box 13 to 16.
    virtual QString formCaption(int box) const = 0;
    // Takes the service window out of use while the layout window is open, and back.
    virtual void setSwitchedOff(bool off) = 0;
};

} // namespace printing
