// The two reader threads of one press of the recognise button.
#include "SheetSession.h"

#include <system_error>
#include <thread>

namespace marksheet {

void NumberWorker(const std::shared_ptr<SheetSession>& session) {
    session->reader.ReadNumberGrid();
}

void AnswerWorker(const std::shared_ptr<SheetSession>& session) {
    session->reader.ReadAnswerGrid();
}

bool StartWorkerThread(std::function<void()> entry) {
    try {
        std::thread(std::move(entry)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;  // out of threads: this reading does not happen, the window goes on
    }
}

}  // namespace marksheet
