// The main window: its fixed layout, keys, and the change-sheet and recognise commands.
#include "MainWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "SampleSheet.h"
#include "SheetCanvasView.h"
#include "SheetFile.h"

namespace marksheet {

namespace {

QPlainTextEdit* MakeResultBox(QWidget* parent, const QString& name, QRect place) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setGeometry(place);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    box->setTabChangesFocus(true);  // Tab walks the controls; it is never typed into a result
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    // The selection shows only while the box has the focus.
    palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    box->setPalette(palette);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    // No default button: Enter on a button does nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);  // closing takes the window down at once
    setWindowTitle(QString());
    setFixedSize(WindowClientWidth, WindowClientHeight);
    const QColor buttonFace = palette().color(QPalette::Button);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, buttonFace);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    numberBox = MakeResultBox(this, QStringLiteral("编辑框1"), {488, 16, 224, 112});
    answerBox = MakeResultBox(this, QStringLiteral("编辑框2"), {408, 152, 320, 176});

    session = std::make_shared<SheetSession>(ToCanvasColour(buttonFace), numberBox, answerBox);
    session->canvas.SetPicture(SampleSheetBytes());
    canvasView = new SheetCanvasView(std::shared_ptr<SheetCanvas>(session, &session->canvas), this);
    canvasView->setObjectName(QStringLiteral("画板1"));
    canvasView->move(0, 16);

    recognizeButton =
        MakeButton(this, QStringLiteral("按钮1"), QStringLiteral("识别答题卡"), {408, 16, 80, 32});
    changeButton = MakeButton(this, QStringLiteral("按钮2"), QStringLiteral("更换答题卡"), {408, 56, 80, 32});
    connect(recognizeButton, &QPushButton::clicked, this, &MainWindow::OnRecognizeClicked);
    connect(changeButton, &QPushButton::clicked, this, &MainWindow::OnChangeSheetClicked);

    setTabOrder(numberBox, answerBox);
    setTabOrder(answerBox, recognizeButton);
    setTabOrder(recognizeButton, changeButton);
    setTabOrder(changeButton, numberBox);

    // Qt's own dialog rather than the desktop's: it behaves the same everywhere.
    fileDialog = new QFileDialog(this);
    fileDialog->setObjectName(QStringLiteral("通用对话框1"));
    fileDialog->setOption(QFileDialog::DontUseNativeDialog);
    fileDialog->setFileMode(QFileDialog::ExistingFile);
    fileDialog->setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog->setOption(QFileDialog::ReadOnly);  // no folder creation, renaming or deleting from here

    // Esc closes the window from any control, the result boxes included, without a question.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    CentreOnScreen();
}

MainWindow::~MainWindow() = default;

void MainWindow::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    // move() places the frame's top-left corner, so centre the outer size.
    move(area.x() + (area.width() - WindowOuterWidth) / 2,
         area.y() + (area.height() - WindowOuterHeight) / 2);
}

void MainWindow::OnChangeSheetClicked() {
    // Open with the last confirmed file filled in; a cancelled dialog leaves that choice alone.
    if (!lastChosenFile.isEmpty()) fileDialog->selectFile(lastChosenFile);
    if (fileDialog->exec() != QDialog::Accepted) return;
    const QStringList chosen = fileDialog->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return;
    lastChosenFile = chosen.first();

    session->canvas.SetPicture(ReadWholeFile(lastChosenFile));
    // The next readings' results start on lines of their own, whatever the file held.
    session->boxes.Append(ResultBox::Answers, "\r\n");
    session->boxes.Append(ResultBox::Number, "\r\n");
}

void MainWindow::OnRecognizeClicked() {
    // Each worker holds the session, so a worker still reading after the window has closed
    // finds its canvas and its (now silent) boxes in place.
    StartWorkerThread([s = session] { NumberWorker(s); });
    StartWorkerThread([s = session] { AnswerWorker(s); });
}

}  // namespace marksheet
