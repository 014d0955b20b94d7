#pragma once
// The small pictures of the log window's rows, one per level, drawn in code.
#include <QIcon>

namespace ocv {

// 16 x 16 pictures: information a blue disc with "i", warning a yellow triangle with "!", error
// a red disc with a cross, debug a grey square with "D". A level outside 0..3 gets no picture.
// Each call draws anew; callers keep the icons they use often.
QIcon LogLevelIcon(int level);

}  // namespace ocv
