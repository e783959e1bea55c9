// The result boxes' whole-text operations: line breaks at the boundary, calls from other threads,
// appends that lose nothing, and calls that arrive after the boxes are gone.
#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocument>
#include <atomic>
#include <memory>
#include <thread>

#include "ResultBoxes.h"

namespace marksheet::testing {

class ResultBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void LineBreaksAreCrLfAtTheBoundary_data() {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("readBack");
        QTest::addColumn<bool>("fromWorker");
        for (bool worker : {false, true}) {
            const QByteArray who = worker ? " from a worker" : " on the main thread";
            QTest::newRow("empty" + who) << QByteArray() << QString() << QByteArray() << worker;
            QTest::newRow("two lines" + who)
                << QByteArray("123\r\n456") << "123\n456" << QByteArray("123\r\n456") << worker;
            QTest::newRow("trailing break" + who) << QByteArray("ABCDE\r\n") << "ABCDE\n"
                                                  << QByteArray("ABCDE\r\n") << worker;
            QTest::newRow("UTF-8 and a non-breaking space" + who) << QByteArray(
                                                                         "答案\xC2\xA0"
                                                                         "A\r\nB")
                                                                  << QString::fromUtf8("答案\u00A0A\nB")
                                                                  << QByteArray(
                                                                         "答案\xC2\xA0"
                                                                         "A\r\nB")
                                                                  << worker;
        }
    }
    void LineBreaksAreCrLfAtTheBoundary() {
        QFETCH(QByteArray, written);
        QFETCH(QString, shown);
        QFETCH(QByteArray, readBack);
        QFETCH(bool, fromWorker);
        QPlainTextEdit number, answers;
        answers.setPlainText(QStringLiteral("old text"));
        ResultBoxes boxes(&number, &answers);
        std::string read;
        auto work = [&] {
            boxes.WriteText(ResultBox::Answers, std::string_view(written.constData(), written.size()));
            read = boxes.ReadText(ResultBox::Answers);
        };
        if (fromWorker) {
            std::atomic<bool> done{false};
            std::thread worker([&] {
                work();
                done = true;
            });
            QTRY_VERIFY(done.load());  // the worker's calls need this thread's event loop
            worker.join();
        } else {
            work();
        }
        // The raw text: toPlainText() would show a non-breaking space as a plain one.
        QCOMPARE(answers.document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), shown);
        QCOMPARE(QByteArray::fromStdString(read), readBack);
        QVERIFY(number.toPlainText().isEmpty());
    }

    void AppendsFromAWorkerAndTheMainThreadAllLand() {
        QPlainTextEdit number, answers;
        ResultBoxes boxes(&number, &answers);
        number.setPlainText(QStringLiteral("typed"));
        constexpr int workerAppends = 300;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            for (int i = 0; i < workerAppends; ++i) boxes.Append(ResultBox::Number, "7");
            done = true;
        });
        int mainAppends = 0;
        while (!done) {
            boxes.Append(ResultBox::Number, "\r\n");
            ++mainAppends;
            QCoreApplication::processEvents();  // lets the worker's waiting append through
        }
        worker.join();
        const std::string text = boxes.ReadText(ResultBox::Number);
        QVERIFY(text.starts_with("typed"));
        QCOMPARE(std::count(text.begin(), text.end(), '7'), workerAppends);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), mainAppends);
        QCOMPARE(text.size(), std::size_t{5} + workerAppends + 2 * mainAppends);
    }

    void AppendKeepsTheCaretWhereTheUserLeftIt() {
        QPlainTextEdit number, answers;
        ResultBoxes boxes(&number, &answers);
        number.setPlainText(QStringLiteral("abc"));
        QTextCursor caret = number.textCursor();
        caret.setPosition(1);
        number.setTextCursor(caret);
        boxes.Append(ResultBox::Number, "123");
        QCOMPARE(number.textCursor().position(), 1);
        QCOMPARE(number.toPlainText(), QStringLiteral("abc123"));
        // A write that is no append replaces the text.
        boxes.WriteText(ResultBox::Number, "x");
        QCOMPARE(number.toPlainText(), QStringLiteral("x"));
    }

    void CallsAfterTheBoxesAreGoneDoNothing() {
        auto number = std::make_unique<QPlainTextEdit>();
        auto answers = std::make_unique<QPlainTextEdit>();
        ResultBoxes boxes(number.get(), answers.get());
        number.reset();
        answers.reset();
        std::atomic<bool> done{false};
        std::string read = "unset";
        std::thread worker([&] {
            boxes.Append(ResultBox::Number, "1");
            boxes.WriteText(ResultBox::Answers, "A");
            read = boxes.ReadText(ResultBox::Answers);
            done = true;
        });
        QTRY_VERIFY(done.load());
        worker.join();
        QCOMPARE(read, std::string());
    }
};

int RunResultBoxesTests(int argc, char* argv[]) {
    ResultBoxesTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace marksheet::testing

#include "ResultBoxesTest.moc"
