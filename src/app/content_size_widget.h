#pragma once
// Windows that grow with their content: a message that wraps onto a second line pushes the buttons
// down instead of running over them.
class QWidget;

namespace mv {

// Makes the window at least as large as its layout needs at its current width (word-wrapped texts
// included). It never shrinks the window.
void growToContent(QWidget* window);

} // namespace mv
