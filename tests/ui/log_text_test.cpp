// The log's append rule on its exact text: CR LF is a line break, a lone LF is not, whatever the
// user has done to the log in between.
#include "log_text.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "window_test_support.h"

namespace harnlode {
namespace {

// Replaces the log's content by exact text; the log's undo history starts afresh.
void SetExactLogText(QPlainTextEdit& log, const QString& exact) {
  QTextDocument& document = *log.document();
  document.clear();
  document.setUndoRedoEnabled(false);
  QTextCursor cursor(&document);
  InsertExactText(cursor, exact);
  document.setUndoRedoEnabled(true);
  log.moveCursor(QTextCursor::Start);
}

}  // namespace

class LogTextTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QPlainTextEdit> log_;

  QString Exact() const { return ExactLogText(*log_->document()); }

  void TypeAtEnd(const QString& keys) {
    log_->moveCursor(QTextCursor::End);
    QTest::keyClicks(log_.get(), keys);
  }

 private slots:
  void init() {
    log_ = std::make_unique<QPlainTextEdit>();
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->resize(300, 120);
    log_->show();
    QVERIFY(QTest::qWaitForWindowExposed(log_.get()));
  }
  void cleanup() { log_.reset(); }

  void appendsAccordingToHowTheLogEnds_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::newRow("empty log") << ""
                               << "Analysing...\n\n"
                               << "Analysing...\n\n\r\n";
    QTest::newRow("ends with CR LF") << "a\r\n"
                                     << "b"
                                     << "a\r\nb\r\n";
    QTest::newRow("ends without a break") << "a"
                                          << "b"
                                          << "a\r\nb";
    QTest::newRow("a lone LF is no break") << "a\n"
                                           << "b\n"
                                           << "a\n\r\nb\n";
    QTest::newRow("a lone CR is no break") << "a\r"
                                           << "b"
                                           << "a\r\r\nb";
    QTest::newRow("empty text") << "a\r\n"
                                << ""
                                << "a\r\n\r\n";
    QTest::newRow("empty lines only") << "\r\n"
                                      << "b"
                                      << "\r\nb\r\n";
    QTest::newRow("text with its own breaks") << ""
                                              << "x\r\ny\rz"
                                              << "x\r\ny\rz\r\n";
  }
  void appendsAccordingToHowTheLogEnds() {
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QString, after);
    SetExactLogText(*log_, before);
    QCOMPARE(Exact(), before);
    AppendLogLine(*log_, text);
    QCOMPARE(Exact(), after);
  }

  // Characters that Qt turns into block breaks by itself keep their identity, and a lone LF shows
  // as a break inside its line.
  void keepsEveryCharacterExactly() {
    const QString exact = QStringLiteral("a\rb\nc\u2028d\u2029e\uFDD0f\uFDD1g\u240D\t\r\r\nh\n\n");
    SetExactLogText(*log_, exact);
    QCOMPARE(Exact(), exact);
    QCOMPARE(log_->document()->blockCount(), 2);
    QVERIFY(log_->document()->firstBlock().text().contains(QChar::LineSeparator));
    QVERIFY(!log_->document()->toRawText().contains(u'\r'));
  }

  void userTextWithoutBreakStaysAndTheNextLineStartsBelowIt() {
    SetExactLogText(*log_, "intro\r\n");
    TypeAtEnd("typed by hand");
    AppendLogLine(*log_, "next");
    QCOMPARE(Exact(), "intro\r\ntyped by hand\r\nnext");
  }

  void enterTypedByTheUserIsALineBreakAndShiftEnterIsNot() {
    SetExactLogText(*log_, "intro");
    log_->moveCursor(QTextCursor::End);
    QTest::keyClick(log_.get(), Qt::Key_Return);
    AppendLogLine(*log_, "after enter");
    QCOMPARE(Exact(), "intro\r\nafter enter\r\n");

    log_->moveCursor(QTextCursor::End);
    QTest::keyClicks(log_.get(), "x");
    QTest::keyClick(log_.get(), Qt::Key_Return, Qt::ShiftModifier);
    AppendLogLine(*log_, "after shift enter");
    QCOMPARE(Exact(), "intro\r\nafter enter\r\nx\n\r\nafter shift enter");
  }

  void afterTheUserDeletedEverythingTheTextStandsOnTheFirstLine() {
    SetExactLogText(*log_, "intro\r\nmore\r\n");
    log_->selectAll();
    QTest::keyClick(log_.get(), Qt::Key_Delete);
    QVERIFY(log_->document()->isEmpty());
    AppendLogLine(*log_, "first");
    QCOMPARE(Exact(), "first\r\n");
  }

  // A lone CR that the log received, followed by an LF that the user typed, is a line break.
  void userLineFeedAfterALoneCrMakesALineBreak() {
    SetExactLogText(*log_, "value\r");
    log_->moveCursor(QTextCursor::End);
    QTest::keyClick(log_.get(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(Exact(), "value\r\n");
    AppendLogLine(*log_, "next");
    QCOMPARE(Exact(), "value\r\nnext\r\n");
  }

  // Text typed right after a stand-in takes over its format but means what it shows.
  void textTypedAfterAStandInIsItself() {
    SetExactLogText(*log_, "a\r");
    TypeAtEnd("bc");
    QCOMPARE(Exact(), "a\rbc");
  }

  void caretAfterTheTextSelectionGoneNotUndoable() {
    SetExactLogText(*log_, "intro\r\n");
    TypeAtEnd("typed");
    log_->selectAll();
    AppendLogLine(*log_, "appended");
    QVERIFY(!log_->textCursor().hasSelection());
    QCOMPARE(log_->textCursor().position(), log_->document()->characterCount() - 1);
    QVERIFY(!log_->document()->isUndoAvailable());
    log_->undo();
    QCOMPARE(Exact(), "intro\r\ntyped\r\nappended");
    // The user's own later edits can be undone as usual.
    TypeAtEnd("!");
    log_->undo();
    QCOMPARE(Exact(), "intro\r\ntyped\r\nappended");
  }

  void scrollsToTheCaret() {
    QString many = "line 0";
    for (int i = 1; i < 200; ++i) many += QStringLiteral("\r\nline %1").arg(i);
    SetExactLogText(*log_, many);
    log_->verticalScrollBar()->setValue(0);
    AppendLogLine(*log_, QString("the newest line, far wider than the log ").repeated(5));
    QVERIFY(log_->verticalScrollBar()->value() > 0);
    QVERIFY(log_->viewport()->rect().contains(log_->cursorRect().center()));
    QVERIFY(log_->horizontalScrollBar()->value() > 0);
  }
};

}  // namespace harnlode

HARNLODE_UI_TEST_MAIN(harnlode::LogTextTest)
#include "log_text_test.moc"
