#pragma once

#include <string>

namespace mirelo {

// What an extraction needs from whoever runs it: the window, the command line or a test.
class ExtractionObserver {
public:
    virtual ~ExtractionObserver() = default;
    // The status line: the store being read, "Sorting", the result counts, "Done".
    virtual void ShowStatus(const std::string& text) = 0;
    // Called between stores and export steps: let the window repaint and take input.
    virtual void KeepAlive() = 0;
    // A store or folder that could not be read, or a part of it; the walk goes on.
    virtual void ReportProblem(const std::string& path, const std::string& reason) = 0;
    // Something wrong in a store that was read all the same (a byte count that lies).
    virtual void ReportNotice(const std::string& path, const std::string& note) { ReportProblem(path, note); }
    // Stores were found but not one could be read, for a reason that is no store's fault
    // (the temporary file cannot be written): an empty result must not pass for one.
    virtual void ReportNothingRead(const std::string& message) = 0;
    // Asked between stores; true ends the walk after the store being read.
    virtual bool StopRequested() { return false; }
};

}  // namespace mirelo
