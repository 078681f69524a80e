#pragma once

#include <QString>

class QLineEdit;

namespace app {

// An edit without horizontal auto-scroll: it takes no more characters than fit in its visible
// width. Typing past the edge is refused; a paste keeps as much of the pasted text as fits.
void limitEntryToVisibleWidth(QLineEdit* edit);

// Whether `text` fits in the visible width of `edit`, drawn as the edit draws it (masked in a
// password entry).
bool fitsVisibleWidth(const QLineEdit* edit, const QString& text);

} // namespace app
