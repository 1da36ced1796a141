// A plain-text picture of the windows on screen, written every quarter second
// to the file named by PHREATIX_UI_PROBE: which windows are shown (with their
// X window ids), which is modal and active, every visible button with its
// place on the screen and whether it is enabled, the texts of the labels, the
// line counts of the lists, and for the lists of every window, shown or not,
// how often their contents changed since the first picture. The walkthrough under a real X server
// reads it to find what to click and to check what the user sees; it never acts itself.
#pragma once

class QString;

namespace phreatix::ui {

// Starts the probe when PHREATIX_UI_PROBE names a file; otherwise does nothing.
void startUiProbe();

// The picture as the probe writes it (one line a widget, tab-separated). The
// first call on a list starts counting its changes.
QString uiProbeText();

}  // namespace phreatix::ui
