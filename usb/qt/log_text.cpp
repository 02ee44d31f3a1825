#include "log_text.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "usb_form.h"

namespace harnlode {
namespace {

constexpr QChar kCr = u'\r';
constexpr QChar kLf = u'\n';
constexpr QChar kLineSeparator = QChar::LineSeparator;
// The character that a stand-in glyph replaces.
constexpr int kStandsFor = QTextFormat::UserProperty + 1;

// Characters that QTextCursor::insertText turns into block breaks, besides CR and LF.
bool BecomesBlockBreak(QChar c) {
  return c == QChar::ParagraphSeparator || c == kLineSeparator || c == QChar(0xFDD0) ||
         c == QChar(0xFDD1);
}

QChar StandInFor(QChar original) {
  return original == kCr ? QChar(0x240D)   // SYMBOL FOR CARRIAGE RETURN
                         : QChar(0xFFFD);  // REPLACEMENT CHARACTER
}

// One block's exact text. A stand-in counts only while it still shows its glyph: text typed right
// after a stand-in takes over its format, but not its meaning.
QString ExactBlockText(const QTextBlock& block) {
  QString exact;
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    const QString original = fragment.charFormat().property(kStandsFor).toString();
    for (QChar c : fragment.text()) {
      if (original.size() == 1 && c == StandInFor(original[0])) {
        exact += original;
      } else {
        exact += c == kLineSeparator ? kLf : c;
      }
    }
  }
  return exact;
}

bool IsEmpty(const QTextDocument& document) { return document.characterCount() <= 1; }

// Whether the exact text ends with CR LF: a block break, or a stand-in CR followed by a lone LF
// at the end of the last block.
bool EndsWithLineBreak(const QTextDocument& document) {
  const QTextBlock last = document.lastBlock();
  if (last.length() <= 1) return document.blockCount() > 1;
  return ExactBlockText(last).endsWith(QStringLiteral("\r\n"));
}

}  // namespace

QString ExactLogText(const QTextDocument& document) {
  QString exact;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) exact += QStringLiteral("\r\n");
    exact += ExactBlockText(block);
  }
  return exact;
}

void InsertExactText(QTextCursor& cursor, const QString& exact) {
  const QTextCharFormat plain;
  QString run;
  const auto flush = [&] {
    cursor.insertText(run, plain);
    run.clear();
  };
  for (qsizetype i = 0; i < exact.size(); ++i) {
    const QChar c = exact[i];
    if (c == kCr && i + 1 < exact.size() && exact[i + 1] == kLf) {
      flush();
      cursor.insertBlock();
      ++i;
    } else if (c == kLf) {
      run += kLineSeparator;
    } else if (c == kCr || BecomesBlockBreak(c)) {
      flush();
      QTextCharFormat stand_in;
      stand_in.setProperty(kStandsFor, QString(c));
      cursor.insertText(QString(StandInFor(c)), stand_in);
    } else {
      run += c;
    }
  }
  flush();
}

void AppendLogLine(QPlainTextEdit& log, const QString& text) {
  QTextDocument& document = *log.document();
  const QString appended = QString::fromStdString(
      form::LogLineAppendix(IsEmpty(document) || EndsWithLineBreak(document), text.toStdString()));

  // With undo off the insertion leaves no step of its own; switching it off also drops the
  // user's earlier steps, which could no longer be undone at their recorded positions anyway.
  document.setUndoRedoEnabled(false);
  QTextCursor cursor(&document);
  cursor.movePosition(QTextCursor::End);
  InsertExactText(cursor, appended);
  document.setUndoRedoEnabled(true);

  log.setTextCursor(cursor);
  log.ensureCursorVisible();
}

}  // namespace harnlode
