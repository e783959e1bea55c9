// The main window: the sheet canvas, the two command buttons, the two result boxes and the
// open-file dialog.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "SheetSession.h"

class QFileDialog;
class QPlainTextEdit;
class QPushButton;

namespace marksheet {

class SheetCanvasView;

/// Fixed client area of the window. The frame adds about 8 x 26 on the usual desktops, which makes
/// the outer size of 745 x 546; every control, the canvas down to y = 516 included, shows whole.
inline constexpr int WindowClientWidth = 737;
inline constexpr int WindowClientHeight = 520;
/// Outer size used to centre the window on its screen.
inline constexpr int WindowOuterWidth = 745;
inline constexpr int WindowOuterHeight = 546;

class MainWindow final : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    /// 按钮2: lets the user choose a sheet picture, shows it and starts a new line in both boxes.
    void OnChangeSheetClicked();
    /// 按钮1: starts the number reader, then the answer reader, each on a thread of its own, and
    /// returns at once.
    void OnRecognizeClicked();

    /// The canvas, boxes and reader shared with the workers.
    const std::shared_ptr<SheetSession>& Session() const { return session; }

private:
    void CentreOnScreen();

    QPlainTextEdit* numberBox;  // 编辑框1
    QPlainTextEdit* answerBox;  // 编辑框2
    std::shared_ptr<SheetSession> session;
    SheetCanvasView* canvasView;   // 画板1
    QPushButton* recognizeButton;  // 按钮1
    QPushButton* changeButton;     // 按钮2
    QFileDialog* fileDialog;       // 通用对话框1
    QString lastChosenFile;        // full path of the last confirmed choice
};

}  // namespace marksheet
