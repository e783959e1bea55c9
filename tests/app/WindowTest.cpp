// The main window as the user meets it: frame, places and settings of the controls, keys, and the
// canvas widget showing the sheet canvas.
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <thread>

#include "SampleSheet.h"
#include "SheetCanvasView.h"
#include "WindowFixture.h"

namespace marksheet::testing {

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void FrameIsFixedCentredAndPlain() {
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowStaysOnTopHint));
        QCOMPARE(window->minimumSize(), QSize(WindowClientWidth, WindowClientHeight));
        QCOMPARE(window->maximumSize(), QSize(WindowClientWidth, WindowClientHeight));
        QCOMPARE(window->size(), QSize(737, 520));
        QVERIFY(window->windowTitle().isEmpty());
        QVERIFY(window->findChild<QMenuBar*>() == nullptr);
        QCOMPARE(window->palette().color(QPalette::Window), window->palette().color(QPalette::Button));

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(window->frameGeometry().topLeft(),
                 QPoint(screen.x() + (screen.width() - 745) / 2, screen.y() + (screen.height() - 546) / 2));

        // Minimise and restore keep the window and its size.
        window->showMinimized();
        QTRY_VERIFY(window->isMinimized());
        window->showNormal();
        QTRY_VERIFY(!window->isMinimized());
        QCOMPARE(window->size(), QSize(737, 520));
    }

    void ControlsStandWholeAtTheirPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<QString>("caption");
        QTest::newRow("canvas 画板1") << "画板1" << QRect(0, 16, 400, 500) << QString();
        QTest::newRow("recognise 按钮1") << "按钮1" << QRect(408, 16, 80, 32) << "识别答题卡";
        QTest::newRow("change sheet 按钮2") << "按钮2" << QRect(408, 56, 80, 32) << "更换答题卡";
        QTest::newRow("number box 编辑框1") << "编辑框1" << QRect(488, 16, 224, 112) << QString();
        QTest::newRow("answer box 编辑框2") << "编辑框2" << QRect(408, 152, 320, 176) << QString();
    }
    void ControlsStandWholeAtTheirPlaces() {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        QFETCH(QString, caption);
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* control = window->findChild<QWidget*>(name);
        QVERIFY2(control != nullptr, qPrintable(name));
        QCOMPARE(control->geometry(), place);
        QVERIFY(window->rect().contains(control->geometry()));
        QVERIFY(control->isVisible());
        QVERIFY(control->isEnabled());
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(!button->autoDefault());
            QVERIFY(!button->isDefault());
        }
        if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
            QVERIFY(box->toPlainText().isEmpty());
            QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
            QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(box->frameShadow(), QFrame::Sunken);
            QVERIFY(box->tabChangesFocus());
            QVERIFY(!box->isReadOnly());
            QCOMPARE(box->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
            QCOMPARE(box->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::black));
        }
    }

    void FileDialogIsQtsOwnAndHidden() {
        WindowUnderTest window;
        auto* dialog = window->findChild<QFileDialog*>(QStringLiteral("通用对话框1"));
        QVERIFY(dialog != nullptr);
        QVERIFY(!dialog->isVisible());
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("All Files (*)")});
    }

    void TabWalksTheControlsInOrderBothWays() {
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const QList<QWidget*> order{NumberBox(window.get()), AnswerBox(window.get()),
                                    RecognizeButton(window.get()), ChangeButton(window.get())};
        order[0]->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), order[0]);
        for (int step = 1; step <= 4; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order[step % 4]);
        }
        for (int step = 3; step >= 0; --step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), order[step]);
        }
        QVERIFY(NumberBox(window.get())->toPlainText().isEmpty());  // Tab typed nothing
        QVERIFY(AnswerBox(window.get())->toPlainText().isEmpty());
    }

    void EscapeClosesFromEveryControl_data() {
        QTest::addColumn<QString>("focused");
        for (const char* name : {"编辑框1", "编辑框2", "按钮1", "按钮2"})
            QTest::newRow(name) << QString::fromUtf8(name);
    }
    void EscapeClosesFromEveryControl() {
        QFETCH(QString, focused);
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto* control = window->findChild<QWidget*>(focused);
        control->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), control);
        QTest::keyClick(control, Qt::Key_Escape);
        QTRY_VERIFY(window.Closed());
    }

    void EnterBreaksTheLineInABoxAndDoesNothingOnAButton() {
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        ResultBoxes& boxes = window->Session()->boxes;
        for (QPlainTextEdit* box : {NumberBox(window.get()), AnswerBox(window.get())}) {
            box->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), box);
            QTest::keyClicks(box, QStringLiteral("ab"));
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(box, Qt::Key_Enter);
            QTest::keyClicks(box, QStringLiteral("c"));
        }
        QCOMPARE(boxes.ReadText(ResultBox::Number), std::string("ab\r\n\r\nc"));
        QCOMPARE(boxes.ReadText(ResultBox::Answers), std::string("ab\r\n\r\nc"));

        // Should Enter ever click the change-sheet button, its dialog would wait for an answer:
        // cancel it so the failure shows as a count, not a hang.
        auto dialogWatch = WhenDialogOpens(CancelDialog);
        for (QPushButton* button : {RecognizeButton(window.get()), ChangeButton(window.get())}) {
            QSignalSpy clicked(button, &QPushButton::clicked);
            button->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), button);
            QTest::keyClick(button, Qt::Key_Return);
            QTest::keyClick(button, Qt::Key_Enter);
            QCOMPARE(clicked.count(), 0);
        }
        QVERIFY(window.WaitForReadings());
        QCOMPARE(boxes.ReadText(ResultBox::Number), std::string("ab\r\n\r\nc"));
        QVERIFY(!window.Closed());
    }

    void CanvasShowsTheBuiltInSampleAtStart() {
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        SheetCanvas& canvas = window->Session()->canvas;
        QTRY_VERIFY(!canvas.RepaintPending());
        SheetCanvas reference(canvas.Background());
        reference.SetPicture(SampleSheetBytes());
        reference.Repaint();
        QVERIFY(canvas.Snapshot() == reference.Snapshot());
        QCOMPARE(canvas.Background(), ToCanvasColour(window->palette().color(QPalette::Button)));
        QCOMPARE(canvas.ReadPixel(0, 0), canvas.Background());  // outside the sample's place
    }

    void DrawingsFromAWorkerAppearOnScreenAndStay() {
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        SheetCanvas& canvas = window->Session()->canvas;
        QTRY_VERIFY(!canvas.RepaintPending());
        auto* view = window->findChild<QWidget*>(QStringLiteral("画板1"));
        auto shownOnScreen = [&](int x, int y) {
            const QPoint at = view->mapTo(window.get(), QPoint(x, y));
            const QImage grabbed =
                QGuiApplication::primaryScreen()->grabWindow(window->winId(), at.x(), at.y(), 1, 1).toImage();
            return grabbed.pixelColor(0, 0);
        };
        std::thread([&] {
            canvas.DrawLine(10, 20, 30, 20);
            canvas.DrawPoint(200, 300, 0x000000FF);
        }).join();
        // Nobody asks for a repaint: the widget was told what changed.
        QTRY_COMPARE(shownOnScreen(10, 20), QColor(0, 255, 0));
        QTRY_COMPARE(shownOnScreen(200, 300), QColor(255, 0, 0));

        // Painting the whole widget again shows the drawings; it does not wipe them.
        view->repaint();
        window->repaint();
        QCOMPARE(canvas.ReadPixel(10, 20), PenColour);
        QCOMPARE(canvas.ReadPixel(200, 300), 0x000000FF);
        QCOMPARE(view->grab().toImage().pixelColor(10, 20), QColor(0, 255, 0));

        // A new picture, set from another thread, replaces them at the next paint.
        std::thread([&] { canvas.SetPicture({}); }).join();
        QTRY_VERIFY(!canvas.RepaintPending());
        QCOMPARE(canvas.ReadPixel(10, 20), canvas.Background());
        QTRY_COMPARE(shownOnScreen(200, 300), window->palette().color(QPalette::Button));
    }
};

int RunWindowTests(int argc, char* argv[]) {
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace marksheet::testing

#include "WindowTest.moc"
