#pragma once
// The rules behind the input folder, the type filter Combo1 and its key filter
// and validation, as plain functions the window's handlers build on.
#include <QChar>
#include <QString>

namespace fd {

// Listing pattern of File1 for a filter text: families of related extensions are
// widened; any other text is taken as it stands.
QString listingPatternFor(const QString &filterText);

// Key filter of Combo1. key is the typed character (8 = backspace), textLength the
// length of the text before the key takes effect. Returns the character to type
// instead (the same key to let it pass, 0 to drop it); beep is set when dropped.
QChar filterTypeKey(QChar key, int textLength, bool wholeTextSelected, bool &beep);

// Outcome of validating a typed filter text.
struct TypeCheck {
    bool ok = true;
    QString message;      // shown when not ok
    QString text;         // the text after the check
    int caret = 0;        // caret position (0-based)
    int selectLength = 0; // characters selected from the caret
};
TypeCheck checkTypeText(const QString &text);

// Files directly in folder whose names match the wild-card pattern (";" is a
// literal character here), hidden ones only when asked. 0 when the folder cannot
// be opened.
long long countMatchingFiles(const QString &folder, const QString &pattern, bool includeHidden);

} // namespace fd
