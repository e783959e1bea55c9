// Shared helpers of the window tests: finding the controls, driving the file dialog, waiting for
// readers to finish.
#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "MainWindow.h"

namespace marksheet::testing {

inline QPlainTextEdit* NumberBox(QWidget* window) {
    return window->findChild<QPlainTextEdit*>(QStringLiteral("编辑框1"));
}
inline QPlainTextEdit* AnswerBox(QWidget* window) {
    return window->findChild<QPlainTextEdit*>(QStringLiteral("编辑框2"));
}
inline QPushButton* RecognizeButton(QWidget* window) {
    return window->findChild<QPushButton*>(QStringLiteral("按钮1"));
}
inline QPushButton* ChangeButton(QWidget* window) {
    return window->findChild<QPushButton*>(QStringLiteral("按钮2"));
}

/// Runs drive on the open-file dialog as soon as it is the active modal window (it runs its own
/// event loop, so the test cannot act on it from the line after the click). Keep the result for
/// as long as drive may run: dropping it stops the watch, so no later dialog meets a stale drive.
[[nodiscard]] inline std::unique_ptr<QTimer> WhenDialogOpens(std::function<void(QFileDialog*)> drive) {
    auto poll = std::make_unique<QTimer>();
    poll->setInterval(5);
    QTimer* timer = poll.get();
    QObject::connect(timer, &QTimer::timeout, [timer, drive] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        timer->stop();
        drive(dialog);
    });
    poll->start();
    return poll;
}

inline void ConfirmFile(QFileDialog* dialog, const QString& path) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(name != nullptr && buttons != nullptr);
    name->setText(path);
    QPushButton* open = buttons->button(QDialogButtonBox::Open);
    QVERIFY(open != nullptr && open->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
}

inline void CancelDialog(QFileDialog* dialog) {
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(buttons != nullptr);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
}

/// Owns one shown main window for a test and, at the end, takes it down and waits until every
/// worker it started has let go of the canvas and the boxes.
class WindowUnderTest {
public:
    WindowUnderTest() : window(new MainWindow) {
        window->show();
        idleUseCount = window->Session().use_count();
        session = window->Session();
    }
    ~WindowUnderTest() {
        delete window.data();
        // Workers still waiting for the main thread need the event loop to go on.
        if (!QTest::qWaitFor([this] { return session.expired(); }, 60000))
            qFatal("readers still hold the canvas and boxes of a closed window after a minute");
    }
    MainWindow* operator->() const { return window.data(); }
    MainWindow* get() const { return window.data(); }
    bool Closed() const { return window.isNull(); }

    /// True when no worker holds the session any longer: every reading started so far is over.
    bool ReadingsDone() const {
        auto held = session.lock();
        return !held || held.use_count() <= idleUseCount + 1;  // + 1: the lock() here
    }

    /// Waits until ReadingsDone.
    [[nodiscard]] bool WaitForReadings() const {
        return QTest::qWaitFor([this] { return ReadingsDone(); }, 60000);
    }

private:
    QPointer<MainWindow> window;
    long idleUseCount = 0;
    std::weak_ptr<SheetSession> session;
};

}  // namespace marksheet::testing
