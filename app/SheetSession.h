// What the window shares with its worker threads: the canvas, the result boxes and the reader.
#pragma once

#include <functional>
#include <memory>

#include "ResultBoxes.h"
#include "SheetCanvas.h"
#include "SheetReader.h"

namespace marksheet {

/// Lives as long as the window or the last worker still reading it, whichever is later, so a
/// worker that outlives a closed window reads and draws on a canvas that still exists and its
/// appends are dropped quietly.
struct SheetSession {
    SheetSession(CanvasColour background, QPlainTextEdit* numberBox, QPlainTextEdit* answerBox)
        : canvas(background), boxes(numberBox, answerBox), reader(canvas, boxes) {}

    SheetCanvas canvas;
    ResultBoxes boxes;
    SheetReader reader;  // one for the window's whole life: readings of one kind queue behind each other
};

/// Thread entries: one reading each, then the thread ends.
void NumberWorker(const std::shared_ptr<SheetSession>& session);
void AnswerWorker(const std::shared_ptr<SheetSession>& session);

/// Starts a detached thread running entry at once; false when the system refuses a thread.
bool StartWorkerThread(std::function<void()> entry);

}  // namespace marksheet
