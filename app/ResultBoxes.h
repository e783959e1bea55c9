// The two result boxes as the commands and the readers see them: whole-text read and write from any
// thread, with "\r\n" line breaks, and appends made as one step on the main thread.
#pragma once

#include <QPointer>
#include <string>
#include <string_view>

#include "TextSink.h"

class QPlainTextEdit;

namespace marksheet {

/// Speaks for 编辑框1 (ResultBox::Number) and 编辑框2 (ResultBox::Answers). Every call may come from
/// any thread: a call from another thread is carried out by the main thread while the caller waits.
/// Once a box is gone (the window closed), reads give "" and writes and appends are dropped.
class ResultBoxes final : public TextSink {
public:
    ResultBoxes(QPlainTextEdit* numberBox, QPlainTextEdit* answerBox);

    /// The box's whole text, line breaks as "\r\n", UTF-8.
    std::string ReadText(ResultBox box);
    /// Replaces the box's whole text; "\r\n" becomes a line break of the box.
    void WriteText(ResultBox box, std::string_view text);
    /// Read, concatenate and write in one main-thread step, so that nothing typed or appended by
    /// another thread in between is lost.
    void Append(ResultBox box, std::string_view text) override;

private:
    QPlainTextEdit* Box(ResultBox box) const;  // main thread only

    // Touched on the main thread only; the pointers turn null when the window takes the boxes down.
    QPointer<QPlainTextEdit> numberBox;
    QPointer<QPlainTextEdit> answerBox;
};

}  // namespace marksheet
