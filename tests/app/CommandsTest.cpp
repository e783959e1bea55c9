// The two commands: loading a sheet through the file dialog, and recognising it on worker threads.
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <map>
#include <thread>

#include "SampleSheet.h"
#include "SampleExpectations.h"
#include "SheetFile.h"
#include "WindowFixture.h"

namespace marksheet::testing {

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, std::span<const std::uint8_t> bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

// What a fresh canvas shows for these picture bytes: the window's canvas must show the same.
std::vector<CanvasColour> ShownFor(std::span<const std::uint8_t> bytes, CanvasColour background) {
    SheetCanvas reference(background);
    reference.SetPicture(bytes);
    reference.Repaint();
    return reference.Snapshot();
}


}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void CancelChangesNothing() {
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        SheetCanvas& canvas = window->Session()->canvas;
        QTRY_VERIFY(!canvas.RepaintPending());
        canvas.DrawPoint(5, 5, 50);
        const auto before = canvas.Snapshot();
        auto dialogWatch = WhenDialogOpens(CancelDialog);
        QTest::mouseClick(ChangeButton(window.get()), Qt::LeftButton);
        QTest::qWait(20);
        QVERIFY(!canvas.RepaintPending());
        QVERIFY(canvas.Snapshot() == before);
        QCOMPARE(window->Session()->boxes.ReadText(ResultBox::Number), std::string());
        QCOMPARE(window->Session()->boxes.ReadText(ResultBox::Answers), std::string());
    }

    void ConfirmedFileIsShownAndBothBoxesGetANewLine() {
        QTemporaryDir dir;
        const auto sample = SampleSheetBytes();
        const QString path = WriteFile(dir, QStringLiteral("sheet one.jpg"), sample);
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        SheetCanvas& canvas = window->Session()->canvas;
        ResultBoxes& boxes = window->Session()->boxes;
        QTRY_VERIFY(!canvas.RepaintPending());
        canvas.DrawPoint(5, 5, 50);  // an old drawing, gone after the new picture is shown
        boxes.WriteText(ResultBox::Number, "typed");

        auto confirmFirst = WhenDialogOpens([&](QFileDialog* dialog) { ConfirmFile(dialog, path); });
        QTest::mouseClick(ChangeButton(window.get()), Qt::LeftButton);
        QCOMPARE(boxes.ReadText(ResultBox::Number), std::string("typed\r\n"));
        QCOMPARE(boxes.ReadText(ResultBox::Answers), std::string("\r\n"));
        QTRY_VERIFY(!canvas.RepaintPending());
        QVERIFY(canvas.Snapshot() == ShownFor(sample, canvas.Background()));

        // The same file again: a second line break each, and the dialog opened on that file.
        QString openedWith;
        auto confirmAgain = WhenDialogOpens([&](QFileDialog* dialog) {
            openedWith = dialog->selectedFiles().value(0);
            ConfirmFile(dialog, path);
        });
        QTest::mouseClick(ChangeButton(window.get()), Qt::LeftButton);
        QCOMPARE(openedWith, path);
        QCOMPARE(boxes.ReadText(ResultBox::Number), std::string("typed\r\n\r\n"));
        QCOMPARE(boxes.ReadText(ResultBox::Answers), std::string("\r\n\r\n"));

        // Then a cancel: nothing changes, and the next opening still offers the confirmed file.
        QTRY_VERIFY(!canvas.RepaintPending());
        const auto before = canvas.Snapshot();
        for (int round = 0; round < 2; ++round) {
            openedWith.clear();
            auto cancelLater = WhenDialogOpens([&](QFileDialog* dialog) {
                openedWith = dialog->selectedFiles().value(0);
                CancelDialog(dialog);
            });
            QTest::mouseClick(ChangeButton(window.get()), Qt::LeftButton);
            QCOMPARE(openedWith, path);
        }
        QVERIFY(!canvas.RepaintPending());
        QVERIFY(canvas.Snapshot() == before);
        QCOMPARE(boxes.ReadText(ResultBox::Number), std::string("typed\r\n\r\n"));
    }

    void UnreadableFileLeavesTheCanvasEmptyAndStillBreaksTheLines() {
        // Larger than any sheet may be: read as nothing. Sparse, so it costs no disk.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.jpg"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(reinterpret_cast<const char*>(SampleSheetBytes().data()), 64);
            QVERIFY(file.resize(MaxSheetFileBytes + 1));
        }
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        SheetCanvas& canvas = window->Session()->canvas;
        auto dialogWatch = WhenDialogOpens([&](QFileDialog* dialog) { ConfirmFile(dialog, path); });
        QTest::mouseClick(ChangeButton(window.get()), Qt::LeftButton);
        QTRY_VERIFY(!canvas.RepaintPending());
        QVERIFY(!canvas.Placement().has_value());
        QVERIFY(canvas.Snapshot() ==
                std::vector<CanvasColour>(CanvasWidth * CanvasHeight, canvas.Background()));
        QCOMPARE(window->Session()->boxes.ReadText(ResultBox::Number), std::string("\r\n"));
        QCOMPARE(window->Session()->boxes.ReadText(ResultBox::Answers), std::string("\r\n"));
    }

    void WholeFileReadGivesNothingForWhatIsNoReadableFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("expectedSize");
        QTest::newRow("missing") << "missing" << 0;
        QTest::newRow("empty") << "empty" << 0;
        QTest::newRow("folder") << "folder" << 0;
        QTest::newRow("named pipe, which would block") << "fifo" << 0;
        QTest::newRow("larger than the limit") << "huge" << 0;
        QTest::newRow("ordinary file") << "ordinary" << 1000;
        QTest::newRow("symbolic link to an ordinary file") << "link" << 1000;
    }
    void WholeFileReadGivesNothingForWhatIsNoReadableFile() {
        QFETCH(QString, kind);
        QFETCH(int, expectedSize);
        QTemporaryDir dir;
        const QString path = dir.filePath(kind);
        if (kind == "empty" || kind == "huge" || kind == "ordinary") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (kind == "ordinary") file.write(QByteArray(1000, 'x'));
            if (kind == "huge") QVERIFY(file.resize(MaxSheetFileBytes + 1));
        } else if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir(kind));
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "link") {
            QFile file(dir.filePath("target"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1000, 'y'));
            file.close();
            QVERIFY(QFile::link(file.fileName(), path));
        }
        QCOMPARE(static_cast<int>(ReadWholeFile(path).size()), expectedSize);
    }

    void RecognisingTheBuiltInSampleGivesItsKnownDigitsAndLetters() {
        const auto expected = ReadSampleExpectations(MARKSHEET_SAMPLE_EXPECTED);
        if (!expected.count("number") || !expected.count("answers"))
            QSKIP("no expectations for the built-in sample sheet (" MARKSHEET_SAMPLE_EXPECTED ")");
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        ResultBoxes& boxes = window->Session()->boxes;
        QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
        QVERIFY(window.WaitForReadings());
        QCOMPARE(boxes.ReadText(ResultBox::Number), expected.at("number"));
        QCOMPARE(boxes.ReadText(ResultBox::Answers), expected.at("answers"));

        // Two quick presses: two whole readings of each kind, one after the other.
        boxes.WriteText(ResultBox::Number, "");
        boxes.WriteText(ResultBox::Answers, "");
        QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
        QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
        QVERIFY(window.WaitForReadings());
        QCOMPARE(boxes.ReadText(ResultBox::Number), expected.at("number") + expected.at("number"));
        QCOMPARE(boxes.ReadText(ResultBox::Answers), expected.at("answers") + expected.at("answers"));
    }

    void TypedTextAndLoadsSurviveRunningReadings() {
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("sheet.jpg"), SampleSheetBytes());
        WindowUnderTest window;
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        ResultBoxes& boxes = window->Session()->boxes;
        // The digits of one reading, whatever the sheet shows.
        QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
        QVERIFY(window.WaitForReadings());
        const std::string digits = boxes.ReadText(ResultBox::Number);
        const std::string letters = boxes.ReadText(ResultBox::Answers);
        QCOMPARE(digits.size(), std::size_t{9});
        boxes.WriteText(ResultBox::Number, "");
        boxes.WriteText(ResultBox::Answers, "");

        // Type into both boxes and load a sheet while two pairs of readers append.
        QPlainTextEdit* numberBox = NumberBox(window.get());
        numberBox->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), numberBox);
        QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
        QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
        numberBox->setFocus();
        for (char c : std::string("typed")) {
            QTest::keyClick(numberBox, c);
            QTest::qWait(1);  // let the readers' appends in between the keys
        }
        auto dialogWatch = WhenDialogOpens([&](QFileDialog* dialog) { ConfirmFile(dialog, path); });
        QTest::mouseClick(ChangeButton(window.get()), Qt::LeftButton);
        QVERIFY(window.WaitForReadings());

        // Every character of every source is there, none twice.
        auto sorted = [](std::string s) {
            std::sort(s.begin(), s.end());
            return s;
        };
        QCOMPARE(sorted(boxes.ReadText(ResultBox::Number)), sorted(digits + digits + "typed\r\n"));
        const std::string answers = boxes.ReadText(ResultBox::Answers);
        QCOMPARE(answers.size(), 2 * letters.size() + 2);
    }

    void ClosingWhileReadersRunEndsAtOnceWithStatusZero() {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--close-while-reading")});
        QVERIFY(child.waitForStarted());
        // Generous: a hang shows as a timeout, the machine's load does not.
        QVERIFY2(child.waitForFinished(60000), "the program did not end after its window closed");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

int RunCommandsTests(int argc, char* argv[]) {
    CommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace marksheet::testing

#include "CommandsTest.moc"
