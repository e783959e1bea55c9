// Whole-text access to the result boxes from any thread, carried out on the main thread.
#include "ResultBoxes.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <utility>

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer cannot see the semaphore inside Qt (not built for it) that hands a blocking call to
// the main thread and back; these tell it the order that the hand-off guarantees.
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define MARKSHEET_HANDOFF_ACQUIRE(token) __tsan_acquire(token)
#define MARKSHEET_HANDOFF_RELEASE(token) __tsan_release(token)
#else
#define MARKSHEET_HANDOFF_ACQUIRE(token) static_cast<void>(token)
#define MARKSHEET_HANDOFF_RELEASE(token) static_cast<void>(token)
#endif

namespace marksheet {

namespace {

// Runs work on the main thread: directly when already there, else queued to the application
// object while the calling thread waits (a blocking call from the main thread to itself would
// deadlock). The application object outlives every window, so the call always has a receiver.
template <typename Work>
void OnMainThread(Work work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    if (QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    int handOff = 0;  // its address names this one call to ThreadSanitizer
    MARKSHEET_HANDOFF_RELEASE(&handOff);
    QMetaObject::invokeMethod(
        app,
        [&work, &handOff] {
            MARKSHEET_HANDOFF_ACQUIRE(&handOff);
            work();
            MARKSHEET_HANDOFF_RELEASE(&handOff);
        },
        Qt::BlockingQueuedConnection);
    MARKSHEET_HANDOFF_ACQUIRE(&handOff);
}

// The box's text with its line breaks as "\n". The raw text keeps non-breaking spaces as the user
// typed them; only the document's own separators become "\n".
QString BoxText(const QPlainTextEdit& box) {
    QString text = box.document()->toRawText();
    for (QChar& c : text) {
        switch (c.unicode()) {
            case QChar::ParagraphSeparator:
            case QChar::LineSeparator:
            case 0xFDD0:  // frame start and end markers of a rich document, never in a plain one
            case 0xFDD1:
                c = u'\n';
                break;
            default:
                break;
        }
    }
    return text;
}

void SetBoxText(QPlainTextEdit& box, const QString& text) {
    const QString old = BoxText(box);
    if (!old.isEmpty() && text.startsWith(old)) {
        // The usual case, an append: add only the tail at the end. The result is the same text, but
        // the user's caret, selection and scroll position stay where they were, and a long box is
        // not laid out anew for every digit.
        QTextCursor end(box.document());
        end.movePosition(QTextCursor::End);
        end.insertText(text.mid(old.size()));
        return;
    }
    box.setPlainText(text);
}

std::string ToCrLfBytes(QString text) {
    text.replace(u'\n', QStringLiteral("\r\n"));
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromCrLfBytes(std::string_view bytes) {
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

ResultBoxes::ResultBoxes(QPlainTextEdit* numberBox, QPlainTextEdit* answerBox)
    : numberBox(numberBox), answerBox(answerBox) {}

QPlainTextEdit* ResultBoxes::Box(ResultBox box) const {
    return box == ResultBox::Number ? numberBox.data() : answerBox.data();
}

std::string ResultBoxes::ReadText(ResultBox box) {
    std::string result;
    OnMainThread([&] {
        if (QPlainTextEdit* edit = Box(box)) result = ToCrLfBytes(BoxText(*edit));
    });
    return result;
}

void ResultBoxes::WriteText(ResultBox box, std::string_view text) {
    OnMainThread([&] {
        if (QPlainTextEdit* edit = Box(box)) SetBoxText(*edit, FromCrLfBytes(text));
    });
}

void ResultBoxes::Append(ResultBox box, std::string_view text) {
    OnMainThread([&] {
        QPlainTextEdit* edit = Box(box);
        if (edit == nullptr) return;
        // Read, concatenate, write: one step, since nothing else runs on the main thread meanwhile.
        std::string whole = ToCrLfBytes(BoxText(*edit));
        whole.append(text);
        SetBoxText(*edit, FromCrLfBytes(whole));
    });
}

}  // namespace marksheet
