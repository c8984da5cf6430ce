#pragma once

class StartUpSplash;

// Start-up of the tool: the promotion window first (it opens the first database
// connection and fills the product browser while it is built, then reads the site
// configuration), then the hidden lookup dialog.

// Builds the windows on the running application. A window that cannot be built (the
// first connection does not open) has its error shown; returns false then. A splash,
// when given, is told how many products have been loaded while the browser fills, and
// is closed before an error is shown.
bool createWindows(StartUpSplash *splash = nullptr);
// The whole program: application, splash, windows, event loop. Returns the exit status
// (non-zero when the tool could not start).
int runTarnPromotion(int argc, char **argv);
