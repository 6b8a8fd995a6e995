#include "app/content_size_widget.h"

#include <QLayout>
#include <QWidget>

#include <algorithm>

namespace mv {

void growToContent(QWidget* window) {
    QLayout* layout = window ? window->layout() : nullptr;
    if (!layout) return;
    layout->invalidate();
    layout->activate();
    const QSize least = layout->totalMinimumSize();
    const int width = std::max(window->width(), least.width());
    // A window's layout only tells its plain minimum; wrapped labels need the height for this width.
    const int height = std::max(least.height(), layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                                            : layout->totalSizeHint().height());
    if (width > window->width() || height > window->height())
        window->resize(std::max(width, window->width()), std::max(height, window->height()));
}

} // namespace mv
