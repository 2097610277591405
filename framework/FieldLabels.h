// Screen readers name an edit field after the static text just before it in
// z-order. Dialog templates often list a field's label after the field; this
// moves each label in front of its field, in z-order only: nothing moves on
// the screen, and the tab order (of the controls that take the focus) is kept.
#pragma once

#include <windows.h>

namespace kd {

// A field's label is the static text that ends left of it on its line, the
// nearest one if there are several. Answers how many labels were moved.
int PutLabelsBeforeFields(HWND dialog) noexcept;

} // namespace kd
