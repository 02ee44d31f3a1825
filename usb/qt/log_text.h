// The log's exact text. The log keeps Windows line breaks: CR LF ends a line, a lone LF does not,
// and the append rule depends on that difference. A QTextDocument has neither CR nor LF, so the
// exact text is encoded in it:
//   CR LF     a block break
//   lone LF   U+2028, which breaks the line on screen but stays inside the block
//   any character that Qt would turn into a block break (a lone CR, U+2028, U+2029, U+FDD0,
//             U+FDD1): a visible stand-in glyph whose character format records the original.
// Decoding reverses this exactly. What the user types or pastes means what it shows: Enter is a
// CR LF, Shift+Enter a lone LF.
#pragma once

#include <QString>

class QPlainTextEdit;
class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace harnlode {

// The exact text that the document stands for.
QString ExactLogText(const QTextDocument& document);

// Inserts exact text at the cursor, encoded as above, in the document's plain format.
void InsertExactText(QTextCursor& cursor, const QString& exact);

// Appends the text as a new last line: when the log is empty or ends with CR LF, the text and a
// CR LF; otherwise a CR LF and the text. The caret ends after the appended text with no
// selection, the view scrolls to it, and the log's undo cannot take it back.
void AppendLogLine(QPlainTextEdit& log, const QString& text);

}  // namespace harnlode
