#pragma once
// The pictures of the explorer's entry kinds (the icon numbers of explorer_catalog.h): tables,
// views, procedures, section headings, fields, key fields and index marks, drawn at run time.
#include <QIcon>
#include <QPixmap>

namespace mv {

// The picture of an icon number; a null icon for a number without one (0, procedure parameters).
QIcon explorerIcon(int iconNumber);
QPixmap explorerPixmap(int iconNumber, int size = 16);

} // namespace mv
