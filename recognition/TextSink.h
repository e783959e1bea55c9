// Where the readers put the text they read: the two result boxes.
#pragma once

#include <string_view>

namespace marksheet {

/// The two result boxes: 编辑框1 takes the candidate number, 编辑框2 the answer letters.
enum class ResultBox { Number = 1, Answers = 2 };

class TextSink {
public:
    virtual ~TextSink() = default;
    /// Appends text to the box's whole text as one step: nothing typed or appended meanwhile is lost.
    virtual void Append(ResultBox box, std::string_view text) = 0;
};

}  // namespace marksheet
