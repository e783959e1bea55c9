// Drawing the answer-sheet form: onto any QPainter, as a picture, or into a PNG, JPEG or PDF file.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <optional>
#include <string>

#include "FormLayout.h"

class QPainter;

namespace marksheet {

/// The red everything inside the grids is printed in except filled boxes: its brightness
/// (r + g + b = 470) stays far above the readers' darkness limits after JPEG and shrinking.
inline const QColor DropOutRed{230, 120, 120};
/// Corner marks and filled boxes.
inline const QColor MarkInk{0, 0, 0};

/// Paints the form; the painter's coordinates are the paper's picture pixels, its page white.
void PaintForm(QPainter& painter, const FormLayout& layout, const FormFill& fill);

/// The form as a white RGB picture of the paper's size, its resolution set to the paper's.
QImage RenderForm(const FormLayout& layout, const FormFill& fill);

/// Writes the form to path, the format taken from its extension: .png, .jpg/.jpeg (at jpegQuality)
/// or .pdf (vectors, one page of the paper's size). A reason when it could not be written.
std::optional<std::string> WriteForm(const FormLayout& layout, const FormFill& fill, const QString& path,
                                     int jpegQuality = 90);

/// The same as a JPEG file's bytes, for tests and the sample sheet.
QByteArray EncodeJpeg(const QImage& image, int quality);

}  // namespace marksheet
