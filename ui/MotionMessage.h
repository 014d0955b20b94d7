#pragma once
// The message boxes of the motion dialogs. A hook (set by tests) receives the text instead of a
// modal box, so a check's message can be read without a person to close it.
#include <functional>

#include <QString>

class QWidget;

namespace ocv {

using MotionMessageHook = std::function<void(const QString& text)>;

// Shows `text` as a warning box over `parent`, or hands it to the hook when one is set.
void ShowMotionMessage(QWidget* parent, const QString& text);
// Sets the hook (an empty one brings the boxes back); returns the previous one.
MotionMessageHook SetMotionMessageHook(MotionMessageHook hook);

}  // namespace ocv
