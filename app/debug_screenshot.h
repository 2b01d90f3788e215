#pragma once

#include <QString>

namespace mirelo {

// For the README and for checking the window by eye: optionally extracts an Eudora folder
// into a CSV file without asking anything, then saves a picture of the main window. Runs
// on a profile of its own, so the user's remembered folders stay as they are.
struct ScreenshotRequest {
    QString imagePath;
    QString eudoraFolder;  // empty: no extraction
    QString csvPath;
    bool details = false;  // View > Details on before the extraction
};

// The process exit code.
int TakeScreenshot(const ScreenshotRequest& request);

}  // namespace mirelo
