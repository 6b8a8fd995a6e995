#include "results/grid_print_settings.h"

#include "app/texts.h"

namespace mv {

GridPrintSettings standardPrintSettings() {
    GridPrintSettings s;
    s.footerRight = ui_text("Seite: #PageNumber von #nPages", "Page: #PageNumber of #nPages");
    return s;
}

} // namespace mv
