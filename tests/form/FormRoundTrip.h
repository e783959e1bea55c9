// Helpers for the form's round trips: print a form, disturb it as printing and scanning would, and
// read it back through the real canvas and both readers.
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <span>
#include <string>

#include "FormLayout.h"

namespace marksheet {

/// What the two readers appended for one picture, and the grids they located.
struct ReadBack {
    std::string number;
    std::string answers;
    NumberReading numberReading;
    AnswerReading answerReading;
};

/// Shows the picture bytes on a fresh canvas (set picture, repaint) and runs both readers on it.
ReadBack ReadPictureBytes(std::span<const std::uint8_t> bytes);
ReadBack ReadPictureBytes(const QByteArray& bytes);

/// The picture scaled by `scale` about its centre and then moved by (dx, dy) pixels, on white, at
/// the same size: a sheet printed a little too large or small and fed into the scanner askew by
/// nothing but a shift.
QImage ScaleAndShift(const QImage& picture, double scale, double dx, double dy);

QByteArray EncodePng(const QImage& image);

/// A random fill: a 9-digit number and about three answers in four, the rest blank, from a seed.
FormFill RandomFill(unsigned seed);

}  // namespace marksheet
