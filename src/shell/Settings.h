// The per-user settings of the main window: placement in twips and the four view options.
#pragma once

#include <QString>

namespace shell {

struct MainSettings {
    double left = 0;      // twips
    double top = 0;
    double width = 8280;
    double height = 6450;
    bool toolbar = true;
    bool statusBar = true;
    bool tips = true;
    bool autoFocus = false;
    bool placed = false; // a placement was read: false on a first start


    bool operator==(const MainSettings&) const = default;
};

// Store "Varnox"/"Varnox", group "Settings"; a missing or unreadable value takes its default.
MainSettings loadMainSettings();
// savePlacement false keeps the stored placement (the window was minimized).
void saveMainSettings(const MainSettings& s, bool savePlacement);

// Twips at the screen's resolution (1440 per inch).
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(int pixels, double dpi);

} // namespace shell
