#pragma once

#include <QStringView>

// Turns a typed lower-case letter into its capital when it begins a word or a sentence, with the
// Turkish letters handled (i becomes İ, ı becomes I). `keyAscii` is the typed character as a code
// page 1254 code (0-255); `text` and `selStart` are the box's whole text and the start of its
// selection. The Ctrl codes that must not reach a box (Ctrl+A, G, N, P, S, T) are set to 0,
// meaning the key is swallowed. Returns the code to type instead.
int AutoCapitalizeKey(QStringView text, qsizetype selStart, int& keyAscii);
