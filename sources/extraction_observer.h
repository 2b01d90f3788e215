#pragma once

#include <cstdint>
#include <string>

namespace mirelo {

// What an extraction needs from whoever runs it: the window, the command line or a test.
// Every call but StopRequested comes from the thread that runs the extraction.
class ExtractionObserver {
public:
    virtual ~ExtractionObserver() = default;
    // The status line: the store being read, "Sorting", the result counts, "Done".
    virtual void ShowStatus(const std::string& text) = 0;
    // How far the reading of the stores has come, done of total in units of the
    // extraction's own choosing.
    virtual void ShowProgress(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
    // A store or folder that could not be read, or a part of it; the walk goes on.
    virtual void ReportProblem(const std::string& path, const std::string& reason) = 0;
    // Something wrong in a store that was read all the same (a byte count that lies).
    virtual void ReportNotice(const std::string& path, const std::string& note) { ReportProblem(path, note); }
    // Stores were found but not one could be read, for a reason that is no store's fault
    // (the temporary file cannot be written): an empty result must not pass for one.
    virtual void ReportNothingRead(const std::string& message) = 0;
    // Asked between stores and after each block of a store; true ends the walk there.
    // May be called from any thread.
    virtual bool StopRequested() { return false; }
};

}  // namespace mirelo
