#pragma once

class QFont;
class QPushButton;

// The width a push button needs to show its icon and its whole caption in `font`, with the
// style's frame and margins.
int captionWidth(const QPushButton* button, const QFont& font);

// Shrinks a button's icon, then its font, until icon and caption fit the button in normal and in
// bold weight (the hover makes captions bold). The button keeps its place and size.
void fitCaption(QPushButton* button);
